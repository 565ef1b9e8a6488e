// Patterns: shared templates that elements refer to by file name. A polygon pattern gives
// a texture, a sprite pattern an animation, a creature pattern two animations and body
// measures, an object pattern an animation and a touch script.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "anim/anim.h"
#include "platform/engine.h"
#include "world/script_record.h"

class TZipFile;

class TPattern {
 public:
  virtual ~TPattern() = default;

  std::string Name;       // file name without folder and extension
  std::string FileName;   // file name with extension, without folder: what levels name
  std::string UpperName;  // Name in upper case (ASCII letters only)
  std::string Path;       // the disk path or package member it was read from
  std::string TypeName;   // "Polygon", "Sprite", "Creature" or "Object"
};

class TPolyPat : public TPattern {
 public:
  ~TPolyPat() override;    // deletes the texture
  Texture* Tex = nullptr;  // may be none: polygons are then not drawn filled
  float TexScaleX = 1, TexScaleY = 1;
};

class TSpritePat : public TPattern {
 public:
  TSpr Anim;
  float AnimSpeed = 0;  // frames per step; 0.024 when read from a description or animation
};

class TCreaturePat : public TPattern {
 public:
  TSpr StandAnim, WalkAnim;
  float LegsY = 19, HeadY = -19, Radius = 11, Mass = 30;
};

class TObjPat : public TPattern {
 public:
  TSpr Anim;
  float AnimSpeed = 0.024f;
  TScriptRecord TouchScript;
};

// A list of patterns, newest first. It owns its patterns.
class TPatternList {
 public:
  // Puts the pattern at the front and returns it.
  TPattern* AddFront(std::unique_ptr<TPattern> pattern);
  // The first pattern with this type name and file name (or name), exact case; nullptr.
  TPattern* Find(const std::string& typeName, const std::string& fileName) const;
  TPattern* FindByName(const std::string& typeName, const std::string& name) const;
  bool Empty() const { return items_.empty(); }
  const std::vector<std::unique_ptr<TPattern>>& Items() const { return items_; }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TPattern>> items_;  // newest first
};

// The global list (from "Data" at start) and the list of the open level package.
extern TPatternList GlobalPatterns;
extern TPatternList PackagePatterns;

// Lookups search the package list first, then the global list.
TPattern* FindPattern(const std::string& typeName, const std::string& fileName);
TPattern* FindPatternByName(const std::string& typeName, const std::string& name);
void FreePatternList(TPatternList& list);

// Reads one pattern description: from member `index` of the package into the package
// list, or (package == nullptr) from the disk file `path` into the global list. A
// description of another Type creates nothing.
void LoadPattern(const std::string& path, const TZipFile* package, int index);
// Every ".DAT" file in the folder and all its subfolders, as global patterns. Each folder's
// files and subfolders are taken together in the byte order of their names, depth first;
// of two descriptions with the same type and file name, the one read last is found.
void LoadPatternsFromFolder(const std::string& folder);
// The patterns made directly from the images in baseDir + "Data/Polygons/" and the
// animations, then the images, in baseDir + "Data/Sprites/" (not their subfolders), as
// global patterns; a name that already has a pattern of that type is skipped. Files are
// taken in the byte order of their names, so of two images of one name the first wins.
void LoadGlobalImagePatterns(const std::string& baseDir);
// The patterns a level package makes from its members, in the game's order: every ".DAT"
// member, then images in "Data\Polygons\", then animations (".SPR", ".RGS") in
// "Data\Sprites\", then images there. Descriptions take precedence over images.
void LoadPackagePatterns(const TZipFile& package);
