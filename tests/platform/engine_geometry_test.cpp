#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include "platform/engine.h"

namespace {

using Outline = std::vector<Point2D>;

// Half the shoelace sum, positive for either winding.
double OutlineArea(const Outline& points) {
  double sum = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const Point2D& a = points[i];
    const Point2D& b = points[(i + 1) % points.size()];
    sum += double(a.X) * b.Y - double(b.X) * a.Y;
  }
  return std::fabs(sum) / 2;
}

double TriangleArea(const Point2D& a, const Point2D& b, const Point2D& c) {
  return std::fabs((double(b.X) - a.X) * (double(c.Y) - a.Y) -
                   (double(c.X) - a.X) * (double(b.Y) - a.Y)) /
         2;
}

struct Triangulation {
  size_t triangles = 0;
  double area = 0;
  bool whole = true;  // three points per triangle
  bool operator==(const Triangulation&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Triangulation& t) {
  return out << "{triangles " << t.triangles << ", area " << t.area << ", whole " << t.whole << "}";
}

Triangulation Summarise(const std::vector<Point2D>& points) {
  Triangulation t;
  t.whole = points.size() % 3 == 0;
  t.triangles = points.size() / 3;
  for (size_t i = 0; i + 2 < points.size(); i += 3)
    t.area += TriangleArea(points[i], points[i + 1], points[i + 2]);
  t.area = std::round(t.area * 1000) / 1000;  // the tesselator works in doubles, we in floats
  return t;
}

Triangulation Triangulate(const Outline& outline) {
  tess_Triangulate(outline.data(), 0, int(outline.size()) - 1);
  return Summarise(tess_GetData());
}

Outline Star() {
  Outline star;
  for (int i = 0; i < 10; ++i) {
    double angle = i * std::numbers::pi / 5;
    double radius = i % 2 == 0 ? 100 : 40;
    star.push_back({float(200 + radius * std::sin(angle)), float(200 - radius * std::cos(angle))});
  }
  return star;
}

Outline Reversed(Outline outline) {
  return {outline.rbegin(), outline.rend()};
}

TEST(EngineTess, outlines_become_triangles_covering_their_area) {
  const Outline lShape = {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 30}, {0, 30}};
  const Outline squareWithMidpoint = {{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}};
  const Outline bowTie = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};  // crosses itself at (5, 5)
  struct Row {
    const char* name;
    Outline outline;
    Triangulation expected;
  };
  const Row rows[] = {
      {"L shape", lShape, {4, 400, true}},
      {"L shape, other winding", Reversed(lShape), {4, 400, true}},
      {"star", Star(), {8, std::round(OutlineArea(Star()) * 1000) / 1000, true}},
      {"square with a vertex on a side", squareWithMidpoint, {3, 100, true}},
      {"bow tie", bowTie, {2, 50, true}},
      {"triangle", {{0, 0}, {4, 0}, {0, 3}}, {1, 6, true}},
      {"all on one line", {{0, 0}, {5, 5}, {10, 10}, {20, 20}}, {0, 0, true}},
      {"one point repeated", {{3, 3}, {3, 3}, {3, 3}}, {0, 0, true}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Triangulate(row.outline), row.expected) << row.name;
}

TEST(EngineTess, triangles_use_only_the_outline_points) {
  const Outline lShape = {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 30}, {0, 30}};
  tess_Triangulate(lShape.data(), 0, 5);
  for (const Point2D& p : tess_GetData()) {
    bool found = false;
    for (const Point2D& q : lShape)
      found = found || (p.X == q.X && p.Y == q.Y);
    EXPECT_TRUE(found) << p.X << ", " << p.Y;
  }
}

TEST(EngineTess, unusable_input_gives_no_triangles) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const Outline square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  struct Row {
    const char* name;
    Outline outline;
    int iLo, iHi;
  };
  const Row rows[] = {
      {"NaN vertex", {{0, 0}, {nan, 0}, {10, 10}, {0, 10}}, 0, 3},
      {"infinite vertex", {{0, 0}, {10, 0}, {10, inf}, {0, 10}}, 0, 3},
      {"two points", square, 0, 1},
      {"upper index below lower", square, 3, 1},
      {"negative lower index", square, -1, 3},
  };
  for (const Row& row : rows) {
    tess_Triangulate(square.data(), 0, 3);  // a previous result must not survive
    tess_Triangulate(row.outline.data(), row.iLo, row.iHi);
    EXPECT_EQ(tess_GetData().size(), 0u) << row.name;
  }
  tess_Triangulate(nullptr, 0, 3);
  EXPECT_EQ(tess_GetData().size(), 0u);
}

TEST(EngineTess, index_range_selects_part_of_the_list) {
  // Points 2..5 form a 10 x 10 square; the two before it would make a much larger shape.
  const Outline points = {{-500, -500}, {900, 0}, {0, 0}, {10, 0}, {10, 10}, {0, 10}};
  tess_Triangulate(points.data(), 2, 5);
  EXPECT_EQ(Summarise(tess_GetData()), (Triangulation{2, 100, true}));
}

struct Crossing {
  bool crosses = false;
  float x = 0, y = 0;
  bool operator==(const Crossing&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Crossing& c) {
  return out << "{" << c.crosses << ", " << c.x << ", " << c.y << "}";
}

TEST(EngineGeometry, segments_cross_only_within_both) {
  struct Row {
    const char* name;
    Line2D a, b;
    Crossing expected;
  };
  const Row rows[] = {
      {"an X", {0, 0, 10, 10}, {0, 10, 10, 0}, {true, 5, 5}},
      {"a T", {0, 0, 10, 0}, {4, -5, 4, 0}, {true, 4, 0}},
      {"shared end", {0, 0, 10, 0}, {10, 0, 10, 8}, {true, 10, 0}},
      {"lines cross beyond b", {0, 0, 10, 10}, {0, 10, 4, 6}, {false, 0, 0}},
      {"lines cross beyond a", {0, 0, 2, 2}, {0, 10, 10, 0}, {false, 0, 0}},
      {"parallel", {0, 0, 10, 0}, {0, 1, 10, 1}, {false, 0, 0}},
      {"on one line, overlapping", {0, 0, 10, 0}, {5, 0, 15, 0}, {false, 0, 0}},
      {"zero length", {3, 3, 3, 3}, {0, 0, 10, 10}, {false, 0, 0}},
  };
  for (const Row& row : rows) {
    Point2D at{};
    Crossing got;
    got.crosses = col2d_Line(row.a, row.b, &at);
    if (got.crosses) got = {true, at.X, at.Y};
    EXPECT_EQ(got, row.expected) << row.name;
    EXPECT_EQ(col2d_Line(row.a, row.b, nullptr), row.expected.crosses) << row.name;
  }
}

TEST(EngineGeometry, distance_between_points) {
  EXPECT_EQ(m_Distance(1, 2, 4, 6), 5.0f);
  EXPECT_EQ(m_Distance(4, 6, 1, 2), 5.0f);
  EXPECT_EQ(m_Distance(-3, 0, -3, 0), 0.0f);
}

struct FileParts {
  std::string name, extension, directory;
  bool operator==(const FileParts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FileParts& p) {
  return out << "{\"" << p.name << "\", \"" << p.extension << "\", \"" << p.directory << "\"}";
}

TEST(EngineFileNames, both_separators_split_folder_name_and_extension) {
  struct Row {
    std::string path;
    FileParts expected;
  };
  const Row rows[] = {
      {"Data\\GUI\\font.zfi", {"font", "zfi", "Data\\GUI\\"}},
      {"Data/GUI/font.zfi", {"font", "zfi", "Data/GUI/"}},
      {"Levels/sub\\Run.VLE", {"Run", "VLE", "Levels/sub\\"}},
      {"Rec\\my.best.run.cre", {"my.best.run", "cre", "Rec\\"}},
      {"pack.v2/readme", {"readme", "", "pack.v2/"}},
      {"plain", {"plain", "", ""}},
      {"Levels\\", {"", "", "Levels\\"}},
      {"/abs/file.png", {"file", "png", "/abs/"}},
      {".hidden", {"", "hidden", ""}},
      {"trailing.", {"trailing", "", ""}},
      {"", {"", "", ""}},
  };
  for (const Row& row : rows) {
    FileParts got{file_GetName(row.path), file_GetExtension(row.path), file_GetDirectory(row.path)};
    EXPECT_EQ(got, row.expected) << row.path;
  }
}

}  // namespace
