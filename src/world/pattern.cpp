// Pattern lists, pattern descriptions, and the patterns made straight from image and
// animation files on disk and in level packages.
#include "world/pattern.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "anim/anim_files.h"
#include "anim/anim_play.h"
#include "anim/disk_path.h"
#include "data/ascii_case.h"
#include "data/dat_file.h"
#include "data/file_io.h"
#include "data/zip_file.h"
#include "world/world_messages.h"

namespace fs = std::filesystem;

TPatternList GlobalPatterns;
TPatternList PackagePatterns;

namespace {

constexpr float kDefaultAnimSpeed = 0.024f;

std::string UpperExtension(const std::string& name) {
  return UpperAscii(file_GetExtension(name));
}

bool HasExtension(const std::string& name, std::initializer_list<const char*> upperExtensions) {
  std::string extension = UpperExtension(name);
  for (const char* wanted : upperExtensions)
    if (extension == wanted) return true;
  return false;
}

bool IsImageFile(const std::string& name) {
  return HasExtension(name, {"PNG", "TGA", "JPG"});
}

bool IsAnimationFile(const std::string& name) {
  return HasExtension(name, {"SPR", "RGS"});
}

// The naming fields. FileName is cut at "/" as well as at "\" and ":", since package
// members made by the standard zip use "/".
void SetNames(TPattern& pattern, const std::string& path, const std::string& typeName) {
  size_t cut = path.find_last_of("\\/:");
  pattern.FileName = cut == std::string::npos ? path : path.substr(cut + 1);
  pattern.Name = file_GetName(pattern.FileName);
  pattern.UpperName = UpperAscii(pattern.Name);
  pattern.Path = path;
  pattern.TypeName = typeName;
}

// Where the files a description names are: its own folder on disk, or its folder in the
// package.
struct DescriptionPlace {
  const TZipFile* package = nullptr;  // nullptr: on disk
  std::string folder;                 // with its final separator; may be empty
};

Texture* TextureFromMember(const TZipFile& package, int index, uint32_t flags) {
  std::string bytes = package.Data(index);
  return tex_LoadFromMemory(bytes.data(), bytes.size(), UpperExtension(package.Name(index)),
                            TEX_NO_COLORKEY, flags);
}

// The polygon texture the description names; nullptr when there is no such file.
Texture* LoadPolygonTexture(const DescriptionPlace& place, const std::string& name) {
  if (name.empty()) return nullptr;
  if (place.package) {
    int index = place.package->IndexOf(place.folder + name);
    return index < 0 ? nullptr : TextureFromMember(*place.package, index, TEX_POLYGON_FILL);
  }
  std::string path = FindDiskFile(place.folder + name);
  return IsRegularFile(path) ? tex_LoadFromFile(path, TEX_NO_COLORKEY, TEX_POLYGON_FILL) : nullptr;
}

// The animation the description names; spr stays empty when there is no such file.
void LoadNamedAnim(const DescriptionPlace& place, const std::string& name, TSpr& spr) {
  if (name.empty()) return;
  if (place.package) {
    std::string member = place.folder + name;
    if (place.package->IndexOf(member) >= 0) LoadAnimFromPackage(spr, *place.package, member);
    return;
  }
  std::string path = FindDiskFile(place.folder + name);
  if (IsRegularFile(path)) LoadAnimFile(spr, path);
}

// The animation of a sprite or object description with its speed and frame strip.
// SetGridFrames stops at the frames DrawAnim can reach, so an absurd FramesCount costs
// no more than that.
void LoadDescribedAnim(const TDat& dat, const DescriptionPlace& place, TSpr& spr,
                       float& animSpeed) {
  std::string file = dat.Param("Sprite").AsString("");
  if (file.empty()) file = dat.Param("Texture").AsString("");
  LoadNamedAnim(place, file, spr);
  animSpeed = dat.Param("AnimSpeed").AsFloat(kDefaultAnimSpeed);
  int w = dat.Param("FrameWidth").AsInteger(0);
  int h = dat.Param("FrameHeight").AsInteger(0);
  int n = dat.Param("FramesCount").AsInteger(0);
  if (w >= 1 && h >= 1 && n >= 1) SetGridFrames(spr, w, h, n);
}

std::unique_ptr<TPattern> MakePolyPat(const TDat& dat, const DescriptionPlace& place) {
  auto pattern = std::make_unique<TPolyPat>();
  pattern->Tex = LoadPolygonTexture(place, dat.Param("Texture").AsString(""));
  pattern->TexScaleX = dat.Param("TexScaleX").AsFloat(1);
  pattern->TexScaleY = dat.Param("TexScaleY").AsFloat(1);
  return pattern;
}

std::unique_ptr<TPattern> MakeSpritePat(const TDat& dat, const DescriptionPlace& place) {
  auto pattern = std::make_unique<TSpritePat>();
  LoadDescribedAnim(dat, place, pattern->Anim, pattern->AnimSpeed);
  return pattern;
}

// The measures come through AsFloat, which reads only finite numbers: "nan", "inf" and
// values beyond single precision keep the defaults.
std::unique_ptr<TPattern> MakeCreaturePat(const TDat& dat, const DescriptionPlace& place) {
  auto pattern = std::make_unique<TCreaturePat>();
  LoadNamedAnim(place, dat.Param("StandSpr").AsString(""), pattern->StandAnim);
  LoadNamedAnim(place, dat.Param("WalkSpr").AsString(""), pattern->WalkAnim);
  pattern->LegsY = dat.Param("LegsY").AsFloat(pattern->LegsY);
  pattern->HeadY = dat.Param("HeadY").AsFloat(pattern->HeadY);
  pattern->Radius = dat.Param("Radius").AsFloat(pattern->Radius);
  pattern->Mass = dat.Param("Mass").AsFloat(pattern->Mass);
  return pattern;
}

std::unique_ptr<TPattern> MakeObjPat(const TDat& dat, const DescriptionPlace& place) {
  auto pattern = std::make_unique<TObjPat>();
  LoadDescribedAnim(dat, place, pattern->Anim, pattern->AnimSpeed);
  if (const TDatBlock* script = dat.FindBlock("TouchScript"))
    pattern->TouchScript.SetLines(script->Lines);
  return pattern;
}

// The pattern a description makes; nullptr for a Type other than the four.
std::unique_ptr<TPattern> MakeDescribedPattern(const TDat& dat, const DescriptionPlace& place,
                                               const std::string& type) {
  if (type == "Polygon") return MakePolyPat(dat, place);
  if (type == "Sprite") return MakeSpritePat(dat, place);
  if (type == "Creature") return MakeCreaturePat(dat, place);
  if (type == "Object") return MakeObjPat(dat, place);
  return nullptr;
}

// The entries of a folder, files and subfolders together, sorted by the bytes of their
// names ("B" before "a"), so that which of two same-named patterns wins is the same on
// every machine; the file system's own order is not. None when the folder is missing or
// unreadable.
std::vector<fs::directory_entry> SortedEntries(const fs::path& folder) {
  std::vector<fs::directory_entry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(*it);
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return a.path().filename().native() < b.path().filename().native();
  });
  return entries;
}

// The names of the entries directly in a folder that are files (symbolic links
// followed), in the order of SortedEntries.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : SortedEntries(folder)) {
    std::error_code typeError;
    if (entry.is_regular_file(typeError)) names.push_back(entry.path().filename().string());
  }
  return names;
}

// A disk file the game cannot use is left out, so that one bad file in "Data" does not
// stop the program from starting; the player is told which.
template <typename Load>
void SkippingBadFiles(Load load) {
  try {
    load();
  } catch (const GameError& e) {
    WorldMessage(e.what());
  }
}

// An object pattern's touch script is compiled once, as the pattern loads; its program and
// globals then live as long as the pattern.
void CompileTouchScript(TPattern& pattern) {
  auto* obj = dynamic_cast<TObjPat*>(&pattern);
  if (obj && !CompileRecord(obj->TouchScript))
    WorldMessage("Object \"" + obj->Name + "\" Script Error");
}

void AddGlobalPolyPat(const std::string& path) {
  auto pattern = std::make_unique<TPolyPat>();
  SetNames(*pattern, path, "Polygon");
  pattern->Tex = tex_LoadFromFile(path, TEX_NO_COLORKEY, TEX_POLYGON_FILL);
  GlobalPatterns.AddFront(std::move(pattern));
}

void AddGlobalSpritePat(const std::string& path, float animSpeed) {
  SkippingBadFiles([&] {
    auto pattern = std::make_unique<TSpritePat>();
    SetNames(*pattern, path, "Sprite");
    LoadAnimFile(pattern->Anim, path);
    pattern->AnimSpeed = animSpeed;
    GlobalPatterns.AddFront(std::move(pattern));
  });
}

void LoadSpriteFolder(const std::string& folder) {
  std::vector<std::string> files = FilesIn(folder);
  for (const std::string& file : files)
    if (IsAnimationFile(file) && !GlobalPatterns.FindByName("Sprite", file_GetName(file)))
      AddGlobalSpritePat(folder + file, kDefaultAnimSpeed);
  for (const std::string& file : files)
    if (IsImageFile(file) && !GlobalPatterns.FindByName("Sprite", file_GetName(file)))
      AddGlobalSpritePat(folder + file, 0);
}

// Depth first in the order of SortedEntries; a later description of the same type and
// file name comes first in the list and so wins. Symbolic links to folders are not
// followed, so a link back up cannot loop forever. Only regular files are read: a pipe
// named "x.dat" would block the start.
void LoadDescriptionsBelow(const fs::path& folder) {
  for (const fs::directory_entry& entry : SortedEntries(folder)) {
    std::error_code typeError;
    if (entry.is_directory(typeError)) {
      if (!entry.is_symlink(typeError)) LoadDescriptionsBelow(entry.path());
    } else if (entry.is_regular_file(typeError) && UpperExtension(entry.path().string()) == "DAT") {
      SkippingBadFiles([&] { LoadPattern(entry.path().string(), nullptr, -1); });
    }
  }
}

// The members directly in the package folder (either separator, exact letter case) whose
// extension fits, in member order, each made into a pattern unless the package already
// has one of this type and name.
template <typename Make>
void AddPackageFilePatterns(const TZipFile& package, std::string_view folder,
                            bool (*fits)(const std::string&), const std::string& typeName,
                            Make make) {
  for (int i = 0; i < package.Count(); ++i) {
    const std::string& member = package.Name(i);
    if (!SameMemberPath(MemberFolder(member), folder) || !fits(member)) continue;
    if (PackagePatterns.FindByName(typeName, file_GetName(member))) continue;
    std::unique_ptr<TPattern> pattern = make(i);
    SetNames(*pattern, member, typeName);
    PackagePatterns.AddFront(std::move(pattern));
  }
}

std::unique_ptr<TPattern> SpriteFromMember(const TZipFile& package, int index, float animSpeed) {
  auto pattern = std::make_unique<TSpritePat>();
  LoadAnimFromPackage(pattern->Anim, package, package.Name(index));
  pattern->AnimSpeed = animSpeed;
  return pattern;
}

}  // namespace

TPolyPat::~TPolyPat() {
  tex_Del(Tex);
}

TPattern* TPatternList::AddFront(std::unique_ptr<TPattern> pattern) {
  items_.insert(items_.begin(), std::move(pattern));
  return items_.front().get();
}

TPattern* TPatternList::Find(const std::string& typeName, const std::string& fileName) const {
  for (const std::unique_ptr<TPattern>& pattern : items_)
    if (pattern->TypeName == typeName && pattern->FileName == fileName) return pattern.get();
  return nullptr;
}

TPattern* TPatternList::FindByName(const std::string& typeName, const std::string& name) const {
  for (const std::unique_ptr<TPattern>& pattern : items_)
    if (pattern->TypeName == typeName && pattern->Name == name) return pattern.get();
  return nullptr;
}

TPattern* FindPattern(const std::string& typeName, const std::string& fileName) {
  if (TPattern* found = PackagePatterns.Find(typeName, fileName)) return found;
  return GlobalPatterns.Find(typeName, fileName);
}

TPattern* FindPatternByName(const std::string& typeName, const std::string& name) {
  if (TPattern* found = PackagePatterns.FindByName(typeName, name)) return found;
  return GlobalPatterns.FindByName(typeName, name);
}

void FreePatternList(TPatternList& list) {
  list.Clear();
}

// The pattern joins its list only once it is whole, so a file or package error on the
// way leaves no half-loaded pattern behind.
void LoadPattern(const std::string& path, const TZipFile* package, int index) {
  TDat dat;
  DescriptionPlace place;
  if (package) {
    dat.LoadFromText(package->Data(index));
    place = {package, std::string(MemberFolder(path))};
  } else {
    dat.LoadFromFile(path);
    place = {nullptr, file_GetDirectory(path)};
  }
  std::string type = dat.Param("Type").AsString("");
  std::unique_ptr<TPattern> pattern = MakeDescribedPattern(dat, place, type);
  if (!pattern) return;
  SetNames(*pattern, path, type);
  CompileTouchScript(*pattern);
  (package ? PackagePatterns : GlobalPatterns).AddFront(std::move(pattern));
}

void LoadPatternsFromFolder(const std::string& folder) {
  LoadDescriptionsBelow(folder);
}

void LoadGlobalImagePatterns(const std::string& baseDir) {
  const std::string polygons = baseDir + "Data/Polygons/";
  for (const std::string& file : FilesIn(polygons))
    if (IsImageFile(file) && !GlobalPatterns.FindByName("Polygon", file_GetName(file)))
      AddGlobalPolyPat(polygons + file);
  LoadSpriteFolder(baseDir + "Data/Sprites/");
}

// A damaged member throws the package's error (ZipError), as every read of it does.
void LoadPackagePatterns(const TZipFile& package) {
  for (int i = 0; i < package.Count(); ++i)
    if (UpperExtension(package.Name(i)) == "DAT") LoadPattern(package.Name(i), &package, i);
  AddPackageFilePatterns(package, "Data\\Polygons\\", IsImageFile, "Polygon", [&](int i) {
    auto pattern = std::make_unique<TPolyPat>();
    pattern->Tex = TextureFromMember(package, i, TEX_POLYGON_FILL);
    return std::unique_ptr<TPattern>(std::move(pattern));
  });
  AddPackageFilePatterns(package, "Data\\Sprites\\", IsAnimationFile, "Sprite",
                         [&](int i) { return SpriteFromMember(package, i, kDefaultAnimSpeed); });
  AddPackageFilePatterns(package, "Data\\Sprites\\", IsImageFile, "Sprite",
                         [&](int i) { return SpriteFromMember(package, i, 0); });
}
