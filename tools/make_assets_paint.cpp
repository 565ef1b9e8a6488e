#include "make_assets_paint.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace paint {

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180;

float Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}

float Length(Vec v) {
  return std::sqrt(Dot(v, v));
}

// Distance from p to the segment a-b, and where along it the nearest point lies (0..1).
std::pair<float, float> SegmentDistance(Vec p, Vec a, Vec b) {
  Vec ab = b - a;
  float len2 = Dot(ab, ab);
  float t = len2 > 0 ? Clamp01(Dot(p - a, ab) / len2) : 0;
  return {Length(p - (a + ab * t)), t};
}

int Wrap(int v, int n) {
  int m = v % n;
  return m < 0 ? m + n : m;
}

// Quintic fade: smooth value noise without visible cell edges.
float Fade(float t) {
  return t * t * t * (t * (t * 6 - 15) + 10);
}

}  // namespace

Rgba Hex(uint32_t rgb, float a) {
  return {float(rgb >> 16 & 0xFF) / 255, float(rgb >> 8 & 0xFF) / 255, float(rgb & 0xFF) / 255, a};
}

Rgba Mix(const Rgba& from, const Rgba& to, float t) {
  return {Lerp(from.r, to.r, t), Lerp(from.g, to.g, t), Lerp(from.b, to.b, t),
          Lerp(from.a, to.a, t)};
}

Rgba Shade(const Rgba& c, float f) {
  return {Clamp01(c.r * f), Clamp01(c.g * f), Clamp01(c.b * f), c.a};
}

Rgba WithAlpha(const Rgba& c, float a) {
  return {c.r, c.g, c.b, a};
}

Vec Rotate(Vec v, float degrees) {
  float c = std::cos(degrees * kDegree), s = std::sin(degrees * kDegree);
  return {v.x * c - v.y * s, v.x * s + v.y * c};
}

float Clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

float Smoothstep(float edge0, float edge1, float v) {
  float t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

float Lerp(float a, float b, float t) {
  return a + (b - a) * t;
}

// ---- Canvas --------------------------------------------------------------------------

Canvas::Canvas(int width, int height, bool wrap)
    : width_(width), height_(height), wrap_(wrap), px_(size_t(width) * size_t(height)) {}

void Canvas::Blend(int x, int y, const Rgba& c, float coverage) {
  if (wrap_) {
    x = Wrap(x, width_);
    y = Wrap(y, height_);
  } else if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    return;
  }
  float a = Clamp01(c.a * coverage);
  Rgba& d = px_[size_t(y) * size_t(width_) + size_t(x)];
  d.r = c.r * a + d.r * (1 - a);
  d.g = c.g * a + d.g * (1 - a);
  d.b = c.b * a + d.b * (1 - a);
  d.a = a + d.a * (1 - a);
}

Rgba Canvas::At(int x, int y) const {
  if (wrap_) {
    x = Wrap(x, width_);
    y = Wrap(y, height_);
  } else {
    x = std::clamp(x, 0, width_ - 1);
    y = std::clamp(y, 0, height_ - 1);
  }
  const Rgba& p = px_[size_t(y) * size_t(width_) + size_t(x)];
  if (p.a <= 0) return {};
  return {p.r / p.a, p.g / p.a, p.b / p.a, p.a};
}

std::vector<uint8_t> Canvas::ToRgba8() const {
  std::vector<uint8_t> out;
  out.reserve(px_.size() * 4);
  auto byte = [](float v) { return uint8_t(std::lround(Clamp01(v) * 255)); };
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      Rgba c = At(x, y);
      uint8_t a = byte(c.a);
      // Fully transparent pixels carry no colour, so equal images give equal files.
      out.insert(out.end(), {a ? byte(c.r) : uint8_t(0), a ? byte(c.g) : uint8_t(0),
                             a ? byte(c.b) : uint8_t(0), a});
    }
  }
  return out;
}

// ---- Filling -------------------------------------------------------------------------

void FillShape(Canvas& canvas, const Sdf& shape, const Brush& brush, Box box) {
  int x0 = int(std::floor(box.x0)), x1 = int(std::ceil(box.x1));
  int y0 = int(std::floor(box.y0)), y1 = int(std::ceil(box.y1));
  if (!canvas.Wraps()) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, canvas.Width());
    y1 = std::min(y1, canvas.Height());
  }
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      Vec p{float(x) + 0.5f, float(y) + 0.5f};
      float coverage = Clamp01(0.5f - shape(p));
      if (coverage > 0) canvas.Blend(x, y, brush(p), coverage);
    }
  }
}

void FillShape(Canvas& canvas, const Sdf& shape, const Rgba& color, Box box) {
  FillShape(canvas, shape, Solid(color), box);
}

void FillOutlined(Canvas& canvas, const Sdf& shape, const Brush& brush, const Rgba& outline,
                  float width, Box box) {
  FillShape(canvas, Grow(shape, width), outline,
            {box.x0 - width, box.y0 - width, box.x1 + width, box.y1 + width});
  FillShape(canvas, shape, brush, box);
}

// ---- Shapes --------------------------------------------------------------------------

Sdf Circle(Vec c, float r) {
  return [=](Vec p) { return Length(p - c) - r; };
}

Sdf Ellipse(Vec c, float rx, float ry) {
  return [=](Vec p) {
    Vec q = p - c;
    float k0 = Length({q.x / rx, q.y / ry});
    float k1 = Length({q.x / (rx * rx), q.y / (ry * ry)});
    if (k1 == 0) return -std::min(rx, ry);
    return k0 * (k0 - 1) / k1;
  };
}

Sdf Capsule(Vec a, Vec b, float r) {
  return [=](Vec p) { return SegmentDistance(p, a, b).first - r; };
}

Sdf TaperedCapsule(Vec a, Vec b, float ra, float rb) {
  return [=](Vec p) {
    auto [d, t] = SegmentDistance(p, a, b);
    return d - Lerp(ra, rb, t);
  };
}

Sdf Polygon(std::vector<Vec> v) {
  return [v = std::move(v)](Vec p) {
    float d = Dot(p - v[0], p - v[0]);
    float s = 1;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
      Vec e = v[j] - v[i], w = p - v[i];
      Vec b = w - e * Clamp01(Dot(w, e) / Dot(e, e));
      d = std::min(d, Dot(b, b));
      bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
  };
}

Sdf RoundBox(Vec c, Vec h, float r) {
  return [=](Vec p) {
    Vec q{std::abs(p.x - c.x) - h.x + r, std::abs(p.y - c.y) - h.y + r};
    Vec outside{std::max(q.x, 0.0f), std::max(q.y, 0.0f)};
    return Length(outside) + std::min(std::max(q.x, q.y), 0.0f) - r;
  };
}

Sdf Stroke(std::vector<Vec> points, float w) {
  return [points = std::move(points), w](Vec p) {
    float d = Length(p - points[0]);
    for (size_t i = 1; i < points.size(); ++i)
      d = std::min(d, SegmentDistance(p, points[i - 1], points[i]).first);
    return d - w;
  };
}

Sdf Ring(Sdf shape, float w) {
  return [shape = std::move(shape), w](Vec p) { return std::abs(shape(p)) - w; };
}

Sdf Union(Sdf a, Sdf b) {
  return [a = std::move(a), b = std::move(b)](Vec p) { return std::min(a(p), b(p)); };
}

Sdf Intersect(Sdf a, Sdf b) {
  return [a = std::move(a), b = std::move(b)](Vec p) { return std::max(a(p), b(p)); };
}

Sdf Subtract(Sdf a, Sdf b) {
  return [a = std::move(a), b = std::move(b)](Vec p) { return std::max(a(p), -b(p)); };
}

Sdf Grow(Sdf a, float by) {
  return [a = std::move(a), by](Vec p) { return a(p) - by; };
}

Sdf SmoothUnion(Sdf a, Sdf b, float k) {
  return [a = std::move(a), b = std::move(b), k](Vec p) {
    float da = a(p), db = b(p);
    float h = Clamp01(0.5f + 0.5f * (db - da) / k);
    return Lerp(db, da, h) - k * h * (1 - h);
  };
}

Sdf Translate(Sdf a, Vec by) {
  return [a = std::move(a), by](Vec p) { return a(p - by); };
}

std::vector<Vec> Arc(Vec c, float rx, float ry, float a0, float a1, int steps) {
  std::vector<Vec> points;
  for (int i = 0; i <= steps; ++i) {
    float a = Lerp(a0, a1, float(i) / float(steps)) * kDegree;
    points.push_back({c.x + rx * std::cos(a), c.y + ry * std::sin(a)});
  }
  return points;
}

std::vector<Vec> Join(std::vector<Vec> a, const std::vector<Vec>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---- Brushes -------------------------------------------------------------------------

Brush Solid(const Rgba& c) {
  return [c](Vec) { return c; };
}

Brush Linear(Vec a, const Rgba& c0, Vec b, const Rgba& c1) {
  Vec ab = b - a;
  float len2 = std::max(Dot(ab, ab), 1e-6f);
  return [=](Vec p) { return Mix(c0, c1, Clamp01(Dot(p - a, ab) / len2)); };
}

Brush Radial(Vec c, float r, const Rgba& c0, const Rgba& c1) {
  return [=](Vec p) { return Mix(c0, c1, Clamp01(Length(p - c) / r)); };
}

Brush Pillow(Sdf shape, Rgba base, float depth, float highlight) {
  return [shape = std::move(shape), base, depth, highlight](Vec p) {
    constexpr float kStep = 0.5f;
    float d = shape(p);
    Vec grad{shape({p.x + kStep, p.y}) - shape({p.x - kStep, p.y}),
             shape({p.x, p.y + kStep}) - shape({p.x, p.y - kStep})};
    float glen = Length(grad);
    Vec out = glen > 0 ? grad * (1 / glen) : Vec{};
    // Circular cross-section: upright at the rim, flat where the depth is reached.
    float s = Clamp01(1 + d / depth);
    float nx = out.x * s, ny = out.y * s, nz = std::sqrt(std::max(0.0f, 1 - s * s));
    constexpr float lx = -0.48f, ly = -0.67f, lz = 0.57f;  // upper left, towards us
    float diffuse = std::max(0.0f, nx * lx + ny * ly + nz * lz);
    // Half vector of the light and the viewer (0, 0, 1) for the highlight.
    float hx = lx, hy = ly, hz = lz + 1;
    float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    float specular = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl), 28.0f);
    Rgba c = Shade(base, 0.6f + 0.72f * diffuse);
    return Mix(c, Rgba{1, 1, 0.95f, base.a}, specular * highlight);
  };
}

// ---- Noise ---------------------------------------------------------------------------

float Hash(int x, int y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B1u;
  h ^= uint32_t(x) * 0x85EBCA77u;
  h = (h << 13 | h >> 19) * 0xC2B2AE3Du;
  h ^= uint32_t(y) * 0x27D4EB2Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return float(h >> 8) / float(1u << 24);
}

float ValueNoise(Vec p, float cell, int periodX, int periodY, uint32_t seed) {
  float gx = p.x / cell, gy = p.y / cell;
  int ix = int(std::floor(gx)), iy = int(std::floor(gy));
  float fx = Fade(gx - float(ix)), fy = Fade(gy - float(iy));
  int nx = periodX > 0 ? std::max(1, int(std::lround(float(periodX) / cell))) : 0;
  int ny = periodY > 0 ? std::max(1, int(std::lround(float(periodY) / cell))) : 0;
  auto corner = [&](int cx, int cy) {
    return Hash(nx ? Wrap(cx, nx) : cx, ny ? Wrap(cy, ny) : cy, seed);
  };
  float top = Lerp(corner(ix, iy), corner(ix + 1, iy), fx);
  float bottom = Lerp(corner(ix, iy + 1), corner(ix + 1, iy + 1), fx);
  return Lerp(top, bottom, fy);
}

float Fbm(Vec p, float cell, int octaves, int periodX, int periodY, uint32_t seed) {
  float sum = 0, weight = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += weight * ValueNoise(p, cell, periodX, periodY, seed + uint32_t(i) * 101u);
    total += weight;
    weight *= 0.5f;
    cell *= 0.5f;
  }
  return sum / total;
}

uint32_t Random::Next() {
  state_ = state_ * 747796405u + 2891336453u;
  uint32_t word = ((state_ >> ((state_ >> 28) + 4)) ^ state_) * 277803737u;
  return (word >> 22) ^ word;
}

float Random::Uniform(float lo, float hi) {
  return lo + (hi - lo) * float(Next() >> 8) / float(1u << 24);
}

int Random::Int(int lo, int hi) {
  return lo + int(Next() % uint32_t(hi - lo + 1));
}

}  // namespace paint
