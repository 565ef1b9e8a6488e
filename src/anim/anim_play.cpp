// Evaluating rigs, their boxes, and drawing every kind of animation record.
#include "anim/anim_play.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kEmptyBox = 1000000;
constexpr int kMaxGridFrames = 65536;  // DrawAnim's frame is 16 bits

RigMatrix Rotation(float degrees) {
  float a = degrees * kDegreesToRadians;
  float c = std::cos(a), s = std::sin(a);
  return {{c, -s, 0, s, c, 0, 0, 0, 1}};
}

// Flags are keyed as numbers; a value that rounds to 0 is false.
void EvalFlag(const RigKeyList& keys, float t, bool& flag) {
  if (keys.empty()) return;
  float value = 0, unused = 0;
  EvalKeys(keys, t, false, value, unused);
  flag = std::fabs(value) > 0.5f;
}

// The frame of the last key at or before t, walking as EvalKeys does; 0 when none is.
int32_t FrameOfKeyBefore(const RigKeyList& keys, float t) {
  int32_t b = 0;
  for (const RigKey& key : keys) {
    if (double(key.Frame) > double(t)) break;
    b = key.Frame;
  }
  return b;
}

// Folds an animated frame position back into 1 <= frame < count + 1. Worked in double so
// that no value of the file can overflow a whole number; a part without frames has
// nothing to fold.
float WrapFrame(float frame, int count) {
  if (count <= 0 || !(frame > float(count))) return frame;
  double whole = std::trunc(double(frame));
  return float(double(frame) - std::floor((whole - 1) / count) * count);
}

// The index of the k-th frame, k = trunc(frame); the first frame when there is no k-th.
int PickFrame(float frame, int count) {
  if (count == 0) return -1;
  if (frame >= 1 && frame < float(count) + 1) return int(frame) - 1;
  return 0;
}

void EvalFrame(RigPart& part, float t) {
  float v = 1, unused = 0;
  if (!part.FrmKeys.empty()) {
    EvalKeys(part.FrmKeys, t, false, v, unused);
    part.Frame = v;
  }
  if (part.Animated) {
    float since = float(double(t) - FrameOfKeyBefore(part.FrmKeys, t));
    part.Frame = WrapFrame(since * part.Speed + v, part.FrameCount());
  }
  part.CurrentFrame = PickFrame(part.Frame, part.FrameCount());
}

void EvalValues(RigPart& part, float t) {
  float unused = 0;
  EvalKeys(part.PosKeys, t, true, part.X, part.Y);
  EvalKeys(part.AngKeys, t, false, part.Angle, unused);
  EvalKeys(part.SclKeys, t, true, part.ScaleX, part.ScaleY);
  EvalFlag(part.FlXKeys, t, part.FlipX);
  EvalFlag(part.FlYKeys, t, part.FlipY);
  EvalFlag(part.VisKeys, t, part.Visible);
  EvalFlag(part.AnmKeys, t, part.Animated);
  EvalFrame(part, t);
}

// R(Angle) x diag(sx, sy, 1) with (X, Y) added to the translation. The frame matrix uses
// the same with the frame centre moved to the origin first.
RigMatrix LocalMatrix(const RigPart& part, float sx, float sy, float cx, float cy) {
  RigMatrix scaled{{sx, 0, -cx * sx, 0, sy, -cy * sy, 0, 0, 1}};
  RigMatrix local = MultiplyRig(Rotation(part.Angle), scaled);
  local.m[2] += part.X;
  local.m[5] += part.Y;
  return local;
}

void EvaluatePart(RigPart& part, const RigMatrix& parent, float t) {
  EvalValues(part, t);
  float sx = part.FlipX ? -part.ScaleX : part.ScaleX;
  float sy = part.FlipY ? -part.ScaleY : part.ScaleY;
  if (part.Current()) {
    RigFrame& frame = part.Frames[size_t(part.CurrentFrame)];
    part.FrameMatrix = MultiplyRig(parent, LocalMatrix(part, sx, sy, frame.cx, frame.cy));
    frame.Transformed.resize(frame.Triangles.size());
    for (size_t i = 0; i < frame.Triangles.size(); ++i)
      frame.Transformed[i] = TransformRig(part.FrameMatrix, frame.Triangles[i]);
  }
  // Children inherit position, rotation, scale and mirroring, but not the frame centre.
  part.NodeMatrix = MultiplyRig(parent, LocalMatrix(part, sx, sy, 0, 0));
}

// Shown flags of the subtree, parents before children: a part with InheritVis is shown
// only when its parent is, which is IsShown's walk up done once per part.
void MarkShown(RigPart& top) {
  top.Shown = IsShown(top);
  std::vector<RigPart*> stack(top.Children.begin(), top.Children.end());
  while (!stack.empty()) {
    RigPart* part = stack.back();
    stack.pop_back();
    part->Shown = part->Visible && (!part->InheritVis || part->Parent->Shown);
    stack.insert(stack.end(), part->Children.begin(), part->Children.end());
  }
}

void DrawPart(const RigPart& part, uint8_t alpha) {
  const RigFrame* frame = part.Current();
  if (!part.Shown || !part.Texture || !part.Texture->Tex || !frame || frame->TriangleCount() == 0)
    return;
  pr2d_TriList(part.Texture->Tex, frame->Transformed.data(), frame->TexCoords.data(), 0,
               frame->TriangleCount() - 1, 0xFFFFFF, alpha, FX_BLEND | PR2D_FILL);
}

float HalfRounded(int32_t size) {
  return float(std::nearbyint(size / 2.0));  // to nearest, halves to even
}

void DrawFrameOf(const TSpr& spr, uint16_t frame, bool mirror, float X, float Y, float angle,
                 uint8_t alpha) {
  const TSprFrame& f = spr.Frames[std::min<size_t>(frame, spr.Frames.size() - 1)];
  float y = Y - HalfRounded(f.Height) + float(f.OffsetY);
  float x = mirror ? X + HalfRounded(f.Width) - f.SrcW - float(f.OffsetX)
                   : X - HalfRounded(f.Width) + float(f.OffsetX);
  csprite2d_Draw(spr.Tex, x, y, f.SrcW, f.SrcH, angle, Rect2D{f.SrcX, f.SrcY, f.SrcW, f.SrcH},
                 alpha, FX_BLEND | (mirror ? FX2D_FLIPX : 0));
}

}  // namespace

RigMatrix MultiplyRig(const RigMatrix& a, const RigMatrix& b) {
  RigMatrix r;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      r.m[row * 3 + col] = a.m[row * 3] * b.m[col] + a.m[row * 3 + 1] * b.m[3 + col] +
                           a.m[row * 3 + 2] * b.m[6 + col];
  return r;
}

Point2D TransformRig(const RigMatrix& m, Point2D p) {
  return {m.m[0] * p.X + m.m[1] * p.Y + m.m[2], m.m[3] * p.X + m.m[4] * p.Y + m.m[5]};
}

void EvaluateRig(RigPart& part, const RigMatrix& parent, float t) {
  EvaluatePart(part, parent, t);
  std::vector<RigPart*> stack(part.Children.rbegin(), part.Children.rend());
  while (!stack.empty()) {
    RigPart* child = stack.back();
    stack.pop_back();
    EvaluatePart(*child, child->Parent->NodeMatrix, t);
    stack.insert(stack.end(), child->Children.rbegin(), child->Children.rend());
  }
}

bool IsShown(const RigPart& part) {
  if (!part.Visible) return false;
  if (!part.InheritVis) return true;
  for (const RigPart* ancestor = part.Parent; ancestor; ancestor = ancestor->Parent) {
    if (!ancestor->Visible) return false;
    if (!ancestor->InheritVis) return true;
  }
  return true;
}

// Drawn in file order, each part over the ones before it, whatever the tree.
void DrawRig(RigPart& part, uint8_t alpha) {
  MarkShown(part);
  DrawPart(part, alpha);
  for (const std::unique_ptr<RigPart>& member : part.Parts)
    DrawPart(*member, alpha);
}

void RigBox(const RigPart& part, float& minX, float& minY, float& maxX, float& maxY) {
  if (!part.Parent) {
    minX = minY = kEmptyBox;
    maxX = maxY = -kEmptyBox;
  }
  std::vector<const RigPart*> stack{&part};
  while (!stack.empty()) {
    const RigPart* p = stack.back();
    stack.pop_back();
    const RigFrame* frame = p->Current();
    if (p->Visible && frame) {
      for (const Point2D& v : frame->Transformed) {
        if (v.X < minX) minX = v.X;
        if (v.Y < minY) minY = v.Y;
        if (v.X > maxX) maxX = v.X;
        if (v.Y > maxY) maxY = v.Y;
      }
    }
    stack.insert(stack.end(), p->Children.begin(), p->Children.end());
  }
}

void DrawAnim(TSpr& spr, uint16_t frame, bool mirror, float X, float Y, float angle,
              uint8_t alpha) {
  if (spr.Rig) {
    RigPart& root = *spr.Rig;
    root.X = X;
    root.Y = Y;
    root.ScaleX = root.ScaleY = 1;
    root.Angle = angle;
    root.FlipX = mirror;
    EvaluateRig(root, RigMatrix{}, float(frame));
    DrawRig(root, alpha);
  } else if (!spr.Frames.empty()) {
    if (spr.Tex) DrawFrameOf(spr, frame, mirror, X, Y, angle, alpha);
  } else if (spr.Tex) {
    float w = float(spr.Tex->Width), h = float(spr.Tex->Height);
    ssprite2d_Draw(spr.Tex, X - HalfRounded(spr.Tex->Width), Y - HalfRounded(spr.Tex->Height), w, h,
                   angle, alpha, FX_BLEND | (mirror ? FX2D_FLIPX : 0));
  }
}

void SetGridFrames(TSpr& spr, int w, int h, int n) {
  if (!spr.Tex) return;
  spr.Frames.clear();
  int64_t x = 0, y = 0;  // 64 bits: cell sizes come from data files
  for (int k = 0; k < std::min(n, kMaxGridFrames); ++k) {
    TSprFrame cell;
    cell.SrcX = float(x);
    cell.SrcY = float(y);
    cell.SrcW = float(w);
    cell.SrcH = float(h);
    cell.Width = w;
    cell.Height = h;
    spr.Frames.push_back(cell);
    x += w;
    if (x + w > spr.Tex->Width) {
      x = 0;
      y += h;
    }
  }
}
