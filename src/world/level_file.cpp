#include "world/level_file.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "data/ascii_case.h"
#include "data/dat_file.h"
#include "data/real_text.h"
#include "data/zip_file.h"
#include "platform/engine.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/level.h"
#include "world/pattern.h"
#include "world/poly.h"
#include "world/top_ten.h"
#include "world/world_messages.h"

namespace {

constexpr float kHalfScreenWidth = ScreenWidth / 2.0f;
constexpr float kHalfScreenHeight = ScreenHeight / 2.0f;

std::unique_ptr<TZipFile> currentPackage;

// ---------------------------------------------------------------------------------------
// Writing: every parameter is a ready-made line, in the order the game has always used.

std::string Line(std::string_view key, std::string_view value) {
  std::string line(key);
  line += " = ";
  line += value;
  return line;
}

void WriteScript(TDatBlock& parent, const char* name, const TScriptRecord& script) {
  if (script.Source.empty()) return;
  TDatBlock* block = parent.AddBlock(name);
  block->IsText = true;
  for (const std::string& line : script.Lines)
    block->AddLine(line);
}

const char* PolyTypeName(uint8_t type) {
  if (type == ptDynamic) return "Dynamic";
  if (type == ptDecor) return "Decor";
  return "Static";
}

// An element without a pattern (a polygon or circle whose file was missing when the level
// was loaded) is written with an empty file name.
template <class Pattern>
std::string FileNameOf(const Pattern* pattern) {
  return pattern ? pattern->FileName : "";
}

void WritePolyLook(TDatBlock& block, const TPoly& poly) {
  block.AddLine(Line("Type", PolyTypeName(poly.Type)));
  block.AddLine(Line("TexX", FloatToText(poly.TexX)));
  block.AddLine(Line("TexY", FloatToText(poly.TexY)));
  if (!poly.Visible) block.AddLine("Visible = False");
}

void WritePosition(TDatBlock& block, float x, float y) {
  block.AddLine(Line("X", FloatToText(x)));
  block.AddLine(Line("Y", FloatToText(y)));
}

// The block of an element, with the lines that every kind except joints begins with.
TDatBlock* BeginElement(TDatBlock& layer, const char* name, const TElement& e,
                        const std::string* fileName) {
  TDatBlock* block = layer.AddBlock(name);
  if (fileName) block->AddLine(Line("FileName", QuotedValue(*fileName)));
  block->AddLine(Line("ID", std::to_string(e.ID)));
  if (e.LinkID != 0) block->AddLine(Line("LinkID", std::to_string(e.LinkID)));
  return block;
}

// A polygon whose pattern is missing keeps the name the level gave it.
std::string PolyFileName(const TPoly& poly) {
  return poly.Pattern ? poly.Pattern->FileName : poly.PatternFileName;
}

void WritePoly(TDatBlock& layer, const TElement& e, const TPoly& poly) {
  std::string fileName = PolyFileName(poly);
  TDatBlock* block = BeginElement(layer, "Polygon", e, &fileName);
  WritePolyLook(*block, poly);
  TDatBlock* vertices = block->AddBlock("Vertices");
  vertices->IsText = true;
  for (const TPolyVertex& v : poly.Vertices)
    vertices->AddLine(FloatToText(v.X) + " " + FloatToText(v.Y));
}

void WriteCircle(TDatBlock& layer, const TElement& e, const TCircle& circle) {
  std::string fileName = PolyFileName(*circle.Poly);
  TDatBlock* block = BeginElement(layer, "Circle", e, &fileName);
  WritePolyLook(*block, *circle.Poly);
  block->AddLine(Line("v1x", FloatToText(circle.X)));
  block->AddLine(Line("v1y", FloatToText(circle.Y)));
  block->AddLine(Line("v2x", FloatToText(circle.RimX)));
  block->AddLine(Line("v2y", FloatToText(circle.RimY)));
}

void WriteSprite(TDatBlock& layer, const TElement& e, const TSprite& sprite) {
  std::string fileName = FileNameOf(sprite.Pattern);
  TDatBlock* block = BeginElement(layer, "Sprite", e, &fileName);
  WritePosition(*block, sprite.X, sprite.Y);
  if (!sprite.Visible) block->AddLine("Visible = False");
  if (!sprite.Animated) block->AddLine("Animated = False");
}

void WriteCreature(TDatBlock& layer, const TElement& e, const TCreature& creature) {
  std::string fileName = FileNameOf(creature.Pattern);
  TDatBlock* block = BeginElement(layer, "Creature", e, &fileName);
  WritePosition(*block, creature.X, creature.Y);
}

void WriteObj(TDatBlock& layer, const TElement& e, const TObj& obj) {
  std::string fileName = FileNameOf(obj.Pattern);
  TDatBlock* block = BeginElement(layer, "Object", e, &fileName);
  WritePosition(*block, obj.X, obj.Y);
  WriteScript(*block, "TouchScript", obj.TouchScript);
}

void WriteJoint(TDatBlock& layer, const TElement& e, const TJoint& joint) {
  TDatBlock* block = BeginElement(layer, "Joint", e, nullptr);
  WritePosition(*block, joint.X, joint.Y);
  block->AddLine(Line("E1ID", std::to_string(joint.E1ID)));
  block->AddLine(Line("E2ID", std::to_string(joint.E2ID)));
}

void WriteElement(TDatBlock& layer, const TElement& e) {
  if (const TPoly* poly = e.As<TPoly>()) return WritePoly(layer, e, *poly);
  if (const TCircle* circle = e.As<TCircle>()) return WriteCircle(layer, e, *circle);
  if (const TSprite* sprite = e.As<TSprite>()) return WriteSprite(layer, e, *sprite);
  if (const TCreature* creature = e.As<TCreature>()) return WriteCreature(layer, e, *creature);
  if (const TObj* obj = e.As<TObj>()) return WriteObj(layer, e, *obj);
  if (const TJoint* joint = e.As<TJoint>()) return WriteJoint(layer, e, *joint);
}

void WriteLayer(TDatBlock& root, const TLayer& layer) {
  TDatBlock* block = root.AddBlock("Layer");
  if (!layer.Name.empty()) block->AddLine(Line("Name", QuotedValue(layer.Name)));
  if (!layer.Visible) block->AddLine("Visible = False");
  for (const auto& e : layer.Elements)
    WriteElement(*block, *e);
}

// Entries from the best down, ending at the first empty one.
void WriteTopTen(TDatBlock& root) {
  if (TopTen.Time[0] == 0) return;
  TDatBlock* block = root.AddBlock("TopTen");
  block->IsText = true;
  for (size_t i = 0; i < TopTen.Time.size() && TopTen.Time[i] != 0; ++i)
    block->AddLine(std::to_string(TopTen.Time[i]) + " " + TopTen.Name[i]);
}

// The file keeps the view centre, the camera its top-left corner.
void WriteHead(TDatBlock& root, const TLevel& level) {
  root.AddLine("Type = Level");
  root.AddLine(Line("CamX", FloatToText(level.InitCamera.X + kHalfScreenWidth)));
  root.AddLine(Line("CamY", FloatToText(level.InitCamera.Y + kHalfScreenHeight)));
  root.AddLine(Line("CamZoom", FloatToText(level.InitCamera.Zoom)));
  if (level.Checksum != 0) root.AddLine(Line("Checksum", std::to_string(level.Checksum)));
}

// ---------------------------------------------------------------------------------------
// Reading

// The pattern of that type and file name, or nullptr after reporting it as missing. An
// empty file name is quietly none.
template <class Pattern>
Pattern* FindElementPattern(const char* typeName, const std::string& fileName) {
  if (auto* pattern = dynamic_cast<Pattern*>(FindPattern(typeName, fileName))) return pattern;
  if (!fileName.empty()) WorldMessage("File Not Found: " + fileName);
  return nullptr;
}

std::string FileNameParam(const TDatBlock& block) {
  return block.Param("FileName").AsString("");
}

uint8_t PolyTypeOf(const std::string& name) {
  if (name == "Dynamic") return ptDynamic;
  if (name == "Decor") return ptDecor;
  return ptStatic;
}

// A Vertices line splits at every single blank; fields 1 and 2 are x and y. A line
// whose first or second field is empty adds nothing, and a field that is not a number
// counts as 0 (so no vertex is ever NaN or infinite).
void ReadVertexLine(TPoly& poly, std::string_view line) {
  size_t first = line.find(' ');
  if (first == 0 || first == std::string_view::npos) return;
  std::string_view x = line.substr(0, first);
  std::string_view rest = line.substr(first + 1);
  std::string_view y = rest.substr(0, rest.find(' '));
  if (y.empty()) return;
  poly.AddVertex(TextToFloat(x).value_or(0.0f), TextToFloat(y).value_or(0.0f));
}

void ReadPolyLook(TPoly& poly, const TDatBlock& block) {
  poly.PatternFileName = FileNameParam(block);
  poly.SetPattern(FindElementPattern<TPolyPat>("Polygon", poly.PatternFileName));
  poly.Type = PolyTypeOf(block.Param("Type").AsString(""));
  poly.TexX = block.Param("TexX").AsFloat(0);
  poly.TexY = block.Param("TexY").AsFloat(0);
  poly.Visible = block.Param("Visible").AsBool(true);
}

// Polygons and circles stay in the level without a pattern; the other kinds need one.
std::unique_ptr<TGameObject> ReadPoly(const TDatBlock& block) {
  auto poly = std::make_unique<TPoly>();
  ReadPolyLook(*poly, block);
  if (const TDatBlock* vertices = block.FindBlock("Vertices")) {
    for (const std::string& line : vertices->Lines)
      ReadVertexLine(*poly, line);
  }
  poly->Tessellate();
  return poly;
}

float Coordinate(const TDatBlock& block, const char* key) {
  return block.Param(key).AsFloat(0);
}

// Two far-apart points give a distance beyond the single range; such a circle is kept
// with radius 0 rather than with infinite or NaN vertices.
std::unique_ptr<TGameObject> ReadCircle(const TDatBlock& block) {
  float x = Coordinate(block, "v1x"), y = Coordinate(block, "v1y");
  float radius = m_Distance(x, y, Coordinate(block, "v2x"), Coordinate(block, "v2y"));
  if (!std::isfinite(radius)) radius = 0;
  auto circle = std::make_unique<TCircle>(x, y, radius);
  ReadPolyLook(*circle->Poly, block);
  circle->Poly->Tessellate();
  return circle;
}

std::unique_ptr<TGameObject> ReadSprite(const TDatBlock& block) {
  auto* pattern = FindElementPattern<TSpritePat>("Sprite", FileNameParam(block));
  if (!pattern) return nullptr;
  auto sprite = std::make_unique<TSprite>();
  sprite->SetPattern(pattern);
  sprite->X = Coordinate(block, "X");
  sprite->Y = Coordinate(block, "Y");
  sprite->Visible = block.Param("Visible").AsBool(true);
  sprite->Animated = block.Param("Animated").AsBool(true);
  return sprite;
}

std::unique_ptr<TGameObject> ReadCreature(const TDatBlock& block) {
  auto* pattern = FindElementPattern<TCreaturePat>("Creature", FileNameParam(block));
  if (!pattern) return nullptr;
  auto creature = std::make_unique<TCreature>();
  creature->SetPattern(pattern);
  creature->X = Coordinate(block, "X");
  creature->Y = Coordinate(block, "Y");
  return creature;
}

std::unique_ptr<TGameObject> ReadObj(const TDatBlock& block) {
  auto* pattern = FindElementPattern<TObjPat>("Object", FileNameParam(block));
  if (!pattern) return nullptr;
  auto obj = std::make_unique<TObj>();
  obj->SetPattern(pattern);
  obj->X = Coordinate(block, "X");
  obj->Y = Coordinate(block, "Y");
  if (const TDatBlock* script = block.FindBlock("TouchScript"))
    obj->TouchScript.SetLines(script->Lines);
  return obj;
}

std::unique_ptr<TGameObject> ReadJoint(const TDatBlock& block) {
  auto joint = std::make_unique<TJoint>();
  joint->X = Coordinate(block, "X");
  joint->Y = Coordinate(block, "Y");
  joint->E1ID = block.Param("E1ID").AsInteger(0);
  joint->E2ID = block.Param("E2ID").AsInteger(0);
  return joint;
}

struct ElementReader {
  const char* blockName;  // compared with letter case
  std::unique_ptr<TGameObject> (*read)(const TDatBlock& block);
};

constexpr ElementReader kElementReaders[] = {
    {"Polygon", ReadPoly}, {"Circle", ReadCircle}, {"Sprite", ReadSprite},
    {"Creature", ReadCreature}, {"Object", ReadObj}, {"Joint", ReadJoint},
};

void ReadElement(TLayer& layer, const TDatBlock& block) {
  for (const ElementReader& reader : kElementReaders) {
    if (block.Name != reader.blockName) continue;
    std::unique_ptr<TGameObject> obj = reader.read(block);
    if (!obj) return;
    TElement* e = layer.AddElement(std::move(obj), block.Param("ID").AsInteger(0));
    e->LinkID = block.Param("LinkID").AsInteger(0);
    return;
  }
}

void ReadLayer(TLevel& level, const TDatBlock& block) {
  TLayer* layer = level.AddLayer(block.Param("Name").AsString(""));
  layer->Visible = block.Param("Visible").AsBool(true);
  for (const auto& child : block.Blocks)
    ReadElement(*layer, *child);
}

void ReadScript(const TDat& dat, const char* name, TScriptRecord& script) {
  if (const TDatBlock* block = dat.FindBlock(name)) script.SetLines(block->Lines);
}

void ReadHead(TLevel& level, const TDat& dat) {
  level.InitCamera.X = dat.Param("CamX").AsFloat(0) - kHalfScreenWidth;
  level.InitCamera.Y = dat.Param("CamY").AsFloat(0) - kHalfScreenHeight;
  level.InitCamera.Zoom = dat.Param("CamZoom").AsFloat(1.0f);
  level.Checksum = static_cast<uint16_t>(dat.Param("Checksum").AsInteger(0) & 0xFFFF);
}

// A top-ten time: a decimal integer in hundredths, small enough that BestTime (ten times
// the first) still fits in 32 bits.
std::optional<int32_t> TopTenTime(std::string_view text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  if (value < 0 || value > INT32_MAX / 10) return std::nullopt;
  return value;
}

// Up to ten lines "time name"; the name is everything after the first blank.
TTopTen ReadTopTen(const TDat& dat) {
  TTopTen table;
  table.Clear();
  const TDatBlock* block = dat.FindBlock("TopTen");
  if (!block) return table;
  for (size_t i = 0; i < block->Lines.size() && i < table.Time.size(); ++i) {
    const std::string& line = block->Lines[i];
    size_t blank = line.find(' ');
    std::string_view time = std::string_view(line).substr(0, blank);
    std::optional<int32_t> value = TopTenTime(time);
    if (!value || blank == std::string::npos)
      throw EConvertError("'" + std::string(time) +
                          "' is not a valid integer value (top ten line " + std::to_string(i + 1) +
                          ": \"" + line + "\")");
    table.Time[i] = *value;
    table.Name[i] = line.substr(blank + 1);
  }
  return table;
}

int LevelMemberIndex(const TZipFile& package) {
  for (int i = 0; i < package.Count(); ++i) {
    if (IsLevelFileName(package.Name(i))) return i;
  }
  return -1;
}

}  // namespace

bool IsLevelFileName(const std::string& name) {
  return UpperAscii(file_GetExtension(name)) == "VLE";
}

void SaveLevel(const TLevel& level, const std::string& fileName, TDat* target) {
  TDat own;
  TDat& dat = target ? *target : own;
  WriteHead(dat, level);
  WriteScript(dat, "StartScript", level.StartScript);
  WriteScript(dat, "UpdateScript", level.UpdateScript);
  for (const auto& layer : level.Layers)
    WriteLayer(dat, *layer);
  WriteTopTen(dat);
  if (!target) dat.SaveToFile(fileName);
}

// The top ten is read first, so that a bad time leaves the level and the table as they
// were instead of half loaded.
bool LoadLevel(TLevel& level, const std::string& fileName, std::unique_ptr<TDat> source) {
  if (!source) {
    source = std::make_unique<TDat>();
    source->LoadFromFile(fileName);
  }
  const TDat& dat = *source;
  if (dat.Param("Type").AsString("") != "Level") {
    FreeLevelPackage();
    return false;
  }
  TTopTen table = ReadTopTen(dat);
  ReadHead(level, dat);
  ReadScript(dat, "StartScript", level.StartScript);
  ReadScript(dat, "UpdateScript", level.UpdateScript);
  for (const auto& block : dat.Blocks) {
    if (block->Name == "Layer") ReadLayer(level, *block);
  }
  TopTen = table;
  BestTime = TopTen.Time[0] * 10;
  return true;
}

bool LoadLevelPackage(TLevel& level, const std::string& fileName) {
  FreeLevelPackage();
  auto package = std::make_unique<TZipFile>();
  package->LoadFromFile(fileName);
  currentPackage = std::move(package);
  LoadPackagePatterns(*currentPackage);
  int index = LevelMemberIndex(*currentPackage);
  if (index < 0) throw ZipError("No level file in \"" + fileName + "\".");
  auto dat = std::make_unique<TDat>();
  dat->LoadFromText(currentPackage->Data(index));
  return LoadLevel(level, fileName, std::move(dat));
}

void SaveLevelPackage(const TLevel& level, const std::string& fileName) {
  if (!currentPackage) return;
  int index = LevelMemberIndex(*currentPackage);
  if (index < 0) return;
  TDat dat;
  SaveLevel(level, fileName, &dat);
  currentPackage->SetData(index, dat.ToText());
  currentPackage->SaveToFile(fileName);
}

TZipFile* CurrentPackage() {
  return currentPackage.get();
}

void FreeLevelPackage() {
  FreePatternList(PackagePatterns);
  currentPackage.reset();
}
