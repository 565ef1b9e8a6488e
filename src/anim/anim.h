// The animation record every animated thing is drawn from: a plain image, a frame list
// that cuts an image into rectangles, or a keyframed cut-out animation ("RigSprite") whose
// textured polygon parts hang in a tree and move by key lists.
//
// Loading is anim_files.h; evaluating and drawing is anim_play.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/engine.h"

// One cut-out rectangle of a frame list or of SetGridFrames.
struct TSprFrame {
  float SrcX = 0, SrcY = 0, SrcW = 0, SrcH = 0;  // texture pixels
  int32_t OffsetX = 0, OffsetY = 0;              // shift of the drawn frame from the anchor
  int32_t Width = 0, Height = 0;                 // the size the frame is centred by

  bool operator==(const TSprFrame&) const = default;
};

// 3 x 3, row-major, acting on column vectors (x, y, 1): (x, y) maps to
// (m[0]·x + m[1]·y + m[2], m[3]·x + m[4]·y + m[5]).
struct RigMatrix {
  float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

  bool operator==(const RigMatrix&) const = default;
};

// One entry of a key list. Type 0 holds the value until the next key, 1 interpolates
// linearly, 2 along a Catmull-Rom spline; codes the format does not define are kept as 2.
struct RigKey {
  int32_t Frame = 0;
  uint8_t Type = 0;
  float Value1 = 0, Value2 = 0;

  bool operator==(const RigKey&) const = default;
};
using RigKeyList = std::vector<RigKey>;

// A texture of a rig. One entry per image, shared by every part of every loaded rig that
// names it; the image is deleted with the last part that uses it.
struct RigTexture {
  std::string Path;        // as built from the animation's folder and the "Texture" value
  std::string Key;         // equal keys are the same image (see RigTextureFor)
  Texture* Tex = nullptr;  // nullptr when the image could not be loaded

  RigTexture() = default;
  RigTexture(const RigTexture&) = delete;
  RigTexture& operator=(const RigTexture&) = delete;
  ~RigTexture() { tex_Del(Tex); }
};

// One frame of a part: an outline in texture pixels, triangulated once when loaded.
struct RigFrame {
  std::vector<Point2D> Points;       // the outline as the file gives it
  std::vector<Point2D> Triangles;    // three vertices per triangle
  std::vector<Point2D> TexCoords;    // one per triangle vertex
  std::vector<Point2D> Transformed;  // the triangle vertices after the last evaluation
  float cx = 0, cy = 0;              // the centre the part turns and scales about

  // The number of triangle vertices. Kept whole: an outline may give more than 255.
  int TriangleCount() const { return static_cast<int>(Triangles.size()); }
};

// A part of a keyframed animation; the file's root is one too. The root owns every part
// (Parts, in file order, which is also the drawing order); the tree links are views.
struct RigPart {
  uint16_t ID = 0;
  std::string Name;
  std::shared_ptr<RigTexture> Texture;
  float X = 0, Y = 0;  // in the parent's space
  float Angle = 0;     // degrees
  float ScaleX = 1, ScaleY = 1;
  bool FlipX = false, FlipY = false;
  RigMatrix FrameMatrix, NodeMatrix;  // results of the last evaluation
  bool Visible = true;
  bool InheritVis = true;  // hidden when an ancestor hides it
  std::vector<RigFrame> Frames;
  int CurrentFrame = -1;  // index into Frames chosen by the last evaluation; -1 for none
  float Frame = 1;        // frame position, from 1
  int32_t StartFrame = 0, EndFrame = 0;  // root only: the loop
  bool Animated = false;                 // the frame advances by itself
  int32_t FPS = 24;                      // kept for the file's sake; playback does not use it
  float Speed = 1;                       // frames per frame-time unit while animated
  RigKeyList PosKeys, AngKeys, SclKeys, FlXKeys, FlYKeys, VisKeys, FrmKeys, AnmKeys;

  RigPart* Parent = nullptr;
  std::vector<RigPart*> Children;               // in child order
  std::vector<std::unique_ptr<RigPart>> Parts;  // root only: every part, in file order
  bool Shown = true;                            // scratch of DrawRig's visibility pass

  RigPart() = default;
  RigPart(const RigPart&) = delete;
  RigPart& operator=(const RigPart&) = delete;

  int FrameCount() const { return static_cast<int>(Frames.size()); }
  const RigFrame* Current() const {
    return CurrentFrame >= 0 && CurrentFrame < FrameCount() ? &Frames[size_t(CurrentFrame)]
                                                            : nullptr;
  }
};

// The animation record. Owns its texture and its rig.
struct TSpr {
  Texture* Tex = nullptr;  // the image of a plain or frame-list animation
  std::string Name;        // image: its file name; frame list: the name on its first line
  std::vector<TSprFrame> Frames;
  std::unique_ptr<RigPart> Rig;  // the root of a keyframed animation

  TSpr() = default;
  TSpr(TSpr&& other) noexcept;
  TSpr& operator=(TSpr&& other) noexcept;
  TSpr(const TSpr&) = delete;
  TSpr& operator=(const TSpr&) = delete;
  ~TSpr();

  int32_t FrameCount() const { return static_cast<int32_t>(Frames.size()); }
};

// Deletes the texture, empties Frames and Name and frees the rig; rig textures that no
// remaining part uses are deleted with it.
void FreeAnim(TSpr& spr);

// A new part with the defaults, appended to the root's children and drawing order.
RigPart& AddRigPart(RigPart& root);
// Makes part the last child of parent. Refused (false) when parent is the part itself or
// one of its descendants, so the tree never gets a cycle.
bool SetRigParent(RigPart& part, RigPart& parent);
// The first part with this ID, depth first from the root, root first, children in order;
// nullptr when none has it.
RigPart* FindRigPart(RigPart& root, int32_t id);

// The live rig texture with this key; otherwise a new one with the image that load()
// gives, registered under the key. An empty key is never shared.
std::shared_ptr<RigTexture> RigTextureFor(const std::string& key, const std::string& path,
                                          const std::function<Texture*()>& load);
// Every live rig texture, oldest first.
std::vector<std::shared_ptr<RigTexture>> RigTextures();
