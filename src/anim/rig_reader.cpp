// ".RGS" files: a first line "RigSprite", then lines of key "=" value. Until the first
// "Sprite" line the keys set the root; each "Sprite" line starts a new part that the
// following keys set. "Frames" and the eight key-list keys give a count of lines that
// follow and belong to them. Parent links are made after the whole file is read, because
// a part may name a parent that comes later.
#include "anim/rig_reader.h"

#include <optional>
#include <string_view>
#include <utility>

#include "anim/anim_files.h"
#include "anim/anim_play.h"
#include "anim/anim_text.h"
#include "data/ascii_case.h"
#include "data/real_text.h"

namespace {

constexpr std::string_view kMagic = "RigSprite";

// key "=" value: the key is everything before the first "=", the value everything after
// it with every further "=" dropped. Nothing is trimmed.
std::pair<std::string, std::string> SplitKeyValue(const std::string& line) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return {line, ""};
  std::string value;
  for (char c : std::string_view(line).substr(eq + 1))
    if (c != '=') value += c;
  return {line.substr(0, eq), value};
}

// "1", or "TRUE" in any letter case; anything else ("yes" too) is false.
bool ReadFlag(const std::string& value) {
  if (value == "1") return true;
  return UpperAscii(value) == "TRUE";
}

// The text up to the next blank, and the rest after it.
std::string_view NextField(std::string_view& rest) {
  size_t blank = rest.find(' ');
  std::string_view field = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  return field;
}

// Codes the format does not define play as splines, so they are kept as one.
uint8_t KeyType(std::string_view text) {
  std::optional<int32_t> code = TextToInteger(text);
  return code && (*code == 0 || *code == 1) ? uint8_t(*code) : uint8_t(2);
}

// The outline through the engine's tessellator; texture coordinates need the texture's
// size, so without a texture they stay 0 (such a part is never drawn).
void Triangulate(RigFrame& frame, const Texture* tex) {
  tess_Triangulate(frame.Points.data(), 0, int(frame.Points.size()) - 1);
  frame.Triangles = tess_GetData();
  frame.Transformed = frame.Triangles;
  frame.TexCoords.assign(frame.Triangles.size(), Point2D{});
  if (!tex || tex->Width <= 0 || tex->Height <= 0) return;
  for (size_t i = 0; i < frame.Triangles.size(); ++i) {
    const Point2D& p = frame.Triangles[i];
    frame.TexCoords[i] = {p.X * tex->U / float(tex->Width),
                          tex->V - p.Y * tex->V / float(tex->Height)};
  }
}

struct RealField {
  std::string_view key;
  float RigPart::*field;
};
constexpr RealField kRealFields[] = {
    {"X", &RigPart::X},           {"Y", &RigPart::Y},           {"Angle", &RigPart::Angle},
    {"ScaleX", &RigPart::ScaleX}, {"ScaleY", &RigPart::ScaleY}, {"Frame", &RigPart::Frame},
    {"Speed", &RigPart::Speed},
};

struct FlagField {
  std::string_view key;
  bool RigPart::*field;
};
constexpr FlagField kFlagFields[] = {
    {"FlipX", &RigPart::FlipX},       {"FlipY", &RigPart::FlipY},
    {"Visible", &RigPart::Visible},   {"InheritVis", &RigPart::InheritVis},
    {"Animated", &RigPart::Animated},
};

struct KeyListField {
  std::string_view key;
  RigKeyList RigPart::*field;
};
constexpr KeyListField kKeyLists[] = {
    {"PosKeys", &RigPart::PosKeys}, {"AngKeys", &RigPart::AngKeys}, {"SclKeys", &RigPart::SclKeys},
    {"FlXKeys", &RigPart::FlXKeys}, {"FlYKeys", &RigPart::FlYKeys}, {"VisKeys", &RigPart::VisKeys},
    {"FrmKeys", &RigPart::FrmKeys}, {"AnmKeys", &RigPart::AnmKeys},
};

class RigReader {
 public:
  RigReader(const std::vector<std::string>& lines, const AnimFolder& folder,
            const std::string& sourceName)
      : lines_(lines), folder_(folder), source_(sourceName) {}

  std::unique_ptr<RigPart> Read();

 private:
  // The next line, or nothing at the end: counts from the file are cut there.
  const std::string* NextLine();
  [[noreturn]] void Fail(const std::string& what) const;
  int32_t Whole(std::string_view text) const;

  void RootKey(const std::string& key, const std::string& value);
  RigPart& StartPart();
  void PartKey(RigPart& part, const std::string& key, const std::string& value);
  void ReadCountedLines(RigPart& part, const std::string& key, const std::string& value);
  void SetTexture(RigPart& part, const std::string& value);
  void ReadFrames(RigPart& part, int32_t count);
  RigFrame ReadFrame(const RigPart& part);
  RigKeyList ReadKeys(int32_t count);
  void LinkParents();

  const std::vector<std::string>& lines_;
  const AnimFolder& folder_;
  const std::string& source_;
  size_t next_ = 0;  // index of the next line; the line number of the last one read
  std::unique_ptr<RigPart> root_ = std::make_unique<RigPart>();
  std::vector<std::pair<int32_t, int32_t>> parentLinks_;  // (part's ID then, parent ID)
};

const std::string* RigReader::NextLine() {
  return next_ < lines_.size() ? &lines_[next_++] : nullptr;
}

void RigReader::Fail(const std::string& what) const {
  throw AnimError(what + " (\"" + source_ + "\", line " + std::to_string(next_) + ")");
}

// A whole number the file must give; the load ends when it cannot be read.
int32_t RigReader::Whole(std::string_view text) const {
  std::optional<int32_t> value = TextToInteger(text);
  if (!value) Fail("'" + std::string(text) + "' is not a valid integer value");
  return *value;
}

std::unique_ptr<RigPart> RigReader::Read() {
  const std::string* magic = NextLine();
  if (!magic || *magic != kMagic) return std::move(root_);
  RigPart* part = nullptr;
  while (const std::string* line = NextLine()) {
    auto [key, value] = SplitKeyValue(*line);
    if (key == "Sprite") {
      part = &StartPart();
    } else if (part) {
      PartKey(*part, key, value);
    } else {
      RootKey(key, value);
    }
  }
  LinkParents();
  EvaluateRig(*root_, RigMatrix{}, root_->Frame);
  return std::move(root_);
}

void RigReader::RootKey(const std::string& key, const std::string& value) {
  if (key == "Frame") root_->Frame = ReadReal(value);
  if (key == "StartFrame") root_->StartFrame = Whole(value);
  if (key == "EndFrame") root_->EndFrame = Whole(value);
  if (key == "FPS") root_->FPS = Whole(value);
}

RigPart& RigReader::StartPart() {
  if (root_->Parts.size() >= size_t(kMaxRigParts))
    Fail("More than " + std::to_string(kMaxRigParts) + " parts");
  return AddRigPart(*root_);
}

void RigReader::PartKey(RigPart& part, const std::string& key, const std::string& value) {
  for (const RealField& f : kRealFields)
    if (key == f.key) part.*f.field = ReadReal(value);
  for (const FlagField& f : kFlagFields)
    if (key == f.key) part.*f.field = ReadFlag(value);
  if (key == "Name") part.Name = value;
  if (key == "ID") part.ID = uint16_t(Whole(value));  // the format keeps 16 bits
  if (key == "FPS") part.FPS = Whole(value);
  if (key == "Texture") SetTexture(part, value);
  if (key == "ParentID") {
    if (parentLinks_.size() >= size_t(kMaxRigParts))
      Fail("More than " + std::to_string(kMaxRigParts) + " parent links");
    parentLinks_.emplace_back(part.ID, Whole(value));
  }
  ReadCountedLines(part, key, value);
}

void RigReader::ReadCountedLines(RigPart& part, const std::string& key, const std::string& value) {
  if (key == "Frames") ReadFrames(part, Whole(value));
  for (const KeyListField& f : kKeyLists)
    if (key == f.key) part.*f.field = ReadKeys(Whole(value));
}

void RigReader::SetTexture(RigPart& part, const std::string& value) {
  std::string path = folder_.PathOf(value);
  part.Texture = RigTextureFor(folder_.KeyOf(path), path, [&] { return folder_.Load(path); });
}

// A later "Frames" line replaces the frames of an earlier one, as key lists do.
void RigReader::ReadFrames(RigPart& part, int32_t count) {
  part.Frames.clear();
  for (int32_t i = 0; i < count && next_ < lines_.size(); ++i)
    part.Frames.push_back(ReadFrame(part));
}

// cx, cy, the point count P, then P lines "x y". The part's texture at this moment gives
// the texture coordinates.
RigFrame RigReader::ReadFrame(const RigPart& part) {
  RigFrame frame;
  const std::string* line = NextLine();
  frame.cx = line ? ReadReal(*line) : 0;
  line = NextLine();
  frame.cy = line ? ReadReal(*line) : 0;
  line = NextLine();
  int32_t count = line ? Whole(*line) : 0;
  for (int32_t i = 0; i < count && (line = NextLine()); ++i) {
    std::string_view rest = *line;
    float x = ReadReal(NextField(rest));
    frame.Points.push_back({x, ReadReal(rest)});
  }
  Triangulate(frame, part.Texture ? part.Texture->Tex : nullptr);
  return frame;
}

// Lines "frame type value1 [value2]", fields separated by single blanks; value2 is the
// rest of the line.
RigKeyList RigReader::ReadKeys(int32_t count) {
  RigKeyList keys;
  const std::string* line = nullptr;
  for (int32_t i = 0; i < count && (line = NextLine()); ++i) {
    std::string_view rest = *line;
    RigKey key;
    key.Frame = Whole(NextField(rest));
    key.Type = KeyType(NextField(rest));
    key.Value1 = ReadReal(NextField(rest));
    key.Value2 = ReadReal(rest);
    keys.push_back(key);
  }
  return keys;
}

// In file order: the first part (depth first) with the remembered ID becomes the last
// child of the first part with the parent ID. A link to a missing part, or one that would
// make a part its own ancestor, is skipped.
void RigReader::LinkParents() {
  for (auto [id, parentId] : parentLinks_) {
    RigPart* part = FindRigPart(*root_, id);
    RigPart* parent = part ? FindRigPart(*root_, parentId) : nullptr;
    if (parent) SetRigParent(*part, *parent);
  }
}

}  // namespace

std::unique_ptr<RigPart> ReadRig(const std::vector<std::string>& lines, const AnimFolder& folder,
                                 const std::string& sourceName) {
  return RigReader(lines, folder, sourceName).Read();
}
