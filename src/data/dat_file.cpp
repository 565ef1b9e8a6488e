#include "data/dat_file.h"

#include <optional>

#include "data/ascii_case.h"
#include "data/file_io.h"
#include "data/real_text.h"
#include "data/text_lines.h"

namespace {

using LineList = std::vector<std::string>;

constexpr char kCtrlZ = '\x1A';

// Keys and block lookups ignore the case of A to Z only; other bytes compare exactly,
// whatever the locale.
bool SameNameAZ(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

// Is the cleaned line exactly open + name + close, as in "</Layer>" or "[/Script]"?
bool IsTagOf(std::string_view cleaned, std::string_view open, std::string_view name, char close) {
  return cleaned.size() == open.size() + name.size() + 1 && cleaned.starts_with(open) &&
         cleaned.back() == close && cleaned.substr(open.size(), name.size()) == name;
}

bool OpensBlock(std::string_view cleaned) {
  if (cleaned.size() < 2) return false;
  return (cleaned.front() == '<' && cleaned.back() == '>') ||
         (cleaned.front() == '[' && cleaned.back() == ']');
}

void AddParamLine(TDatBlock& block, std::string_view cleaned) {
  auto param = std::make_unique<TDatParam>();
  size_t eq = cleaned.find('=');
  param->Name = cleaned.substr(0, eq);
  if (eq != std::string_view::npos) param->Value = cleaned.substr(eq + 1);
  block.Params.push_back(std::move(param));
}

// Takes a text block's raw lines up to its closing line, starting at lines[next] whose
// cleaned form is given. Returns the index of the first line not consumed.
size_t ReadTextBody(TDatBlock& block, const LineList& lines, size_t next, std::string cleaned) {
  for (;;) {
    if (IsTagOf(cleaned, "[/", block.Name, ']')) return next + 1;
    block.Lines.push_back(lines[next++]);
    if (next == lines.size()) return next;
    cleaned = CleanLine(lines[next]);
  }
}

// The reader works through the lines once, with the stack of open blocks held in a
// vector rather than in nested calls, so that a file of a million nested tags cannot
// exhaust the call stack. The innermost open block is the back of the stack; closing it
// pops it, and closing the root ("</>" at the top level) ends the reading.
void ParseLines(TDatBlock& root, const LineList& lines) {
  std::vector<TDatBlock*> open{&root};
  size_t next = 0;
  while (next < lines.size() && !open.empty()) {
    TDatBlock& block = *open.back();
    std::string cleaned = CleanLine(lines[next]);
    if (IsTagOf(cleaned, "</", block.Name, '>')) {
      ++next;
      open.pop_back();
    } else if (block.IsText) {
      next = ReadTextBody(block, lines, next, std::move(cleaned));
      open.pop_back();
    } else if (cleaned.empty()) {
      ++next;
    } else if (OpensBlock(cleaned)) {
      TDatBlock* child = block.AddBlock(std::string_view(cleaned).substr(1, cleaned.size() - 2));
      child->IsText = cleaned.front() == '[';
      ++next;
      open.push_back(child);
    } else {
      AddParamLine(block, cleaned);
      ++next;
    }
  }
}

// A CR, LF or Ctrl-Z inside a line would change the file's structure when it is read
// back, so the writers leave them out.
std::string Writable(std::string_view line) {
  std::string kept;
  for (char c : line) {
    if (c != '\r' && c != '\n' && c != kCtrlZ) kept += c;
  }
  return kept;
}

void AppendLine(std::string& out, std::string_view line) {
  out += Writable(line);
  out += "\r\n";
}

// A tag is read back cleaned, so a name that begins with "/" (the child opened by a
// closing tag of other letter case) would close as "<//Y>", which reads as "<" and a
// comment. Such a tag goes out in double quotes, which cleaning keeps "//" and blanks in
// and then removes.
void AppendTag(std::string& out, const TDatBlock& block, bool closing) {
  std::string inner = Writable(closing ? "/" + block.Name : block.Name);
  const bool quote =
      (inner.find("//") != std::string::npos || inner.find(' ') != std::string::npos) &&
      inner.find('"') == std::string::npos;
  if (quote) inner = '"' + inner + '"';
  AppendLine(out, (block.IsText ? "[" : "<") + inner + (block.IsText ? "]" : ">"));
}

// The opening tag and the lines of a block. The root has no tags (unless it was given a
// name); every other block has, even one with an empty name ("<>" ... "</>"), or its lines
// and children would be read back as its parent's.
void WriteHead(std::string& out, const TDatBlock& block, bool root) {
  if (!root || !block.Name.empty()) AppendTag(out, block, false);
  for (const std::string& line : block.Lines)
    AppendLine(out, line);
}

void WriteTail(std::string& out, const TDatBlock& block, bool root) {
  if (!root || !block.Name.empty()) AppendTag(out, block, true);
}

}  // namespace

std::string QuotedValue(std::string_view value) {
  std::string quoted = "\"";
  for (char c : value) {
    if (c != '"') quoted += c;
  }
  return quoted + '"';
}

std::string CleanLine(std::string_view line) {
  std::string cleaned;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') quoted = !quoted;
    if (!quoted && c == '/' && i + 1 < line.size() && line[i + 1] == '/') break;
    bool drop = (c == ' ' && !quoted) || c == '"' || c == '\t';
    if (!drop) cleaned += c;
  }
  return cleaned;
}

std::string TDatParam::AsString(const std::string& Default) const {
  return IsNull ? Default : Value;
}

int32_t TDatParam::AsInteger(int32_t Default) const {
  return TextToInteger(Value).value_or(Default);
}

float TDatParam::AsFloat(float Default) const {
  return TextToFloat(Value).value_or(Default);
}

bool TDatParam::AsBool(bool Default) const {
  if (IsNull || Value.empty()) return Default;
  if (SameNameAZ(Value, "TRUE")) return true;
  if (std::optional<int32_t> number = TextToInteger(Value)) return *number != 0;
  return false;
}

TDatBlock::TDatBlock(std::string name) : Name(std::move(name)) {
  NullParam.IsNull = true;
}

// Children are moved onto a work list and destroyed one by one with their own child
// lists already emptied, so each destructor call ends without recursing.
TDatBlock::~TDatBlock() {
  std::vector<std::unique_ptr<TDatBlock>> pending = std::move(Blocks);
  while (!pending.empty()) {
    std::unique_ptr<TDatBlock> block = std::move(pending.back());
    pending.pop_back();
    for (auto& child : block->Blocks)
      pending.push_back(std::move(child));
    block->Blocks.clear();
  }
}

const TDatParam& TDatBlock::Param(std::string_view name) const {
  for (const auto& param : Params) {
    if (SameNameAZ(param->Name, name)) return *param;
  }
  return NullParam;
}

void TDatBlock::SetParam(std::string_view name, std::string_view value) {
  for (const auto& param : Params) {
    if (SameNameAZ(param->Name, name)) {
      param->Value = value;
      return;
    }
  }
  auto param = std::make_unique<TDatParam>();
  param->Name = name;
  param->Value = value;
  Params.push_back(std::move(param));
}

TDatBlock* TDatBlock::FindBlock(std::string_view name) {
  for (const auto& block : Blocks) {
    if (SameNameAZ(block->Name, name)) return block.get();
  }
  return nullptr;
}

const TDatBlock* TDatBlock::FindBlock(std::string_view name) const {
  return const_cast<TDatBlock*>(this)->FindBlock(name);
}

TDatBlock* TDatBlock::AddBlock(std::string_view name) {
  Blocks.push_back(std::make_unique<TDatBlock>(std::string(name)));
  return Blocks.back().get();
}

void TDatBlock::AddLine(std::string_view text) {
  Lines.emplace_back(text);
}

// The stack holds (block, next child) pairs: the innermost open block is its back.
void TDatBlock::WalkDepthFirst(const std::function<void(const TDatBlock&)>& enter,
                               const std::function<void(const TDatBlock&)>& leave) const {
  struct Frame {
    const TDatBlock* block;
    size_t nextChild;
  };
  enter(*this);
  std::vector<Frame> stack{{this, 0}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.nextChild < top.block->Blocks.size()) {
      const TDatBlock* child = top.block->Blocks[top.nextChild++].get();
      enter(*child);
      stack.push_back({child, 0});
    } else {
      leave(*top.block);
      stack.pop_back();
    }
  }
}

void TDat::LoadFromFile(const std::string& path) {
  std::string bytes = ReadWholeFile(path);
  ParseLines(*this, SplitFileLines(bytes));
}

void TDat::LoadFromText(std::string_view text) {
  ParseLines(*this, SplitPackageLines(text));
}

std::string TDat::ToText() const {
  std::string out;
  WalkDepthFirst([this, &out](const TDatBlock& block) { WriteHead(out, block, &block == this); },
                 [this, &out](const TDatBlock& block) { WriteTail(out, block, &block == this); });
  return out;
}

void TDat::SaveToFile(const std::string& path) const {
  WriteFileAtomic(path, ToText());
}

std::string TDat::ParamsText() const {
  std::string out;
  for (const auto& param : Params)
    AppendLine(out, param->Name + " = " + QuotedValue(param->Value));
  for (const auto& block : Blocks) {
    if (!block->IsText) continue;
    AppendTag(out, *block, false);
    for (const std::string& line : block->Lines)
      AppendLine(out, line);
    AppendTag(out, *block, true);
  }
  return out;
}

void TDat::SaveParamsToFile(const std::string& path) const {
  WriteFileAtomic(path, ParamsText());
}
