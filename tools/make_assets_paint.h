// Drawing for the asset generator: a floating-point canvas, shapes given by signed
// distance fields (which makes every edge anti-aliased by its exact coverage), gradients,
// soft "pillow" shading, and periodic value noise with a fixed seed, so that tiles join
// and every run draws the same pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace paint {

// A colour with straight alpha, every channel 0..1.
struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

// 0xRRGGBB with an alpha.
Rgba Hex(uint32_t rgb, float a = 1);
Rgba Mix(const Rgba& from, const Rgba& to, float t);
// The colour with its r, g, b multiplied by f (f > 1 lightens).
Rgba Shade(const Rgba& c, float f);
Rgba WithAlpha(const Rgba& c, float a);

struct Vec {
  float x = 0, y = 0;
};
inline Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
inline Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
inline Vec operator*(Vec a, float s) {
  return {a.x * s, a.y * s};
}
Vec Rotate(Vec v, float degrees);

float Clamp01(float v);
float Smoothstep(float edge0, float edge1, float v);
float Lerp(float a, float b, float t);

// Pixels with premultiplied alpha. A wrapping canvas draws what leaves one edge onto the
// opposite one, which is how tiles are made seamless.
class Canvas {
 public:
  Canvas(int width, int height, bool wrap = false);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Wraps() const { return wrap_; }

  // Source-over blending of c, weighted by coverage (0..1).
  void Blend(int x, int y, const Rgba& c, float coverage = 1);
  // The straight-alpha colour of a pixel (wrapped or clamped to the canvas).
  Rgba At(int x, int y) const;

  // 8-bit straight RGBA, rows top to bottom, rounded to nearest.
  std::vector<uint8_t> ToRgba8() const;

 private:
  int width_, height_;
  bool wrap_;
  std::vector<Rgba> px_;  // premultiplied
};

// A signed distance in pixels from a point to a shape's edge: negative inside.
using Sdf = std::function<float(Vec p)>;
// The colour of a shape at a point.
using Brush = std::function<Rgba(Vec p)>;

struct Box {
  float x0, y0, x1, y1;
};

// Fills a shape: every pixel whose centre lies within box and within a pixel of the
// shape gets the brush's colour, weighted by the area the shape covers (from its
// distance). On a wrapping canvas the box may reach over the edges.
void FillShape(Canvas& canvas, const Sdf& shape, const Brush& brush, Box box);
// The same with one colour.
void FillShape(Canvas& canvas, const Sdf& shape, const Rgba& color, Box box);
// Draws the shape twice: grown by width in the outline colour, then filled by the brush.
void FillOutlined(Canvas& canvas, const Sdf& shape, const Brush& brush, const Rgba& outline,
                  float width, Box box);

// ---- Shapes --------------------------------------------------------------------------

Sdf Circle(Vec c, float r);
// Not an exact distance, but close enough near the edge for the thin shapes drawn here.
Sdf Ellipse(Vec c, float rx, float ry);
// A segment with round ends of radius r.
Sdf Capsule(Vec a, Vec b, float r);
// A segment whose radius goes from ra at a to rb at b.
Sdf TaperedCapsule(Vec a, Vec b, float ra, float rb);
// A closed polygon, either winding.
Sdf Polygon(std::vector<Vec> points);
// A box with rounded corners of radius r, centred on c with half-sizes h.
Sdf RoundBox(Vec c, Vec h, float r);
// A polyline drawn with round joins and ends, half-width w.
Sdf Stroke(std::vector<Vec> points, float w);
// The outline of a shape as a band of half-width w.
Sdf Ring(Sdf shape, float w);

Sdf Union(Sdf a, Sdf b);
Sdf Intersect(Sdf a, Sdf b);
Sdf Subtract(Sdf a, Sdf b);  // a without b
Sdf Grow(Sdf a, float by);   // negative by shrinks
// Blends two shapes into one with a rounded seam of about k pixels.
Sdf SmoothUnion(Sdf a, Sdf b, float k);
Sdf Translate(Sdf a, Vec by);

// Points along an ellipse arc from degree a0 to a1 (y down, so 90 is straight down).
std::vector<Vec> Arc(Vec c, float rx, float ry, float a0, float a1, int steps);
std::vector<Vec> Join(std::vector<Vec> a, const std::vector<Vec>& b);

// ---- Brushes -------------------------------------------------------------------------

Brush Solid(const Rgba& c);
// From c0 at point a to c1 at point b, constant across.
Brush Linear(Vec a, const Rgba& c0, Vec b, const Rgba& c1);
// From c0 at the centre to c1 at radius r.
Brush Radial(Vec c, float r, const Rgba& c0, const Rgba& c1);
// Soft rounded shading of a flat shape as if it bulged towards the viewer: the base
// colour lit from the upper left, darker towards the rim, with a highlight. depth is the
// distance from the rim (pixels) over which the surface rises.
Brush Pillow(Sdf shape, Rgba base, float depth, float highlight = 0.35f);

// ---- Noise ---------------------------------------------------------------------------

// 0..1 from integer coordinates and a seed.
float Hash(int x, int y, uint32_t seed);
// Smooth value noise 0..1 with cells of `cell` pixels that repeats every period pixels
// in x and y (period a multiple of cell; 0 means no repetition).
float ValueNoise(Vec p, float cell, int periodX, int periodY, uint32_t seed);
// Sum of octaves of value noise, halving the cell and the weight each octave; 0..1.
float Fbm(Vec p, float cell, int octaves, int periodX, int periodY, uint32_t seed);

// A small deterministic random sequence for placing things.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed * 747796405u + 2891336453u) {}
  uint32_t Next();
  float Uniform(float lo, float hi);
  int Int(int lo, int hi);  // lo..hi inclusive

 private:
  uint32_t state_;
};

}  // namespace paint
