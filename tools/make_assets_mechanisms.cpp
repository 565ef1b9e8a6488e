// The objects that levels build their mechanisms from, and the sprites that show what
// happened to them: the lever and the pulled lever, the spring, the portal, the key and
// the padlock. An object is drawn centred on its position and touched within 20 units of
// it; the standing ones rest on the bottom row of their image, so a level puts them half
// their height above the ground.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "make_assets.h"

using namespace paint;

namespace {

constexpr float kTau = 2 * std::numbers::pi_v<float>;
const Rgba kOutline = WithAlpha(Hex(0x2A1208), 0.9f);
const Rgba kGold = Hex(0xF2C14E);
const Rgba kGoldDark = Hex(0xA8741C);

// A lever on a stone post, 40 x 48: the handle leans `angle` degrees from upright
// (negative to the left), with a knob of the given colour.
Canvas DrawLever(float angle, uint32_t knob) {
  Canvas canvas(40, 48);
  Box box{0, 0, 40, 48};
  const Vec pivot{20, 34};
  Vec tip = pivot + Rotate({0, -24}, angle);
  Sdf handle = Capsule(pivot, tip, 2.2f);
  FillOutlined(canvas, handle, Linear({14, 0}, Hex(0xC89A60), {26, 0}, Hex(0x7A5230)), kOutline,
               0.9f, box);
  Sdf ball = Circle(tip, 5);
  FillOutlined(canvas, ball, Pillow(ball, Hex(knob), 4, 0.6f), kOutline, 0.9f, box);
  Sdf post = RoundBox({20, 40}, {13, 7.5f}, 4);
  FillOutlined(canvas, post, Pillow(post, Hex(0x9A9AA2), 5, 0.3f), kOutline, 1, box);
  Sdf hub = Circle(pivot, 3.2f);
  FillOutlined(canvas, hub, Pillow(hub, Hex(0x5A616C), 2, 0.4f), kOutline, 0.8f, box);
  return canvas;
}

// spring.png, 40 x 32: a coil between a steel base and a red pad.
Canvas DrawSpring() {
  Canvas canvas(40, 32);
  Box box{0, 0, 40, 32};
  std::vector<Vec> coil;
  for (int i = 0; i <= 40; ++i) {
    float t = float(i) / 40;
    coil.push_back({20 + 11 * std::sin(t * 3.5f * kTau), 26 - 17 * t});
  }
  FillOutlined(canvas, Stroke(coil, 1.6f), Linear({9, 0}, Hex(0xE4E8EE), {31, 0}, Hex(0x6E7682)),
               kOutline, 0.8f, box);
  Sdf base = RoundBox({20, 28.5f}, {17, 3}, 1.5f);
  FillOutlined(canvas, base, Linear({0, 26}, Hex(0x9AA2AC), {0, 31}, Hex(0x5A616C)), kOutline, 0.9f,
               box);
  Sdf pad = RoundBox({20, 6}, {15, 3.5f}, 3);
  FillOutlined(canvas, pad, Pillow(pad, Hex(0xE0352B), 3, 0.5f), kOutline, 0.9f, box);
  return canvas;
}

// portal.png: 16 frames of 48 x 64, an oval of swirling violet light standing on the
// ground, its sparks turning once a cycle.
Canvas DrawPortal() {
  constexpr int kFrames = 16, kW = 48, kH = 64;
  Canvas strip(kFrames * kW, kH);
  for (int i = 0; i < kFrames; ++i) {
    float phase = kTau * float(i) / kFrames;
    Vec c{float(i * kW) + kW / 2.0f, 33};
    Box box{c.x - kW / 2.0f, 0, c.x + kW / 2.0f, float(kH)};
    Sdf oval = Ellipse(c, 18, 29);
    Brush swirl = [=](Vec p) {
      float dx = (p.x - c.x) / 18, dy = (p.y - c.y) / 29;
      float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
      float wave = 0.5f + 0.5f * std::sin(a * 3 + r * 9 - phase);
      Rgba inner = Mix(Hex(0x3B1C7A), Hex(0xB48CFF), wave * Smoothstep(0.1f, 0.9f, r));
      return Mix(Hex(0xF4ECFF), inner, Smoothstep(0, 0.35f, r));
    };
    FillOutlined(strip, oval, swirl, WithAlpha(Hex(0x1E1850), 0.9f), 1.2f, box);
    FillShape(strip, Ring(oval, 1.6f), Hex(0x8FE3FF, 0.9f), box);
    for (int k = 0; k < 3; ++k) {
      Vec spark = c + Vec{21 * std::cos(phase + float(k) * kTau / 3),
                          31 * std::sin(phase + float(k) * kTau / 3)};
      FillShape(strip, Circle(spark, 1.8f), Hex(0xFFFFFF, 0.95f), box);
    }
  }
  return strip;
}

// The golden key drawn with its bow at c, turned by `turn` (1 face on, 0 edge on).
void DrawKeyShape(Canvas& canvas, Vec c, float turn, Box box) {
  float w = std::max(0.25f, turn);
  auto at = [&](float x, float y) { return Vec{c.x + x * w, c.y + y}; };
  Sdf bow = Subtract(Ellipse(at(0, -7), 6.5f * w, 6.5f), Ellipse(at(0, -7), 2.6f * w, 2.6f));
  Sdf shaft = Polygon({at(-1.8f, -1), at(1.8f, -1), at(1.8f, 12), at(-1.8f, 12)});
  Sdf bit = Union(Polygon({at(1.8f, 6), at(6, 6), at(6, 8.5f), at(1.8f, 8.5f)}),
                  Polygon({at(1.8f, 9.8f), at(5, 9.8f), at(5, 12), at(1.8f, 12)}));
  Sdf key = Union(bow, Union(shaft, bit));
  Brush gold = [=](Vec p) {
    float light = Smoothstep(c.y + 12, c.y - 12, p.y) * 0.5f + 0.25f * (p.x < c.x ? 1 : -1) * w;
    return Mix(kGoldDark, kGold, std::clamp(0.4f + light, 0.0f, 1.0f));
  };
  FillOutlined(canvas, key, gold, kOutline, 0.9f, box);
}

// key.png: 24 frames of 32 x 32, a golden key turning about its shaft as it floats.
Canvas DrawKey() {
  constexpr int kFrames = 24, kSize = 32;
  Canvas strip(kFrames * kSize, kSize);
  for (int i = 0; i < kFrames; ++i) {
    float phase = kTau * float(i) / kFrames;
    Vec c{float(i * kSize) + 16, 15 + 1.5f * std::sin(phase)};
    DrawKeyShape(strip, c, std::abs(std::cos(phase / 2)), {c.x - 16, 0, c.x + 16, kSize});
  }
  return strip;
}

// padlock.png, 28 x 32: a golden padlock with a keyhole.
Canvas DrawPadlock() {
  Canvas canvas(28, 32);
  Box box{0, 0, 28, 32};
  Sdf shackle =
      Ring(Intersect(Ellipse({14, 13}, 8, 9), Polygon({{0, 0}, {28, 0}, {28, 14}, {0, 14}})), 1.8f);
  shackle = Union(shackle, Union(Capsule({6.2f, 12}, {6.2f, 16}, 1.8f),
                                 Capsule({21.8f, 12}, {21.8f, 16}, 1.8f)));
  FillOutlined(canvas, shackle, Linear({6, 0}, Hex(0xE4E8EE), {22, 0}, Hex(0x6E7682)), kOutline,
               0.8f, box);
  Sdf body = RoundBox({14, 23}, {11, 8}, 2.5f);
  FillOutlined(canvas, body, Pillow(body, kGold, 5, 0.4f), kOutline, 1, box);
  Sdf hole =
      Union(Circle({14, 21.5f}, 2.2f), Polygon({{13, 22}, {15, 22}, {15.8f, 27}, {12.2f, 27}}));
  FillShape(canvas, hole, Hex(0x3A2210), box);
  return canvas;
}

}  // namespace

void MakeMechanismImages(AssetOutput& out) {
  out.Save("Data/Objects/lever.png", DrawLever(-35, 0xE0352B));
  out.Save("Data/Sprites/lever_pulled.png", DrawLever(35, 0x5DB43C));
  out.Save("Data/Objects/spring.png", DrawSpring());
  out.Save("Data/Objects/portal.png", DrawPortal());
  out.Save("Data/Objects/key.png", DrawKey());
  out.Save("Data/Sprites/padlock.png", DrawPadlock());
}
