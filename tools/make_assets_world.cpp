// The world behind and under the creature: the scrolling sky and the polygon fill
// textures. Fill textures repeat in both directions (one texel per world unit), so
// everything on them is drawn on wrapping canvases or from periodic noise.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "make_assets.h"

using namespace paint;

namespace {

constexpr float kTau = 2 * std::numbers::pi_v<float>;
constexpr int kTile = 128;

Sdf Everywhere() {
  return [](Vec) { return -100.0f; };
}

void Paint(Canvas& canvas, const Brush& brush) {
  FillShape(canvas, Everywhere(), brush, {0, 0, float(canvas.Width()), float(canvas.Height())});
}

// ---- Sky -----------------------------------------------------------------------------

constexpr int kSkyW = 800, kSkyH = 600;

// A sum of sines whose wavelengths divide the sky's width, so the two copies that the
// game draws side by side join.
float Ridge(float x, float base, std::initializer_list<Vec> waves, float phase) {
  float y = base;
  int k = 0;
  for (Vec w : waves) {
    y += w.y * std::sin(kTau * w.x * x / kSkyW + phase + float(k++) * 1.7f);
  }
  return y;
}

// A range of hills below the ridge line, hazier the farther it is.
void DrawHills(Canvas& sky, float base, std::initializer_list<Vec> waves, float phase,
               const Rgba& top, const Rgba& bottom) {
  auto ridge = [=](float x) { return Ridge(x, base, waves, phase); };
  Sdf hills = [=](Vec p) { return ridge(p.x) - p.y; };
  FillShape(sky, hills, Linear({0, base - 40}, top, {0, kSkyH}, bottom), {0, 0, kSkyW, kSkyH});
}

// Groves of round trees along the nearest range, a shade darker than it.
void DrawHillTrees(Canvas& sky, float base, std::initializer_list<Vec> waves, float phase,
                   const Rgba& color) {
  Random random(41);
  for (int grove = 0; grove < 6; ++grove) {
    float x0 = float(grove) * kSkyW / 6 + random.Uniform(0, 70);
    int trees = random.Int(4, 8);
    for (int i = 0; i < trees; ++i) {
      float x = x0 + float(i) * random.Uniform(8, 13);
      float r = random.Uniform(7, 13);
      float y = Ridge(x, base, waves, phase) - r * 0.55f;
      Rgba tone = Shade(color, random.Uniform(0.92f, 1.06f));
      for (float shift : {-float(kSkyW), 0.0f, float(kSkyW)}) {
        Vec c{x + shift, y};
        Sdf crown =
            SmoothUnion(Ellipse(c, r * 0.85f, r), Circle({c.x, c.y + r * 0.9f}, r * 0.5f), 3);
        FillShape(sky, crown, Pillow(crown, tone, r * 3, 0),
                  {c.x - 2 * r, c.y - 2 * r, c.x + 2 * r, c.y + 3 * r});
      }
    }
  }
}

Canvas DrawSky() {
  Canvas sky(kSkyW, kSkyH);
  Paint(sky, [](Vec p) {
    float t = p.y / kSkyH;
    Rgba c = Mix(Hex(0x3D84D8), Hex(0xA9D8F2), Smoothstep(0, 0.7f, t));
    return Mix(c, Hex(0xEAF6EE), Smoothstep(0.55f, 1, t));
  });
  Random random(7);
  for (int i = 0; i < 7; ++i) {
    float x = float(i) * kSkyW / 7 + random.Uniform(-30, 30);
    float y = random.Uniform(70, 270);
    float width = random.Uniform(110, 190) * (1 - y / 900);
    for (float shift : {-float(kSkyW), 0.0f, float(kSkyW)})
      DrawCloud(sky, {x + shift, y}, width, 100 + uint32_t(i), 0.92f);
  }
  DrawHills(sky, 400, {{2, 34}, {3, 22}, {7, 9}, {17, 3}}, 0.4f, Hex(0xB2D3E2), Hex(0xCFE6E6));
  DrawHills(sky, 470, {{3, 26}, {7, 10}, {13, 4}}, 2.1f, Hex(0x97C6C0), Hex(0xB6D9CF));
  const auto nearWaves = {Vec{2, 30}, Vec{5, 14}, Vec{11, 5}};
  DrawHillTrees(sky, 530, nearWaves, 4.0f, Hex(0x679F7A));
  DrawHills(sky, 530, nearWaves, 4.0f, Hex(0x78B28A), Hex(0x8FC29A));
  return sky;
}

// ---- Polygon textures ----------------------------------------------------------------

// Soil: fine clods and grain over a gentle mottle. Large blotches would show the tile's
// repeat across a hillside, so the broad variation stays weak.
Rgba Soil(Vec p) {
  float broad = Fbm(p, 64, 2, kTile, kTile, 3);
  float clods = Fbm(p, 16, 3, kTile, kTile, 5);
  float fine = ValueNoise(p, 3, kTile, kTile, 4);
  Rgba c = Mix(Hex(0x6A4128), Hex(0x93603A), 0.35f + 0.3f * broad);
  c = Mix(c, Hex(0x4E2E1A), 0.5f * Smoothstep(0.55f, 0.75f, clods));
  c = Mix(c, Hex(0xA8744A), 0.35f * Smoothstep(0.42f, 0.28f, clods));
  return Shade(c, 0.92f + 0.16f * fine);
}

// Pebbles on a jittered grid, so that none bunch up, and dark specks anywhere.
void DrawPebbles(Canvas& canvas, uint32_t seed, int grid) {
  Random random(seed);
  for (int i = 0; i < grid * grid * 4; ++i) {
    Vec c{random.Uniform(0, kTile), random.Uniform(0, kTile)};
    float r = random.Uniform(0.5f, 1.2f);
    FillShape(canvas, Circle(c, r), WithAlpha(Hex(0x3A2212), 0.6f),
              {c.x - 2, c.y - 2, c.x + 2, c.y + 2});
  }
  const float cell = float(kTile) / float(grid);
  for (int i = 0; i < grid * grid; ++i) {
    if (random.Uniform(0, 1) < 0.35f) continue;
    Vec c{(float(i % grid) + random.Uniform(0.2f, 0.8f)) * cell,
          (float(i / grid) + random.Uniform(0.2f, 0.8f)) * cell};
    float rx = random.Uniform(1.8f, 4.5f), ry = rx * random.Uniform(0.55f, 0.85f);
    Rgba stone = Mix(Hex(0x7D7266), Hex(0xA39480), random.Uniform(0, 1));
    Sdf pebble = Ellipse(c, rx, ry);
    Box box{c.x - rx - 3, c.y - ry - 3, c.x + rx + 3, c.y + ry + 3};
    FillShape(canvas, Translate(pebble, {0.6f, 1.2f}), WithAlpha(Hex(0x2E1A0C), 0.45f), box);
    FillOutlined(canvas, pebble, Pillow(pebble, stone, 3, 0.3f), WithAlpha(Hex(0x3A2616), 0.7f),
                 0.6f, box);
  }
}

Canvas DrawEarth() {
  Canvas canvas(kTile, kTile, true);
  Paint(canvas, Soil);
  DrawPebbles(canvas, 21, 4);
  return canvas;
}

// Blades of grass over a green ground.
void DrawBlades(Canvas& canvas, uint32_t seed, int count, float y0, float y1, float length) {
  Random random(seed);
  // In random order: drawing them from top to bottom would leave a seam where the tile
  // repeats, with the last blades over the first.
  for (int i = 0; i < count; ++i) {
    Vec root{random.Uniform(0, kTile), random.Uniform(y0, y1)};
    float len = length * random.Uniform(0.6f, 1.1f);
    Vec tip{root.x + random.Uniform(-0.45f, 0.45f) * len, root.y - len};
    Rgba base = Mix(Hex(0x2C6E22), Hex(0x4E9A32), random.Uniform(0, 1));
    Rgba top = Mix(Hex(0x7FC64A), Hex(0xB5E46A), random.Uniform(0, 1));
    Sdf blade = TaperedCapsule(root, tip, random.Uniform(1.0f, 1.6f), 0.25f);
    FillShape(canvas, blade, Linear(root, base, tip, top),
              {std::min(root.x, tip.x) - 3, tip.y - 3, std::max(root.x, tip.x) + 3, root.y + 3});
  }
}

Rgba Turf(Vec p) {
  float n = Fbm(p, 32, 4, kTile, kTile, 9);
  return Mix(Hex(0x2F7526), Hex(0x57A53A), n);
}

Canvas DrawGrass() {
  Canvas canvas(kTile, kTile, true);
  Paint(canvas, Turf);
  DrawBlades(canvas, 5, 700, 0, kTile, 14);
  return canvas;
}

// Earth with a band of grass along its top row; the band's lower edge hangs in tufts.
// It joins left to right; from top to bottom it is meant to start at a polygon's top.
Canvas DrawGround() {
  Canvas canvas = DrawEarth();
  Canvas grass = DrawGrass();
  Random random(33);
  std::vector<Vec> tufts;
  for (int i = 0; i < 14; ++i)
    tufts.push_back({float(i) * kTile / 14 + random.Uniform(-3, 3), random.Uniform(5, 10)});
  auto edge = [](float x) {
    return 21 + 2.5f * std::sin(kTau * 3 * x / kTile) + 1.5f * std::sin(kTau * 7 * x / kTile + 1);
  };
  Sdf band = [&](Vec p) {
    float d = p.y - edge(p.x);
    for (Vec t : tufts) {
      for (float shift : {-float(kTile), 0.0f, float(kTile)}) {
        float dx = std::abs(p.x - t.x - shift);
        // A narrow downward point below the edge.
        float tip = edge(t.x) + t.y * (1 - dx / 4.5f);
        if (dx < 4.5f) d = std::min(d, p.y - tip);
      }
    }
    return d;
  };
  Sdf shadow = Translate(band, {0, 4});
  FillShape(canvas, shadow, WithAlpha(Hex(0x2A170A), 0.45f), {0, 0, kTile, 45});
  FillShape(canvas, band, [&](Vec p) { return grass.At(int(p.x), int(p.y)); }, {0, 0, kTile, 45});
  // Sunlit top rim.
  FillShape(canvas, [](Vec p) { return p.y - 2.5f; },
            Linear({0, 0}, WithAlpha(Hex(0xC9F07A), 0.8f), {0, 3}, WithAlpha(Hex(0xC9F07A), 0)),
            {0, 0, kTile, 4});
  return canvas;
}

// Nearest and second-nearest of jittered points, one per cell, repeating every tile.
struct Cells {
  float f1 = 1e9f, f2 = 1e9f;
  int id = 0;  // cell of the nearest point
};

Cells NearestCells(Vec p, int n, uint32_t seed) {
  const float cell = float(kTile) / float(n);
  int cx = int(std::floor(p.x / cell)), cy = int(std::floor(p.y / cell));
  Cells result;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      int gx = cx + dx, gy = cy + dy;
      int wx = (gx % n + n) % n, wy = (gy % n + n) % n;
      Vec point{(float(gx) + 0.15f + 0.7f * Hash(wx, wy, seed)) * cell,
                (float(gy) + 0.15f + 0.7f * Hash(wx, wy, seed + 1)) * cell};
      float d = std::hypot(p.x - point.x, p.y - point.y);
      if (d < result.f1) {
        result.f2 = result.f1;
        result.f1 = d;
        result.id = wy * n + wx;
      } else if (d < result.f2) {
        result.f2 = d;
      }
    }
  }
  return result;
}

// Rounded stones with dark joints, lit from the upper left.
Canvas DrawRock() {
  Canvas canvas(kTile, kTile, true);
  constexpr int kCells = 4;
  auto border = [](Vec p) {
    Cells c = NearestCells(p, kCells, 17);
    return (c.f2 - c.f1) / 2;
  };
  Paint(canvas, [&](Vec p) {
    Cells c = NearestCells(p, kCells, 17);
    float e = (c.f2 - c.f1) / 2;
    float tone = Hash(c.id, 0, 23);
    Rgba stone = Mix(Hex(0x6F7180), Hex(0xA3A3A8), tone);
    stone = Mix(stone, Hex(0x8C8270), 0.25f * Hash(c.id, 1, 23));
    Vec g{border({p.x + 0.5f, p.y}) - border({p.x - 0.5f, p.y}),
          border({p.x, p.y + 0.5f}) - border({p.x, p.y - 0.5f})};
    float bevel = 1 - Smoothstep(0, 7, e);
    float lit = (g.x * 0.7f + g.y * 0.7f) * bevel;  // rising towards the light
    float grain = Fbm(p, 16, 4, kTile, kTile, 29);
    Rgba c2 = Shade(stone, 0.82f + 0.25f * grain + 0.45f * lit - 0.1f * bevel);
    return Mix(Hex(0x35343C), c2, Smoothstep(0.6f, 1.8f, e));
  });
  return canvas;
}

// Four planks with grain, seams and nails; the seams are staggered.
Canvas DrawWood() {
  Canvas canvas(kTile, kTile, true);
  constexpr float kPlank = 32;
  const float seams[4] = {22, 86, 50, 114};
  Paint(canvas, [&](Vec p) {
    int plank = int(p.y / kPlank) % 4;
    float v = p.y - float(plank) * kPlank;
    Vec stretched{p.x, p.y * 6};
    float warp = Fbm(stretched, 64, 3, kTile, kTile * 6, 51 + uint32_t(plank));
    float rings = 0.5f + 0.5f * std::sin((p.y + 14 * warp) * 1.3f);
    Rgba base = Mix(Hex(0x9A6134), Hex(0xC58A50), Hash(plank, 0, 61));
    Rgba c = Mix(Shade(base, 0.82f), base, rings);
    c = Shade(c, 0.93f + 0.14f * ValueNoise({p.x, p.y * 4}, 8, kTile, kTile * 4, 71));
    float top = Smoothstep(3, 0, v), bottom = Smoothstep(kPlank - 3, kPlank, v);
    c = Mix(c, Hex(0xE0B078), 0.35f * top);
    c = Mix(c, Hex(0x4A2A12), 0.6f * bottom);
    float seam = std::abs(p.x - seams[plank]);
    seam = std::min(seam, float(kTile) - seam);
    c = Mix(c, Hex(0x3E220E), Smoothstep(1.6f, 0.4f, seam));
    return c;
  });
  for (int plank = 0; plank < 4; ++plank) {
    for (float side : {-6.0f, 6.0f}) {
      Vec nail{seams[plank] + side, float(plank) * kPlank + kPlank / 2};
      Sdf head = Circle(nail, 2.1f);
      FillOutlined(canvas, head, Pillow(head, Hex(0x9DA3A8), 2, 0.6f),
                   WithAlpha(Hex(0x2E2418), 0.8f), 0.5f,
                   {nail.x - 4, nail.y - 4, nail.x + 4, nail.y + 4});
    }
  }
  return canvas;
}

}  // namespace

// A cumulus: a row of puffs, the biggest in the middle, over a softly rounded base;
// white on top, blue-grey below, with a soft rim so that it never looks cut out.
void DrawCloud(Canvas& canvas, Vec c, float width, uint32_t seed, float alpha) {
  Random random(seed);
  float h = width * 0.24f;
  Sdf cloud = Ellipse({c.x, c.y + h * 0.3f}, width * 0.48f, h * 0.5f);
  const int puffs = 5 + int(seed % 3);
  for (int i = 0; i < puffs; ++i) {
    float t = (float(i) + 0.5f) / float(puffs);
    float middle = 1 - 1.6f * std::abs(t - 0.5f);
    float r = h * (0.42f + 0.6f * middle) * random.Uniform(0.75f, 1.1f);
    Vec puff{c.x + (t - 0.5f) * width * 0.8f + random.Uniform(-4, 4),
             c.y + h * 0.3f - r * 0.8f + random.Uniform(-0.1f, 0.1f) * h};
    cloud = SmoothUnion(cloud, Circle(puff, r), h * 0.1f);
    if (middle > 0.5f) {
      // A smaller puff riding on a big one breaks the outline.
      Vec top = puff + Rotate({0, -r * 0.8f}, random.Uniform(-50, 50));
      cloud = SmoothUnion(cloud, Circle(top, r * 0.45f), h * 0.08f);
    }
  }
  Sdf base = [c, h, width](Vec p) {
    float x = (p.x - c.x) / width;
    return p.y - (c.y + h * 0.7f - 0.5f * h * x * x);
  };
  cloud = SmoothUnion(Intersect(cloud, base), Ellipse({c.x, c.y + h * 0.55f}, width * 0.3f, 3), 4);
  Sdf soft = Grow(cloud, 2);
  Brush shade = [c, h, alpha, soft](Vec p) {
    float t = Smoothstep(c.y - h * 1.2f, c.y + h * 0.8f, p.y);
    Rgba col = Mix(Hex(0xFFFFFF), Hex(0xBFD2E4), t * t);
    return WithAlpha(col, alpha * Smoothstep(0, -5, soft(p)));
  };
  FillShape(canvas, soft, shade, {c.x - width, c.y - 2.5f * h, c.x + width, c.y + 2 * h});
}

// Dark violet rock with crystal shards grown into it, each a pointed prism with a lit
// and a shaded face.
Canvas DrawCrystalTexture() {
  Canvas canvas(kTile, kTile, true);
  Paint(canvas, [](Vec p) {
    float n = Fbm(p, 32, 5, kTile, kTile, 83);
    float veins = Smoothstep(0.46f, 0.5f, Fbm(p, 16, 3, kTile, kTile, 84)) *
                  Smoothstep(0.54f, 0.5f, Fbm(p, 16, 3, kTile, kTile, 84));
    Rgba c = Mix(Hex(0x44347E), Hex(0x7361B8), Smoothstep(0.3f, 0.75f, n));
    return Mix(c, Hex(0xA896F0), 0.35f * veins);
  });
  // One shard in most cells of a 4 x 4 grid, so that none of them bunch up.
  Random random(89);
  for (int i = 0; i < 16; ++i) {
    if (random.Uniform(0, 1) < 0.3f) continue;
    Vec foot{(float(i % 4) + random.Uniform(0.25f, 0.75f)) * kTile / 4,
             (float(i / 4) + random.Uniform(0.3f, 0.8f)) * kTile / 4};
    float angle = random.Uniform(-70, 70) + (i % 2 ? 180 : 0), length = random.Uniform(8, 17);
    float width = length * random.Uniform(0.22f, 0.32f);
    Rgba tint = Mix(Hex(0x8C6CF0), Hex(0x6FC8F5), random.Uniform(0, 1));
    auto at = [&](float x, float y) { return foot + Rotate({x, y}, angle); };
    Sdf shard = Polygon({at(-width, 0), at(-width, -length), at(0, -length - width * 1.4f),
                         at(width, -length), at(width, 0)});
    Brush facets = [=](Vec p) {
      Vec q = Rotate(p - foot, -angle);
      Rgba c = q.x < 0 ? Shade(tint, 1.2f) : Shade(tint, 0.75f);
      c = Mix(c, Hex(0xFFFFFF), 0.55f * Smoothstep(1.2f, 0, std::abs(q.x + width * 0.5f)));
      return Mix(c, Hex(0x2A1E50), Smoothstep(-length * 0.4f, 0, q.y) * 0.5f);
    };
    Box box{foot.x - length - 10, foot.y - length - 10, foot.x + length + 10, foot.y + length + 10};
    FillShape(canvas, Grow(shard, 2.5f), WithAlpha(Hex(0xB9A4FF), 0.18f), box);
    FillOutlined(canvas, shard, facets, WithAlpha(Hex(0x1A1236), 0.9f), 0.8f, box);
  }
  return canvas;
}

// The dim back wall of the crystal cave: dark rock with faint glints, quiet enough to sit
// behind everything.
Canvas DrawCaveWall() {
  Canvas canvas(kTile, kTile, true);
  Paint(canvas, [](Vec p) {
    float n = Fbm(p, 64, 5, kTile, kTile, 91);
    float ridges = 1 - std::abs(2 * Fbm(p, 32, 4, kTile, kTile, 92) - 1);
    Rgba c = Mix(Hex(0x1A1430), Hex(0x33295A), Smoothstep(0.3f, 0.8f, n));
    return Mix(c, Hex(0x4B3F80), 0.3f * Smoothstep(0.8f, 0.95f, ridges));
  });
  Random random(93);
  for (int i = 0; i < 9; ++i) {
    Vec s{random.Uniform(0, kTile), random.Uniform(0, kTile)};
    float r = random.Uniform(1, 2.2f);
    FillShape(canvas, Circle(s, r * 2), Radial(s, r * 2, Hex(0xB9A4FF, 0.5f), Hex(0xB9A4FF, 0)),
              {s.x - 5, s.y - 5, s.x + 5, s.y + 5});
  }
  return canvas;
}

void MakeWorldImages(AssetOutput& out) {
  out.Save("Data/Backgrounds/sky.png", DrawSky());
  out.Save("Data/Polygons/earth.png", DrawEarth());
  out.Save("Data/Polygons/grass.png", DrawGrass());
  out.Save("Data/Polygons/ground.png", DrawGround());
  out.Save("Data/Polygons/rock.png", DrawRock());
  out.Save("Data/Polygons/wood.png", DrawWood());
}
