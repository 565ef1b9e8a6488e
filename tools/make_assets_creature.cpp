// Tovi, the player's creature: a round coral fellow with a sprout on his head. He is
// drawn facing right and stored facing left, because the game mirrors a creature's image
// while it faces right (after a step to the right). Its frames are 48 x 48 with the body's position
// at the centre of a frame; the body that the game simulates (Data/Creatures/tovi.dat) is a capsule
// of radius 14 from 6 above the centre to 8 below it, so the feet rest on the frame's bottom rows.
//
// tovi.png: row 0 holds the 8 walking frames, rows 1 to 4 the 32 standing frames, 8 a
// row; tovi_walk.spr and tovi_stand.spr list them in that order.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "make_assets.h"

using namespace paint;

namespace {

constexpr float kTau = 2 * std::numbers::pi_v<float>;
constexpr int kFrame = 48;
constexpr int kWalkFrames = 8;
constexpr int kStandFrames = 32;

const Rgba kBody = Hex(0xFF8A4C);
const Rgba kFeet = Hex(0xD9582B);
const Rgba kBelly = Hex(0xFFD9A8);
const Rgba kInk = Hex(0x3A1A0C);
const Rgba kOutline = WithAlpha(Hex(0x4A200C), 0.95f);

struct Pose {
  float breathe = 0;                   // -1..1: the body grows taller and narrower
  float bob = 0;                       // the body's vertical shift, pixels
  float sprout = 0;                    // the sprout's lean, degrees
  float blink = 0;                     // 0 open .. 1 shut
  Vec nearFoot{6, 0}, farFoot{-6, 0};  // x, and lift above the ground
};

void DrawFoot(Canvas& canvas, Vec o, Vec foot, const Rgba& color, Box box) {
  Vec c{o.x + foot.x, o.y + 18 - foot.y};
  Sdf shape = Ellipse(c, 6.2f, 3.3f);
  FillOutlined(canvas, shape, Pillow(shape, color, 3, 0.25f), kOutline, 1.1f, box);
}

void DrawEye(Canvas& canvas, Vec c, float rx, float ry, float blink, Box box) {
  float open = std::max(0.12f, 1 - blink);
  Sdf white = Ellipse(c, rx, ry * open);
  FillOutlined(canvas, white, Solid(Hex(0xFFFFFF)), kOutline, 0.8f, box);
  if (open < 0.5f) return;
  Vec pupil{c.x + rx * 0.3f, c.y + 0.4f};
  Sdf dark = Intersect(Ellipse(pupil, rx * 0.62f, ry * 0.62f * open), white);
  FillShape(canvas, dark, kInk, box);
  Vec glint{pupil.x + 0.6f, pupil.y - ry * 0.3f};
  FillShape(canvas, Circle(glint, 0.9f), Hex(0xFFFFFF), box);
}

// One frame with its centre (the body's position) at o.
void DrawTovi(Canvas& canvas, Vec o, const Pose& pose) {
  Box box{o.x - 24, o.y - 24, o.x + 24, o.y + 24};
  DrawFoot(canvas, o, pose.farFoot, Shade(kFeet, 0.8f), box);

  // The body keeps its bottom where it is while it breathes.
  float ry = 14.5f * (1 + 0.03f * pose.breathe), rx = 15 * (1 - 0.02f * pose.breathe);
  Vec c{o.x, o.y + 16.2f - ry + pose.bob};
  Vec top{c.x, c.y - ry};

  Vec stemTip = top + Rotate({0, -5}, pose.sprout);
  Sdf stem = Stroke({top + Vec{0, 2}, top + Rotate({0.6f, -2.5f}, pose.sprout), stemTip}, 1.1f);
  FillOutlined(canvas, stem, Solid(Hex(0x4E9A32)), kOutline, 0.8f, box);
  Vec leafC = stemTip + Rotate({4, 0.5f}, pose.sprout);
  Sdf leaf = Intersect(Circle(leafC + Rotate({0, 2.9f}, pose.sprout - 15), 4.5f),
                       Circle(leafC + Rotate({0, -2.9f}, pose.sprout - 15), 4.5f));
  FillOutlined(canvas, leaf, Pillow(leaf, Hex(0x6CC04A), 2, 0.3f), kOutline, 0.8f, box);

  Sdf body = Ellipse(c, rx, ry);
  FillOutlined(canvas, body, Pillow(body, kBody, 9, 0.35f), kOutline, 1.2f, box);
  Sdf belly = Intersect(Ellipse({c.x + 4, c.y + 7}, 9, 8), Grow(body, -1.5f));
  FillShape(canvas, belly, Pillow(belly, kBelly, 4, 0.1f), box);

  DrawEye(canvas, {c.x + 3.5f, c.y - 3.5f}, 3.4f, 4.6f, pose.blink, box);
  DrawEye(canvas, {c.x + 10.5f, c.y - 3.5f}, 2.8f, 4.3f, pose.blink, box);
  Sdf blush = Ellipse({c.x + 12, c.y + 2.5f}, 2.6f, 1.5f);
  FillShape(canvas, blush, WithAlpha(Hex(0xFF5A6E), 0.45f), box);
  Sdf smile = Stroke(Arc({c.x + 8, c.y + 1.5f}, 3, 2.2f, 30, 150, 8), 0.7f);
  FillShape(canvas, smile, kInk, box);

  DrawFoot(canvas, o, pose.nearFoot, kFeet, box);
}

// Each foot goes round an ellipse, lifted while it swings forward; the body is highest
// when the feet pass each other.
Pose WalkPose(int frame) {
  float phase = kTau * float(frame) / kWalkFrames;
  Pose pose;
  auto foot = [](float p) {
    return Vec{-1 + 7.5f * std::sin(p), 3.2f * std::max(0.0f, std::cos(p))};
  };
  pose.nearFoot = foot(phase);
  pose.farFoot = foot(phase + kTau / 2);
  pose.farFoot.x -= 2;
  pose.bob = -0.9f + 0.9f * std::cos(2 * phase);
  pose.breathe = -0.6f * std::cos(2 * phase);
  pose.sprout = -12 + 8 * std::sin(2 * phase + 0.8f);
  return pose;
}

// A slow breath with the sprout swaying, and one blink near the end of the cycle.
Pose StandPose(int frame) {
  float phase = kTau * float(frame) / kStandFrames;
  Pose pose;
  pose.breathe = std::sin(phase);
  pose.sprout = 6 * std::sin(phase + 1);
  pose.blink = frame == 27 ? 1 : frame == 26 || frame == 28 ? 0.5f : 0;
  return pose;
}

// One frame drawn facing right, stored mirrored about the frame's centre in the strip.
void DrawFacingLeft(Canvas& strip, int cell, const Pose& pose) {
  Canvas frame(kFrame, kFrame);
  DrawTovi(frame, {kFrame / 2, kFrame / 2}, pose);
  const int x0 = cell % 8 * kFrame, y0 = cell / 8 * kFrame;
  for (int y = 0; y < kFrame; ++y) {
    for (int x = 0; x < kFrame; ++x)
      strip.Blend(x0 + kFrame - 1 - x, y0 + y, frame.At(x, y));
  }
}

}  // namespace

void MakeCreatureImages(AssetOutput& out) {
  Canvas strip(8 * kFrame, 5 * kFrame);
  for (int i = 0; i < kWalkFrames; ++i)
    DrawFacingLeft(strip, i, WalkPose(i));
  for (int i = 0; i < kStandFrames; ++i)
    DrawFacingLeft(strip, 8 + i, StandPose(i));
  out.Save("Data/Creatures/tovi.png", strip);
}
