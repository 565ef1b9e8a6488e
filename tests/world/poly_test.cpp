// Polygons: the geometry of the world build, triangulation with world-anchored texture
// coordinates, copies, following the body, and release of the physics objects.
#include "world/poly.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "object_test_support.h"
#include "world/pattern.h"

namespace {

using object_test::TestWorld;
using XY = std::pair<float, float>;
using Outline = std::vector<XY>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Clockwise on the y-down screen: right along the top, then down.
const Outline kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
const Outline kEll = {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}};

std::unique_ptr<TPoly> MakePoly(const Outline& outline, TPolyPat* pattern = nullptr) {
  auto poly = std::make_unique<TPoly>();
  for (auto [x, y] : outline)
    poly->AddVertex(x, y);
  poly->SetPattern(pattern);
  poly->Tessellate();
  return poly;
}

Outline OutlineOf(const TPoly& poly) {
  Outline out;
  for (const TPolyVertex& v : poly.Vertices)
    out.emplace_back(v.X, v.Y);
  return out;
}

Outline Moved(const Outline& outline, float dx, float dy, float scale = 1) {
  Outline out;
  for (auto [x, y] : outline)
    out.emplace_back(x * scale + dx, y * scale + dy);
  return out;
}

TEST(Poly, area_orientation_convexity_and_centroid) {
  const std::vector<std::tuple<std::string, Outline, float, bool, XY>> cases = {
      {"square, clockwise on screen", kSquare, 100, true, {5, 5}},
      {"square, reversed", {{0, 0}, {0, 10}, {10, 10}, {10, 0}}, -100, true, {5, 5}},
      {"vertex mid-side", {{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}}, 100, true, {5, 5}},
      {"ell", kEll, 300, false, {25.0f / 3, 25.0f / 3}},
      {"triangle", {{100, 50}, {130, 50}, {100, 80}}, 450, true, {110, 60}},
      {"flat: the mean of its vertices", {{0, 0}, {10, 0}, {20, 0}}, 0, true, {10, 0}},
      {"empty", {}, 0, true, {0, 0}},
  };
  for (const auto& [name, outline, area, convex, centroid] : cases) {
    SCOPED_TRACE(name);
    auto poly = MakePoly(outline);
    EXPECT_EQ(std::tuple(poly->SignedArea(), poly->IsClockwise(), poly->IsConvex()),
              std::tuple(area, area > 0, convex));
    Point2D c = poly->Centroid();
    EXPECT_NEAR(c.X, centroid.first, 1e-4);
    EXPECT_NEAR(c.Y, centroid.second, 1e-4);
  }
  auto square = MakePoly(kSquare);
  square->Reverse();
  EXPECT_EQ(OutlineOf(*square), (Outline{{0, 0}, {0, 10}, {10, 10}, {10, 0}}));
}

TEST(Poly, remove_collinear_drops_vertices_exactly_on_their_neighbours_line) {
  const std::vector<std::tuple<std::string, Outline, Outline>> cases = {
      {"vertex mid-side", {{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}}, kSquare},
      {"two in a row", {{0, 0}, {3, 0}, {7, 0}, {10, 0}, {10, 10}, {0, 10}}, kSquare},
      {"vertex 0 on the closing line",
       {{5, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}},
       {{10, 0}, {10, 10}, {0, 10}, {0, 0}}},
      {"nearly on the line",
       {{0, 0}, {5, 0.001f}, {10, 0}, {10, 10}},
       {{0, 0}, {5, 0.001f}, {10, 0}, {10, 10}}},
      {"triangle untouched", {{0, 0}, {5, 0}, {10, 0}}, {{0, 0}, {5, 0}, {10, 0}}},
      {"flat outline keeps three",
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}},
       {{2, 0}, {3, 0}, {4, 0}}},
  };
  for (const auto& [name, outline, expected] : cases) {
    SCOPED_TRACE(name);
    auto poly = MakePoly(outline);
    poly->RemoveCollinear();
    EXPECT_EQ(OutlineOf(*poly), expected);
  }
}

TEST(Poly, overlap_by_crossing_edges_or_containment_either_way) {
  TPolyPat pattern;  // no image: triangles all the same
  const std::vector<std::tuple<std::string, Outline, Outline, bool>> cases = {
      {"edges cross", kSquare, Moved(kSquare, 5, 5), true},
      {"apart", kSquare, Moved(kSquare, 20, 0), false},
      {"corners touch", kSquare, Moved(kSquare, 10, 10), true},
      {"one inside the other", Moved(kSquare, -50, -50, 10), Moved(kSquare, 2, 2, 0.2f), true},
      {"square in the ell's notch", kEll, Moved(kSquare, 11, 11, 0.5f), false},
  };
  for (const auto& [name, a, b, overlap] : cases) {
    SCOPED_TRACE(name);
    auto pa = MakePoly(a, &pattern), pb = MakePoly(b, &pattern);
    EXPECT_EQ(std::pair(pa->Overlaps(*pb), pb->Overlaps(*pa)), std::pair(overlap, overlap));
  }
}

TEST(Poly, tessellation_needs_three_finite_vertices_and_a_pattern) {
  TPolyPat pattern;
  const std::vector<std::tuple<std::string, Outline, TPolyPat*, size_t>> cases = {
      {"square", kSquare, &pattern, 6},
      {"ell", kEll, &pattern, 12},
      {"two vertices", {{0, 0}, {10, 0}}, &pattern, 0},
      {"no pattern", kSquare, nullptr, 0},
      {"not a number", {{0, 0}, {10, 0}, {kNaN, 10}, {0, 10}}, &pattern, 0},
      {"infinite", {{0, 0}, {kInf, 0}, {10, 10}}, &pattern, 0},
  };
  for (const auto& [name, outline, pat, points] : cases) {
    SCOPED_TRACE(name);
    auto poly = MakePoly(outline, pat);
    EXPECT_EQ(std::pair(poly->Tris.size(), poly->TexCoords.size()), std::pair(points, points));
  }
}

TEST(Poly, texture_lies_in_world_units_from_its_origin) {
  TPolyPat pattern;
  pattern.Tex = object_test::MakeTexture(64, 32);
  ASSERT_NE(pattern.Tex, nullptr);
  using Textured = std::vector<std::pair<XY, XY>>;  // point, texture coordinate
  const std::vector<std::tuple<std::string, XY, XY, Textured>> cases = {
      {"one texel per unit",
       {0, 0},
       {1, 1},
       {{{0, 0}, {0, 1}}, {{0, 32}, {0, 0}}, {{64, 0}, {1, 1}}}},
      {"moved origin, scale 2",
       {32, 16},
       {2, 2},
       {{{0, 0}, {-0.25f, 1.25f}}, {{0, 32}, {-0.25f, 0.75f}}, {{64, 0}, {0.25f, 1.25f}}}},
      {"scale 0 counts as 0.01",
       {0, 0},
       {0, 1},
       {{{0, 0}, {0, 1}}, {{0, 32}, {0, 0}}, {{64, 0}, {100, 1}}}},
  };
  for (const auto& [name, origin, scale, expected] : cases) {
    SCOPED_TRACE(name);
    std::tie(pattern.TexScaleX, pattern.TexScaleY) = scale;
    auto poly = MakePoly({{0, 0}, {64, 0}, {0, 32}});
    std::tie(poly->TexX, poly->TexY) = origin;
    poly->SetPattern(&pattern);
    poly->Tessellate();
    Textured got;
    for (size_t i = 0; i < poly->Tris.size(); ++i)
      got.push_back(
          {{poly->Tris[i].X, poly->Tris[i].Y}, {poly->TexCoords[i].X, poly->TexCoords[i].Y}});
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(XY(poly->TexScaleX, poly->TexScaleY), scale);  // 0.01 only in the coordinates
  }
}

TEST(Poly, snap_to_grid_rounds_halves_to_even_and_retessellates) {
  TPolyPat pattern;
  auto poly = MakePoly({{2.5f, 3.5f}, {12.5f, -0.5f}, {10.4f, 20.6f}}, &pattern);
  poly->TexX = 2.5f;
  poly->TexY = -3.5f;
  poly->SnapToGrid();
  const Outline snapped = {{2, 4}, {12, 0}, {10, 21}};
  EXPECT_EQ(OutlineOf(*poly), snapped);
  EXPECT_EQ(XY(poly->TexX, poly->TexY), XY(2, -4));
  Outline tris;
  for (Point2D p : poly->Tris)
    tris.emplace_back(p.X, p.Y);
  std::sort(tris.begin(), tris.end());
  EXPECT_EQ(tris, (Outline{{2, 4}, {10, 21}, {12, 0}}));
}

TEST(Poly, copy_takes_outline_and_looks_but_no_rest_pose_or_physics) {
  TPolyPat pattern;
  auto source = MakePoly(kSquare, &pattern);
  std::tie(source->Type, source->TexScaleX, source->TexScaleY) = std::tuple(ptDynamic, 2, 3);
  std::tie(source->TexX, source->TexY, source->Visible, source->Group) =
      std::tuple(4, 5, false, 512);
  source->StoreHome();
  source->CenterX = 5;
  source->Body = phys::cpBodyNew(1, 1);
  auto object = source->CreateCopy();
  auto& copy = static_cast<TPoly&>(*object);
  EXPECT_EQ(std::tuple(copy.Pattern, copy.Type, copy.TexScaleX, copy.TexScaleY, copy.TexX,
                       copy.TexY, copy.Visible, copy.Group, copy.Tris.size()),
            std::tuple(&pattern, uint8_t(ptDynamic), 2.f, 3.f, 4.f, 5.f, false, 512u, size_t(6)));
  EXPECT_EQ(std::tuple(copy.HomeTris.size(), copy.CenterX, copy.Body),
            std::tuple(size_t(0), 0.0, nullptr));
  copy.Vertices[0].X = 99;
  EXPECT_EQ(OutlineOf(*source), kSquare);
}

TEST(Poly, only_a_visible_dynamic_polygon_follows_its_body) {
  const std::vector<std::tuple<std::string, uint8_t, bool, std::pair<long, long>>> cases = {
      {"dynamic", ptDynamic, true, {10000, 5100}},  // hundredths
      {"invisible", ptDynamic, false, {1100, 0}},
      {"static", ptStatic, true, {1100, 0}},
  };
  for (const auto& [name, type, visible, shown] : cases) {
    SCOPED_TRACE(name);
    TPolyPat pattern;
    auto poly = MakePoly({{11, 0}, {11, 0}, {11, 0}}, &pattern);
    poly->Tris = {{11, 0}, {11, 0}, {11, 0}};  // every point of the rest pose at (11, 0)
    std::tie(poly->Type, poly->Visible, poly->CenterX) = std::tuple(type, visible, 10.0);
    poly->StoreHome();
    poly->Body = phys::cpBodyNew(1, 1);
    phys::cpBodySetPos(poly->Body, {100, 50});
    phys::cpBodySetAngle(poly->Body, std::numbers::pi / 2);
    poly->Update();
    EXPECT_EQ(std::pair(std::lround(poly->Tris[2].X * 100), std::lround(poly->Tris[2].Y * 100)),
              shown);
  }
}

// A box dropped on a static polygon rests on it, and falls once the polygon is gone.
TEST(Poly, release_takes_static_and_dynamic_parts_out_of_the_world) {
  TestWorld world;
  auto floor = MakePoly({{-100, 100}, {100, 100}, {100, 120}, {-100, 120}});
  for (size_t i = 0; i < 4; ++i) {
    const TPolyVertex &a = floor->Vertices[i], &b = floor->Vertices[(i + 1) % 4];
    floor->Shapes.push_back(world.Edge({a.X, a.Y}, {b.X, b.Y}));
  }
  auto box = MakePoly({});
  box->Type = ptDynamic;
  box->Body = phys::cpSpaceAddBody(world.space, phys::cpBodyNew(1, 100));
  phys::cpBodySetPos(box->Body, {0, 90});
  const std::vector<phys::cpVect> corners = {{-5, -5}, {-5, 5}, {5, 5}, {5, -5}};
  box->Shapes.push_back(
      phys::cpSpaceAddShape(world.space, phys::cpPolyShapeNew(box->Body, corners, {0, 0})));
  world.Step(500);
  EXPECT_NEAR(phys::cpBodyGetPos(box->Body).y, 94.8, 0.2);
  floor.reset();
  world.Step(500);
  EXPECT_GT(phys::cpBodyGetPos(box->Body).y, 105);
  box->ReleasePhysics();
  EXPECT_EQ(std::tuple(box->Body, box->Shapes.size()), std::tuple(nullptr, size_t(0)));
}

// Outlines from hostile level files: nothing here may crash or take long.
TEST(Poly, huge_and_non_finite_outlines) {
  TPolyPat pattern;
  const int n = 100000;
  Outline ring, edges;
  for (int i = 0; i < n; ++i) {
    double a = 2 * std::numbers::pi * i / n;
    ring.emplace_back(float(1000 * std::cos(a)), float(1000 * std::sin(a)));
  }
  auto big = MakePoly(ring, &pattern);
  EXPECT_EQ(big->Tris.size(), size_t(3 * (n - 2)));
  TBounds box;
  big->GetBounds(box);
  EXPECT_EQ(box, (TBounds{-1004, -1004, 1004, 1004}));
  EXPECT_TRUE(big->Overlaps(*MakePoly(kSquare, &pattern)));

  const float side = n / 4;  // a square with a vertex at every unit of its sides
  const std::vector<std::pair<XY, XY>> sides = {
      {{0, 0}, {1, 0}}, {{side, 0}, {0, 1}}, {{side, side}, {-1, 0}}, {{0, side}, {0, -1}}};
  for (auto [from, step] : sides)
    for (float i = 0; i < side; ++i)
      edges.emplace_back(from.first + step.first * i, from.second + step.second * i);
  auto square = MakePoly(edges);
  square->RemoveCollinear();
  EXPECT_EQ(OutlineOf(*square), (Outline{{0, 0}, {side, 0}, {side, side}, {0, side}}));

  auto broken = MakePoly({{kNaN, 0}, {10, kInf}, {0, 10}, {-kInf, kNaN}}, &pattern);
  broken->RemoveCollinear();
  broken->SnapToGrid();
  EXPECT_EQ(std::pair(broken->Tris.size(), broken->Overlaps(*big)), std::pair(size_t(0), false));
}

}  // namespace
