// The touchable objects. An object is drawn centred on its position and is touched within
// 20 units of it, so each image is about 40 wide around its centre. Animated ones are
// strips of frames cut by their descriptions (FrameWidth, FrameHeight, FramesCount); the
// game advances them 24 frames a second.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "make_assets.h"

using namespace paint;

namespace {

constexpr float kTau = 2 * std::numbers::pi_v<float>;
const Rgba kOutline = WithAlpha(Hex(0x2A1208), 0.9f);

// A four-pointed sparkle.
void DrawSparkle(Canvas& canvas, Vec c, float size, Box box) {
  if (size <= 0.2f) return;
  Sdf star = Circle(c, size * 0.2f);
  for (int i = 0; i < 4; ++i)
    star = Union(star, TaperedCapsule(c, c + Rotate({size, 0}, float(i) * 90), size * 0.2f, 0.05f));
  FillShape(canvas, star, Hex(0xFFFFFF, 0.95f), box);
}

// food.png: 24 frames of 32 x 32, an apple bobbing gently with a sparkle now and then.
Canvas DrawFood() {
  constexpr int kFrames = 24, kSize = 32;
  Canvas strip(kFrames * kSize, kSize);
  for (int i = 0; i < kFrames; ++i) {
    float phase = kTau * float(i) / kFrames;
    Vec o{float(i * kSize), 1.5f * std::sin(phase)};
    Box box{o.x, 0, o.x + kSize, kSize};
    auto at = [&](float x, float y) { return Vec{o.x + x, o.y + y}; };
    Sdf apple = SmoothUnion(Circle(at(12.3f, 18.5f), 9.3f), Circle(at(19.7f, 18.5f), 9.3f), 3);
    apple = Subtract(apple, Circle(at(16, 7.2f), 2.6f));
    Sdf stem = Stroke({at(16, 11), at(16.5f, 7), at(18, 4)}, 1.1f);
    FillOutlined(strip, stem, Solid(Hex(0x6B4424)), kOutline, 0.8f, box);
    Brush skin = [&, shade = Pillow(apple, Hex(0xE0352B), 7, 0.7f)](Vec p) {
      Rgba c = shade(p);
      float warm = Smoothstep(at(16, 8).y, at(16, 28).y, p.y) * Smoothstep(24, 10, p.x - o.x);
      return Mix(c, Hex(0xF2A33A), 0.25f * warm);
    };
    FillOutlined(strip, apple, skin, kOutline, 1.1f, box);
    Vec leafC = at(22, 6.5f);
    Sdf leaf = Intersect(Circle(leafC + Rotate({0, 3.3f}, -25), 5),
                         Circle(leafC + Rotate({0, -3.3f}, -25), 5));
    FillOutlined(strip, leaf, Pillow(leaf, Hex(0x5DB43C), 2, 0.3f), kOutline, 0.8f, box);
    // A sparkle grows and fades over the first third of the cycle.
    float spark = std::sin(std::clamp(float(i) / 8, 0.0f, 1.0f) * kTau / 2);
    DrawSparkle(strip, at(10.5f, 13), 4.5f * spark, box);
  }
  return strip;
}

// exit.png: 16 frames of 48 x 80, a teal pennant with a gold star waving on a pole that
// stands on a small stone at the bottom of the frame.
Canvas DrawExit() {
  constexpr int kFrames = 16, kW = 48, kH = 80;
  Canvas strip(kFrames * kW, kH);
  for (int i = 0; i < kFrames; ++i) {
    float phase = kTau * float(i) / kFrames;
    float x0 = float(i * kW);
    Box box{x0, 0, x0 + kW, kH};
    const float poleX = x0 + 12, clothTop = 10, clothH = 24, clothW = 31;
    // The cloth's vertical displacement at x: a wave that grows towards the free end.
    auto wave = [=](float x) {
      float u = std::clamp((x - poleX) / clothW, 0.0f, 1.0f);
      return 3.2f * u * std::sin(phase - u * 5.5f);
    };
    auto slope = [=](float x) { return wave(x + 0.5f) - wave(x - 0.5f); };
    Sdf cloth = [=](Vec p) {
      Vec q{p.x, p.y - wave(p.x)};
      float u = (q.x - poleX) / clothW;
      // A pennant: full height at the pole, narrowing to a notch at the end.
      float half = clothH / 2 * (1 - 0.45f * std::clamp(u, 0.0f, 1.0f));
      float mid = clothTop + clothH / 2;
      float dy = std::abs(q.y - mid) - half;
      float dx = std::max(poleX - q.x, q.x - (poleX + clothW));
      float notch = (poleX + clothW - 7 + std::abs(q.y - mid) * 0.7f) - q.x;
      return std::max({dy, dx, -notch});
    };
    Vec starC{poleX + 12, clothTop + clothH / 2};
    std::vector<Vec> points;
    for (int k = 0; k < 10; ++k)
      points.push_back(starC + Rotate({0, k % 2 ? -2.6f : -6.2f}, float(k) * 36));
    Sdf star = Polygon(points);
    Brush fabric = [=](Vec p) {
      Vec q{p.x, p.y - wave(p.x)};
      float light = std::clamp(-slope(p.x) * 0.8f, -0.35f, 0.35f);
      Rgba c = star(q) < 0 ? Hex(0xF7CD4A) : Hex(0x2AA7A0);
      c = Mix(c, Hex(0x1B6F6A), Smoothstep(clothTop + 2, clothTop + clothH, q.y) * 0.35f);
      return Shade(c, 1 + light);
    };
    FillOutlined(strip, cloth, fabric, kOutline, 1, box);
    Sdf pole = RoundBox({poleX, 43}, {2, 35}, 1.5f);
    FillOutlined(strip, pole, Linear({poleX - 2, 0}, Hex(0xF2F2F2), {poleX + 2, 0}, Hex(0x8E96A0)),
                 kOutline, 0.9f, box);
    Sdf ball = Circle({poleX, 7}, 3.6f);
    FillOutlined(strip, ball, Pillow(ball, Hex(0xF2C14E), 3, 0.8f), kOutline, 0.9f, box);
    Sdf stone = RoundBox({poleX, 75.5f}, {9, 4}, 3);
    FillOutlined(strip, stone, Pillow(stone, Hex(0x9A9AA2), 3, 0.3f), kOutline, 1, box);
  }
  return strip;
}

// spikes.png: four steel spikes on a plate, 40 x 28, resting on the bottom row.
Canvas DrawSpikes() {
  Canvas canvas(40, 28);
  Box box{0, 0, 40, 28};
  for (int i = 0; i < 4; ++i) {
    float cx = 5.5f + float(i) * 9.7f;
    Sdf spike = Polygon({{cx - 4.6f, 24}, {cx, 2.5f}, {cx + 4.6f, 24}});
    Brush steel = [cx](Vec p) {
      Rgba c = p.x < cx ? Hex(0xE4E8EE) : Hex(0x8A93A0);
      c = Mix(c, Hex(0x4E5560), Smoothstep(8, 24, p.y) * 0.3f);
      return Mix(c, Hex(0xC0392B), Smoothstep(9, 3, p.y) * 0.5f);
    };
    FillOutlined(canvas, spike, steel, kOutline, 0.9f, box);
  }
  Sdf plate = RoundBox({20, 24.5f}, {19, 3}, 1.5f);
  FillOutlined(canvas, plate, Linear({0, 22}, Hex(0x9AA2AC), {0, 27}, Hex(0x5A616C)), kOutline,
               0.9f, box);
  return canvas;
}

}  // namespace

void MakeObjectImages(AssetOutput& out) {
  out.Save("Data/Objects/food.png", DrawFood());
  out.Save("Data/Objects/exit.png", DrawExit());
  out.Save("Data/Objects/spikes.png", DrawSpikes());
}
