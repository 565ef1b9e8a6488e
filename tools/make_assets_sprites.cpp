// Decoration sprites (tree, bush, flowers, cloud) and the part images of the two
// keyframed animations: the windmill and the swaying sunflower. The part layout of
// windmill.png and sunflower.png is what windmill.rgs and sunflower.rgs cut out.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "make_assets.h"

using namespace paint;

namespace {

const Rgba kLeafDark = Hex(0x2D6B2A);
const Rgba kLeaf = Hex(0x4FA33A);
const Rgba kLeafLight = Hex(0x8ED25A);
const Rgba kOutlineGreen = WithAlpha(Hex(0x173F16), 0.85f);
const Rgba kOutlineBrown = WithAlpha(Hex(0x3A2210), 0.85f);

Box Around(Vec c, float r) {
  return {c.x - r, c.y - r, c.x + r, c.y + r};
}

// A bunch of round leaf clusters: one outline around them all, each cluster shaded as a
// ball (the upper ones in front), and small leaves speckled over them.
void DrawFoliage(Canvas& canvas, std::vector<std::pair<Vec, float>> blobs, Box box, uint32_t seed) {
  Sdf mass;
  for (const auto& [c, r] : blobs) {
    Sdf blob = Circle(c, r);
    mass = mass ? SmoothUnion(mass, blob, 4) : blob;
  }
  FillShape(canvas, Grow(mass, 1.3f), kOutlineGreen,
            {box.x0 - 2, box.y0 - 2, box.x1 + 2, box.y1 + 2});
  std::sort(blobs.begin(), blobs.end(),
            [](const auto& a, const auto& b) { return a.first.y > b.first.y; });
  for (const auto& [c, r] : blobs) {
    Sdf blob = Intersect(Circle(c, r), mass);
    FillShape(canvas, Grow(blob, 0.8f), WithAlpha(kLeafDark, 0.7f), Around(c, r + 2));
    FillShape(canvas, blob, Pillow(Circle(c, r), kLeaf, r * 0.9f, 0.06f), Around(c, r + 1));
  }
  Random random(seed);
  Sdf inside = Grow(mass, -3);
  for (int i = 0; i < 220; ++i) {
    Vec leaf{random.Uniform(box.x0, box.x1), random.Uniform(box.y0, box.y1)};
    if (inside(leaf) > 0) continue;
    // Lit leaves towards the upper left of the mass, shadowed ones below.
    bool lit = random.Uniform(0, 1) > Smoothstep(box.y0, box.y1, leaf.y);
    Sdf shape = Grow(Capsule(leaf, leaf + Rotate({3, 0}, random.Uniform(0, 360)), 0.1f), 1.3f);
    FillShape(canvas, Intersect(shape, inside),
              lit ? WithAlpha(kLeafLight, 0.7f) : WithAlpha(kLeafDark, 0.5f), Around(leaf, 6));
  }
}

Canvas DrawTree() {
  Canvas canvas(160, 220);
  Sdf trunk = Union(Polygon({{66, 219}, {72, 190}, {74, 120}, {86, 120}, {88, 190}, {95, 219}}),
                    Union(Capsule({80, 150}, {52, 112}, 4.5f), Capsule({81, 140}, {110, 106}, 4)));
  Brush bark = [](Vec p) {
    float streak = ValueNoise({p.x * 4, p.y * 0.3f}, 6, 0, 0, 13);
    Rgba c = Mix(Hex(0x5C3820), Hex(0x9A6A40), Smoothstep(64, 92, p.x));
    return Shade(c, 0.85f + 0.25f * streak);
  };
  FillOutlined(canvas, trunk, bark, kOutlineBrown, 1.2f, {40, 95, 120, 220});
  DrawFoliage(canvas,
              {{{80, 62}, 40},
               {{46, 88}, 30},
               {{114, 86}, 32},
               {{60, 44}, 26},
               {{104, 44}, 26},
               {{80, 104}, 28},
               {{30, 112}, 18},
               {{132, 112}, 18}},
              {0, 0, 160, 150}, 3);
  return canvas;
}

Canvas DrawBush() {
  Canvas canvas(100, 60);
  DrawFoliage(canvas,
              {{{30, 38}, 20}, {{52, 30}, 24}, {{74, 38}, 20}, {{14, 46}, 12}, {{88, 46}, 11}},
              {0, 0, 100, 60}, 5);
  Random random(6);
  for (int i = 0; i < 7; ++i) {
    Vec berry{random.Uniform(16, 84), random.Uniform(24, 48)};
    Sdf shape = Circle(berry, 2.3f);
    FillOutlined(canvas, shape, Pillow(shape, Hex(0xE0463A), 2, 0.8f),
                 WithAlpha(Hex(0x4A1010), 0.8f), 0.6f, Around(berry, 4));
  }
  return canvas;
}

// A flower head: petals around a centre, lit from the upper left.
void DrawBlossom(Canvas& canvas, Vec c, float r, const Rgba& petal, float turn) {
  Sdf petals;
  for (int i = 0; i < 5; ++i) {
    Vec offset = Rotate({0, -r * 0.62f}, turn + float(i) * 72);
    Sdf one = Circle(c + offset, r * 0.5f);
    petals = petals ? Union(petals, one) : one;
  }
  FillOutlined(canvas, petals, Pillow(petals, petal, r * 0.5f, 0.3f),
               WithAlpha(Shade(petal, 0.35f), 0.8f), 0.7f, Around(c, r * 1.3f));
  Sdf middle = Circle(c, r * 0.32f);
  FillShape(canvas, middle, Pillow(middle, Hex(0xF5B82E), r * 0.3f, 0.5f), Around(c, r));
}

Canvas DrawFlowers() {
  Canvas canvas(64, 40);
  struct Flower {
    Vec root, head;
    float r;
    uint32_t color;
  };
  const Flower flowers[] = {{{14, 40}, {10, 14}, 7, 0xFFFFFF},
                            {{30, 40}, {32, 8}, 7.5f, 0xF27BA8},
                            {{46, 40}, {52, 17}, 6.5f, 0x7FA8F5},
                            {{22, 40}, {24, 24}, 5, 0xFFE066}};
  for (const Flower& f : flowers) {
    Vec mid{(f.root.x + f.head.x) / 2 + 2, (f.root.y + f.head.y) / 2};
    Sdf stem = Stroke({f.root, mid, f.head}, 1.1f);
    FillShape(canvas, stem, Hex(0x3E8A2E), {0, 0, 64, 40});
    Sdf leaf = Ellipse({mid.x + 4, mid.y + 4}, 4.5f, 2);
    FillShape(canvas, leaf, Pillow(leaf, kLeaf, 2, 0.2f), Around(mid, 10));
  }
  for (const Flower& f : flowers)
    DrawBlossom(canvas, f.head, f.r, Hex(f.color), f.r * 7);
  return canvas;
}

Canvas DrawCloudSprite() {
  Canvas canvas(220, 120);
  DrawCloud(canvas, {110, 76}, 180, 4, 1);
  return canvas;
}

// windmill.png: the tower on the left (0..96 x 0..160; its hub at (48, 40)), the sails on
// the right (96..224 x 0..128; their hub at (160, 64)).
Canvas DrawWindmill() {
  Canvas canvas(224, 160);
  Sdf wall = Polygon({{10, 158}, {26, 44}, {70, 44}, {86, 158}});
  Brush plaster = [](Vec p) {
    Rgba c = Mix(Hex(0xF4E8CC), Hex(0xC9B48E), Smoothstep(30, 86, p.x));
    return Shade(c, 0.94f + 0.1f * Fbm(p, 16, 3, 0, 0, 7));
  };
  FillOutlined(canvas, wall, plaster, kOutlineBrown, 1.2f, {0, 30, 96, 160});
  Sdf roof = Polygon({{18, 48}, {48, 8}, {78, 48}});
  FillOutlined(canvas, Grow(roof, 2), Pillow(Grow(roof, 2), Hex(0xB5483A), 10, 0.2f), kOutlineBrown,
               1.2f, {0, 0, 96, 56});
  Sdf door = Union(RoundBox({48, 146}, {9, 12}, 1), Circle({48, 136}, 9));
  FillOutlined(canvas, door, Linear({40, 0}, Hex(0x6E4224), {56, 0}, Hex(0x4A2A14)), kOutlineBrown,
               1, {30, 120, 66, 160});
  Sdf window = Circle({48, 84}, 7);
  FillOutlined(canvas, window, Radial({45, 81}, 9, Hex(0x9FD3F0), Hex(0x3E6F94)), kOutlineBrown,
               1.5f, {36, 72, 60, 96});

  const Vec hub{160, 64};
  for (int i = 0; i < 4; ++i) {
    float turn = float(i) * 90;
    auto at = [&](float x, float y) { return hub + Rotate({x, y}, turn); };
    Sdf spar = Capsule(at(0, 0), at(0, -60), 2.2f);
    Sdf sail = Polygon({at(2, -14), at(15, -16), at(15, -60), at(2, -60)});
    Sdf lattice = Ring(sail, 0.9f);
    for (float y = -24; y > -60; y -= 9)
      lattice = Union(lattice, Capsule(at(2, y), at(15, y), 0.7f));
    lattice = Union(lattice, Capsule(at(8.5f, -15), at(8.5f, -60), 0.7f));
    FillShape(canvas, sail, WithAlpha(Hex(0xFFF6E4), 0.85f), {96, 0, 224, 128});
    FillShape(canvas, lattice, Hex(0x7A5030), {96, 0, 224, 128});
    FillOutlined(canvas, spar, Solid(Hex(0x8B5A32)), kOutlineBrown, 0.8f, {96, 0, 224, 128});
  }
  Sdf cap = Circle(hub, 7);
  FillOutlined(canvas, cap, Pillow(cap, Hex(0x8B5A32), 5, 0.4f), kOutlineBrown, 1, Around(hub, 10));
  return canvas;
}

// sunflower.png: the stem with its leaves (0..40 x 0..110, foot at (20, 108), top at
// (20, 6)) and the head (40..104 x 0..64, centre at (72, 32)).
Canvas DrawSunflower() {
  Canvas canvas(104, 112);
  Sdf stem = TaperedCapsule({20, 108}, {20, 4}, 3.2f, 2.2f);
  FillOutlined(canvas, stem, Linear({16, 0}, Hex(0x5DAE3E), {24, 0}, Hex(0x2F7526)), kOutlineGreen,
               0.9f, {0, 0, 40, 112});
  for (int side : {-1, 1}) {
    float y = side < 0 ? 62 : 80;
    Sdf leaf = Polygon({{20, y},
                        {20 + side * 9.0f, y - 9},
                        {20 + side * 18.0f, y - 6},
                        {20 + side * 10.0f, y + 2}});
    leaf = Grow(leaf, 1.5f);
    FillOutlined(canvas, leaf, Pillow(leaf, kLeaf, 4, 0.2f), kOutlineGreen, 0.9f,
                 {0, y - 20, 40, y + 10});
  }
  const Vec c{72, 32};
  Sdf petals;
  for (int i = 0; i < 14; ++i) {
    Vec tip = c + Rotate({0, -28}, float(i) * 360 / 14);
    Sdf petal = TaperedCapsule(c, tip, 6, 2.5f);
    petals = petals ? Union(petals, petal) : petal;
  }
  FillOutlined(canvas, petals, Pillow(petals, Hex(0xFFC83A), 6, 0.25f),
               WithAlpha(Hex(0x8A5A08), 0.85f), 0.9f, {40, 0, 104, 64});
  Sdf seeds = Circle(c, 12);
  Brush dotted = [c](Vec p) {
    float n = 0.5f + 0.5f * std::sin(p.x * 2.1f) * std::sin(p.y * 2.1f);
    return Mix(Hex(0x5A3416), Hex(0x7E4E22),
               n * Smoothstep(12, 4, std::hypot(p.x - c.x, p.y - c.y)));
  };
  FillOutlined(canvas, seeds, dotted, WithAlpha(Hex(0x2E1A08), 0.9f), 1, Around(c, 15));
  return canvas;
}

}  // namespace

// A cluster of pale blue crystals, for the crystal cave.
Canvas DrawGemSprite() {
  Canvas canvas(64, 56);
  struct Crystal {
    Vec foot;
    float angle, length, width;
    uint32_t color;
  };
  const Crystal crystals[] = {{{24, 54}, -22, 34, 7, 0x6FA8FF},
                              {{42, 54}, 24, 30, 6.5f, 0x9C7BFF},
                              {{32, 54}, 0, 48, 9, 0x8FE3FF}};
  for (const Crystal& k : crystals) {
    auto at = [&](float x, float y) { return k.foot + Rotate({x, y}, k.angle); };
    Sdf gem = Polygon({at(-k.width, 0), at(-k.width, -k.length + k.width), at(0, -k.length - 2),
                       at(k.width, -k.length + k.width), at(k.width, 0)});
    Vec a = at(-k.width, 0), b = at(k.width, 0);
    Brush facets = [=](Vec p) {
      Vec q = Rotate(p - k.foot, -k.angle);
      Rgba base = Hex(k.color);
      Rgba c = q.x < 0 ? Shade(base, 1.15f) : Shade(base, 0.8f);
      return Mix(c, Hex(0xFFFFFF), 0.5f * Smoothstep(1.5f, 0, std::abs(q.x + k.width * 0.45f)));
    };
    FillOutlined(canvas, gem, facets, WithAlpha(Hex(0x1E1850), 0.9f), 1,
                 {std::min(a.x, b.x) - 20, 0, std::max(a.x, b.x) + 20, 56});
  }
  Vec glow{32, 20};
  FillShape(canvas, Circle(glow, 4), Radial(glow, 4, Hex(0xFFFFFF, 0.9f), Hex(0xFFFFFF, 0)),
            Around(glow, 5));
  return canvas;
}

void MakeSpriteImages(AssetOutput& out) {
  out.Save("Data/Sprites/tree.png", DrawTree());
  out.Save("Data/Sprites/bush.png", DrawBush());
  out.Save("Data/Sprites/flowers.png", DrawFlowers());
  out.Save("Data/Sprites/cloud.png", DrawCloudSprite());
  out.Save("Data/Sprites/windmill.png", DrawWindmill());
  out.Save("Data/Sprites/sunflower.png", DrawSunflower());
}
