// The block/parameter text format of every file the game writes itself: Config.dat, level
// files and pattern descriptions. A file is a tree of named blocks holding parameters
// ("Key = Value"), child blocks ("<Name>" ... "</Name>") and, in text blocks
// ("[Name]" ... "[/Name]"), verbatim lines such as scripts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One "Key = Value" line. Typed reads never fail: a value they cannot read, and the
// NullParam of a missing key, yield the caller's default.
class TDatParam {
 public:
  std::string Name;
  std::string Value;
  bool IsNull = false;  // true only for a block's NullParam

  // Value, even an empty one; Default only for the NullParam.
  std::string AsString(const std::string& Default) const;
  // Decimal, or hexadecimal after "$" or "0x" (up to 32 bits, "$FFFFFFFF" is -1), with an
  // optional sign. Empty text, any other character or an overflow yield Default.
  int32_t AsInteger(int32_t Default) const;
  // A decimal real with "." as the point whatever the locale, rounded to single
  // precision (see TextToFloat). Any other text yields Default.
  float AsFloat(float Default) const;
  // "TRUE" in any letter case is true; an integer is true when not zero; an empty value
  // and the NullParam yield Default; any other word is false.
  bool AsBool(bool Default) const;
};

// A block of the tree; the root has an empty name. A block owns its children, and
// destroying a tree of any depth uses no deeper stack than a flat one.
class TDatBlock {
 public:
  explicit TDatBlock(std::string name = "");
  virtual ~TDatBlock();
  TDatBlock(const TDatBlock&) = delete;
  TDatBlock& operator=(const TDatBlock&) = delete;

  std::string Name;
  bool IsText = false;             // opened with "[Name]": holds verbatim lines only
  std::vector<std::string> Lines;  // raw lines of a text block, or ready-made lines
  std::vector<std::unique_ptr<TDatBlock>> Blocks;
  std::vector<std::unique_ptr<TDatParam>> Params;
  TDatParam NullParam;  // what Param returns for a missing key

  // The first parameter of this block whose name matches ignoring the case of A to Z,
  // or NullParam. Never looks into child blocks.
  const TDatParam& Param(std::string_view name) const;
  // Replaces the value of the first parameter of that name (keeping its letter case),
  // or appends a new parameter.
  void SetParam(std::string_view name, std::string_view value);
  // The first child block whose name matches ignoring the case of A to Z, or nullptr.
  TDatBlock* FindBlock(std::string_view name);
  const TDatBlock* FindBlock(std::string_view name) const;
  // Appends an empty angle-bracket child; set IsText on it to make a text block.
  TDatBlock* AddBlock(std::string_view name);
  void AddLine(std::string_view text);
  // Calls enter for this block and then for each block below it, depth first, and leave
  // once a block's children are done. The walk keeps its own stack, so a tree of any
  // depth is walked without deep recursion.
  void WalkDepthFirst(const std::function<void(const TDatBlock&)>& enter,
                      const std::function<void(const TDatBlock&)>& leave) const;
};

// The root of a file, with the reading and writing operations.
//
// Two writers serve different producers. ToText and SaveToFile write the block structure
// and Lines, never Params; the level writer passes each parameter as a ready-made line.
// SaveParamsToFile writes the root's Params and its text blocks; Config.dat uses it.
//
// A line break or a Ctrl-Z inside a name, value or line would split the line or end the
// file early when it is read back, so the writers leave those bytes out. The format has
// no escapes: a text block line that reads as its own closing tag still closes it, and
// SaveParamsToFile leaves double quotes out of values because the reader removes them.
class TDat final : public TDatBlock {
 public:
  // Appends the file's content to this tree; the tree is not cleared first. Lines end at
  // CR LF or LF; a CR alone ends a line's text and the rest up to the next LF is dropped;
  // a Ctrl-Z byte ends the file. Throws FileError, and then the tree is unchanged.
  void LoadFromFile(const std::string& path);
  // Appends text read out of a package: CR LF, a lone CR or a lone LF ends a line.
  void LoadFromText(std::string_view text);
  // The block structure and Lines, each line followed by CR LF.
  std::string ToText() const;
  // Writes ToText() atomically. Throws FileError.
  void SaveToFile(const std::string& path) const;
  // Writes `Name = "Value"` for each root parameter, then the root's text blocks.
  // Throws FileError.
  void SaveParamsToFile(const std::string& path) const;
  // What SaveParamsToFile writes.
  std::string ParamsText() const;
};

// One line in its cleaned form: blanks outside double quotes, the quotes themselves and
// all tabs removed; "//" outside quotes starts a comment that runs to the end of the line.
std::string CleanLine(std::string_view line);

// A value between double quotes as the writers give it. The reader removes every double
// quote, so one inside the value cannot survive and is left out; left in, it would also
// unquote the blanks that follow it.
std::string QuotedValue(std::string_view value);
