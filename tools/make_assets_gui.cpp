// The menu images: the background tile, the faint logo pattern, the bouncing ball, the
// animated cursor and the digits of the time display.
#include <cmath>
#include <numbers>

#include "make_assets.h"

using namespace paint;

namespace {

constexpr float kTau = 2 * std::numbers::pi_v<float>;

// The menu palette: deep blue-teal with a warm gold accent.
const Rgba kNightDeep = Hex(0x0B1E2E);
const Rgba kNightTeal = Hex(0x123F52);
const Rgba kTeal = Hex(0x2AA7A0);
const Rgba kGold = Hex(0xF2C14E);
const Rgba kCream = Hex(0xFFF7E0);
const Rgba kInk = Hex(0x23160C);

// A glyph drawn as strokes in a unit box (x right, y down, both 0..1).
using Glyph = std::vector<std::vector<Vec>>;

Glyph Digit(int digit) {
  const Vec top{0.5f, 0.27f}, bottom{0.5f, 0.73f};
  switch (digit) {
    case 0:
      return {Join(Join(Arc(top, 0.5f, 0.27f, 180, 360, 12), Arc(bottom, 0.5f, 0.27f, 0, 180, 12)),
                   {{0.0f, 0.27f}})};
    case 1:
      return {{{0.22f, 0.2f}, {0.62f, 0.0f}, {0.62f, 1.0f}}};
    case 2:
      return {Join(Arc({0.5f, 0.27f}, 0.47f, 0.27f, 190, 380, 16), {{0.03f, 1}, {1, 1}})};
    case 3:
      return {Join(Arc({0.5f, 0.25f}, 0.44f, 0.25f, 205, 450, 16), {{0.3f, 0.5f}}),
              Join({{0.5f, 0.5f}}, Arc({0.5f, 0.75f}, 0.5f, 0.25f, -90, 155, 16))};
    case 4:
      return {{{0.74f, 1}, {0.74f, 0}, {0.0f, 0.68f}, {1, 0.68f}}};
    case 5:
      return {Join({{0.94f, 0}, {0.16f, 0}, {0.09f, 0.47f}},
                   Arc({0.5f, 0.7f}, 0.48f, 0.3f, 218, 500, 18))};
    case 6:
      return {Arc({0.5f, 0.7f}, 0.48f, 0.3f, 0, 360, 24),
              Arc({0.96f, 0.7f}, 0.94f, 0.7f, 180, 262, 12)};
    case 7:
      return {{{0.0f, 0}, {1, 0}, {0.36f, 1}}};
    case 8:
      return {Arc({0.5f, 0.235f}, 0.4f, 0.235f, 0, 360, 24),
              Arc({0.5f, 0.72f}, 0.49f, 0.28f, 0, 360, 24)};
    default:
      return {Arc({0.5f, 0.3f}, 0.48f, 0.3f, 0, 360, 24),
              Arc({0.04f, 0.3f}, 0.94f, 0.7f, 0, 82, 12)};
  }
}

// The strokes of a glyph placed in a pixel box, as one shape of half-width w.
Sdf GlyphShape(const Glyph& glyph, Box box, float w) {
  Sdf shape;
  for (const std::vector<Vec>& line : glyph) {
    std::vector<Vec> placed;
    for (Vec u : line)
      placed.push_back({Lerp(box.x0, box.x1, u.x), Lerp(box.y0, box.y1, u.y)});
    Sdf part = Stroke(placed, w);
    shape = shape ? Union(shape, part) : part;
  }
  return shape;
}

// Cream at the top warming to gold at the bottom, with a dark rim and a soft shadow, so
// that the digits read over both sky and ground.
void DrawGlyph(Canvas& canvas, const Sdf& shape, Box cell) {
  Box area{cell.x0 - 2, cell.y0 - 2, cell.x1 + 3, cell.y1 + 3};
  FillShape(canvas, Translate(Grow(shape, 1.6f), {1.0f, 1.6f}), WithAlpha(kInk, 0.35f), area);
  Brush fill = Linear({0, cell.y0}, kCream, {0, cell.y1}, Hex(0xFFC93D));
  FillOutlined(canvas, shape, fill, WithAlpha(kInk, 0.92f), 1.25f, area);
}

Canvas DrawDigits() {
  constexpr int kCellW = 16, kCellH = 39;
  Canvas canvas(11 * kCellW, kCellH);
  for (int i = 0; i < 11; ++i) {
    float x0 = float(i * kCellW);
    Box cell{x0, 0, x0 + kCellW, kCellH};
    Box glyphBox{x0 + 2.8f, 6.5f, x0 + 13.2f, 32.5f};
    Sdf shape = i < 10 ? GlyphShape(Digit(i), glyphBox, 1.75f)
                       : Union(Circle({x0 + 8, 15}, 2.4f), Circle({x0 + 8, 27}, 2.4f));
    DrawGlyph(canvas, shape, cell);
  }
  return canvas;
}

// A quiet diamond lattice over dark mottled blue-teal; every feature repeats within the
// tile, so the tiles join without seams.
Canvas DrawBackTile() {
  constexpr int kSize = 128;
  constexpr float kPeriod = 64;
  Canvas canvas(kSize, kSize, true);
  Sdf all = [](Vec) { return -10.0f; };
  FillShape(canvas, all,
            [](Vec p) {
              float n = Fbm(p, 32, 4, kSize, kSize, 11);
              float diagonal = 0.5f + 0.5f * std::sin(kTau * (p.x - p.y) / kSize);
              return Mix(kNightDeep, kNightTeal, 0.25f + 0.55f * n + 0.15f * diagonal);
            },
            {0, 0, kSize, kSize});
  // Distance to the nearest line of either diagonal family.
  auto lattice = [](Vec p) {
    auto family = [](float u) {
      float f = u / kPeriod - std::floor(u / kPeriod);
      return std::abs(f - 0.5f) * kPeriod / std::numbers::sqrt2_v<float>;
    };
    return std::min(family(p.x + p.y), family(p.x - p.y + kPeriod / 2));
  };
  FillShape(canvas, [&](Vec p) { return lattice(p) - 0.55f; }, WithAlpha(kTeal, 0.16f),
            {0, 0, kSize, kSize});
  // The lines cross at (16 + 32m, 16 + 32n) with m + n even.
  for (int n = 0; n < 4; ++n) {
    for (int m = n % 2; m < 4; m += 2) {
      Vec c{16 + 32 * float(m), 16 + 32 * float(n)};
      FillShape(canvas, Circle(c, 7), Radial(c, 7, WithAlpha(kTeal, 0.22f), WithAlpha(kTeal, 0)),
                {c.x - 8, c.y - 8, c.x + 8, c.y + 8});
      FillShape(canvas, Circle(c, 1.5f), WithAlpha(kGold, 0.45f),
                {c.x - 3, c.y - 3, c.x + 3, c.y + 3});
    }
  }
  return canvas;
}

// The creature's round silhouette with its sprout, and "TOVI2" in stroke letters.
Canvas DrawLogo() {
  Canvas canvas(240, 100);
  Sdf body = Union(Ellipse({46, 52}, 30, 29),
                   Union(Ellipse({33, 84}, 12, 6.5f), Ellipse({59, 84}, 12, 6.5f)));
  Sdf stem = Stroke({{46, 25}, {47, 17}, {51, 11}}, 2.2f);
  Sdf leaf = Intersect(Circle({60, 13.5f}, 7), Circle({60, 4.5f}, 7));
  Sdf face = Union(Union(Ellipse({56, 46}, 5, 7.5f), Ellipse({70, 46}, 4.2f, 7)),
                   Stroke(Arc({64, 58}, 7, 5, 25, 155, 10), 1.8f));
  Sdf creature = Subtract(Union(body, Union(stem, leaf)), face);
  FillShape(canvas, creature, Pillow(creature, kCream, 12, 0.2f), {0, 0, 100, 100});

  const float h0 = 24, h1 = 76, w = 4.6f;
  Glyph t = {{{0, 0}, {1, 0}}, {{0.5f, 0}, {0.5f, 1}}};
  Glyph o = {Arc({0.5f, 0.5f}, 0.5f, 0.5f, 0, 360, 40)};
  Glyph v = {{{0, 0}, {0.5f, 1}, {1, 0}}};
  Glyph i = {{{0.5f, 0}, {0.5f, 1}}};
  Glyph two = Digit(2);
  struct Letter {
    const Glyph* glyph;
    float x0, x1;
  };
  const Letter letters[] = {
      {&t, 92, 118}, {&o, 126, 156}, {&v, 163, 191}, {&i, 193, 205}, {&two, 211, 233}};
  for (const Letter& letter : letters) {
    Sdf shape = GlyphShape(*letter.glyph, {letter.x0, h0, letter.x1, h1}, w);
    FillShape(canvas, shape, Pillow(shape, kCream, 4, 0.2f),
              {letter.x0 - 8, h0 - 8, letter.x1 + 8, h1 + 8});
  }
  return canvas;
}

// A glassy teal sphere: darker towards the lower right, a bright rim, a highlight.
Canvas DrawBall() {
  constexpr int kSize = 106;
  constexpr float r = 52.5f;
  const Vec c{53, 53};
  Canvas canvas(kSize, kSize);
  Brush glass = [&](Vec p) {
    Vec q = (p - c) * (1 / r);
    float z = std::sqrt(std::max(0.0f, 1 - q.x * q.x - q.y * q.y));
    float diffuse = std::max(0.0f, -0.45f * q.x - 0.6f * q.y + 0.66f * z);
    Rgba col = Mix(Hex(0x0E5F6B), Hex(0x5FE0D2), diffuse);
    float rim = std::pow(1 - z, 2.5f);
    col = Mix(col, Hex(0xC8FFF6), 0.55f * rim);
    float spot = Smoothstep(0.34f, 0.05f, std::hypot(q.x + 0.36f, (q.y + 0.42f) * 1.35f));
    col = Mix(col, Hex(0xF0FFFD), 0.85f * spot);
    float under = Smoothstep(0.45f, 0.0f, std::hypot(q.x - 0.25f, (q.y - 0.62f) * 2.2f));
    return Mix(col, Hex(0x9FF5E8), 0.35f * under);
  };
  FillShape(canvas, Circle(c, r), glass, {0, 0, kSize, kSize});
  return canvas;
}

// One cursor frame: a gold arrowhead pointing at the menu item, nudging towards it and
// back once per cycle, with a pulsing glow and a glint sweeping over it.
void DrawCursorFrame(Canvas& canvas, int frame, int x0, int y0) {
  float t = float(frame) / 50;
  float nudge = 3.2f * std::sin(kTau * t);
  Vec c{float(x0) + 19 + nudge, float(y0) + 20};
  auto at = [&](float x, float y) { return Vec{c.x + x, c.y + y}; };
  Box box{float(x0), float(y0), float(x0) + 40, float(y0) + 40};
  Sdf glowShape = Circle(c, 16);
  float glow = 0.22f + 0.12f * std::sin(kTau * t + 1.2f);
  FillShape(canvas, glowShape, Radial(c, 16, WithAlpha(kGold, glow), WithAlpha(kGold, 0)), box);

  Sdf arrow = Grow(Polygon({at(10, 0), at(-8, -10), at(-3.5f, 0), at(-8, 10)}), 2.2f);
  Brush gold = Pillow(arrow, kGold, 5, 0.45f);
  float sweep = -22 + 60 * t;
  Brush shiny = [&, gold](Vec p) {
    Vec q = p - c;
    float band = Smoothstep(3.5f, 0, std::abs(q.x + 0.5f * q.y - sweep));
    return Mix(gold(p), kCream, 0.7f * band);
  };
  FillOutlined(canvas, arrow, shiny, WithAlpha(Hex(0x5A3A0A), 0.95f), 1.3f, box);
}

Canvas DrawCursor() {
  Canvas canvas(400, 200);
  for (int frame = 0; frame < 50; ++frame)
    DrawCursorFrame(canvas, frame, frame % 10 * 40, frame / 10 * 40);
  return canvas;
}

}  // namespace

void MakeGuiImages(AssetOutput& out) {
  out.Save("Data/GUI/back.png", DrawBackTile());
  out.Save("Data/GUI/bklogo.png", DrawLogo());
  out.Save("Data/GUI/ball.png", DrawBall());
  out.Save("Data/GUI/sisak.png", DrawCursor());
  out.Save("Data/GUI/digits.png", DrawDigits());
}
