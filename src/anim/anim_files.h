// Loading animation records from disk or from a level package: a plain image, a frame
// list (".SPR") or a keyframed cut-out animation (".RGS").
#pragma once

#include <string>
#include <string_view>

#include "anim/anim.h"
#include "anim/anim_text.h"
#include "data/game_error.h"

class TZipFile;

// A load that cannot finish: a whole number of a rig that cannot be read (what() begins
// with the runtime's own text, "'x' is not a valid integer value"), or a rig with more
// parts or parent links than kMaxRigParts. what() also names the file and the line.
class AnimError : public GameError {
 public:
  using GameError::GameError;
};

// Real rigs have tens of parts. The limit keeps loading and the parent links of a
// hostile file from costing more than a few million steps.
inline constexpr int kMaxRigParts = 4096;

enum class AnimKind { Image, Frames, Rig };

// By the extension compared in upper case: "RGS" a rig, "SPR" a frame list, else an image.
AnimKind AnimKindOf(const std::string& fileName);

// Where a loader finds the images an animation names (the first line of a frame list,
// the "Texture" values of a rig).
class AnimFolder {
 public:
  virtual ~AnimFolder() = default;
  // The path of an image the animation names.
  virtual std::string PathOf(const std::string& name) const = 0;
  // Equal keys are the same image, so rigs share one RigTexture; "" when there is no such
  // image.
  virtual std::string KeyOf(const std::string& path) const = 0;
  // The decoded image; nullptr when it is missing or cannot be decoded.
  virtual Texture* Load(const std::string& path) const = 0;
};

// Replaces spr with the animation in a disk file (names from data may use "\" and differ
// in letter case, see FindDiskFile). An image that exists but cannot be decoded gives an
// animation without texture, as the engine reports it. Throws FileError for a missing or
// unreadable file and AnimError; spr is unchanged then.
void LoadAnimFile(TSpr& spr, const std::string& path);

// The same for a package member. Images beside it are members of the same folder, "\"
// and "/" counting as the same separator. Throws ZipError (also for a missing member) and
// AnimError; spr is unchanged then.
void LoadAnimFromPackage(TSpr& spr, const TZipFile& zip, const std::string& memberName);

// Replaces spr with a frame list or a rig read from its text; sourceName names it in
// errors. A kind of Image leaves spr empty. Throws AnimError; spr is unchanged then.
void LoadAnimFromText(TSpr& spr, AnimKind kind, std::string_view text, LineEnds ends,
                      const AnimFolder& folder, const std::string& sourceName);
