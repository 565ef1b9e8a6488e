// Tessellation through the GLU tesselator (which needs no GL context), segment crossing,
// distance, and the file-name helpers.
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

#include "platform/engine_draw.h"

namespace {

// What the tesselator callbacks collect during one tess_Triangulate.
struct TessRun {
  std::vector<Point2D> triangles;
  std::deque<std::array<GLdouble, 3>> added;  // intersection points; addresses stay put
  bool failed = false;
};

std::vector<Point2D>& LastTriangles() {
  static std::vector<Point2D> triangles;
  return triangles;
}

void OnBegin(GLenum, void*) {}
void OnEnd(void*) {}
// Having an edge-flag callback makes GLU emit separate triangles, never fans or strips.
void OnEdgeFlag(GLboolean, void*) {}

void OnVertex(void* vertex, void* run) {
  const auto* p = static_cast<const GLdouble*>(vertex);
  static_cast<TessRun*>(run)->triangles.push_back({float(p[0]), float(p[1])});
}

void OnCombine(const GLdouble coords[3], void* /*vertexData*/[4], const GLfloat /*weight*/[4],
               void** outData, void* run) {
  auto& added = static_cast<TessRun*>(run)->added;
  added.push_back({coords[0], coords[1], coords[2]});
  *outData = added.back().data();
}

void OnError(GLenum, void* run) {
  static_cast<TessRun*>(run)->failed = true;
}

template <typename F>
void Register(GLUtesselator* tess, GLenum which, F* callback) {
  gluTessCallback(tess, which, reinterpret_cast<_GLUfuncptr>(callback));
}

bool AllFinite(const Point2D* points, int count) {
  return std::all_of(points, points + count,
                     [](const Point2D& p) { return std::isfinite(p.X) && std::isfinite(p.Y); });
}

std::vector<Point2D> Triangulate(const Point2D* points, int count) {
  std::vector<std::array<GLdouble, 3>> input(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    input[size_t(i)] = {points[i].X, points[i].Y, 0};
  TessRun run;
  GLUtesselator* tess = gluNewTess();
  if (!tess) return {};
  Register(tess, GLU_TESS_BEGIN_DATA, &OnBegin);
  Register(tess, GLU_TESS_VERTEX_DATA, &OnVertex);
  Register(tess, GLU_TESS_END_DATA, &OnEnd);
  Register(tess, GLU_TESS_EDGE_FLAG_DATA, &OnEdgeFlag);
  Register(tess, GLU_TESS_COMBINE_DATA, &OnCombine);
  Register(tess, GLU_TESS_ERROR_DATA, &OnError);
  // Every outline lies in the plane z = 0; naming the normal spares GLU guessing it from
  // points that may be collinear.
  gluTessNormal(tess, 0, 0, 1);
  gluTessBeginPolygon(tess, &run);
  gluTessBeginContour(tess);
  for (auto& p : input)
    gluTessVertex(tess, p.data(), p.data());
  gluTessEndContour(tess);
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  if (run.failed || run.triangles.size() % 3 != 0) return {};
  return std::move(run.triangles);
}

size_t LastSeparator(const std::string& fileName) {
  return fileName.find_last_of("/\\");
}

// The file name without its folder.
std::string NamePart(const std::string& fileName) {
  size_t slash = LastSeparator(fileName);
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

float Cross(float ax, float ay, float bx, float by) {
  return ax * by - ay * bx;
}

}  // namespace

void tess_Triangulate(const Point2D* contour, int iLo, int iHi, bool /*addHoles*/) {
  std::vector<Point2D>& result = LastTriangles();
  result.clear();
  if (!contour || iLo < 0 || iHi - iLo < 2) return;
  const Point2D* points = contour + iLo;
  int count = iHi - iLo + 1;
  if (!AllFinite(points, count)) return;
  result = Triangulate(points, count);
}

std::vector<Point2D> tess_GetData() {
  return LastTriangles();
}

// Crossing of two segments, ends included; parallel segments never cross.
bool col2d_Line(const Line2D& a, const Line2D& b, Point2D* colPoint) {
  float adx = a.x1 - a.x0, ady = a.y1 - a.y0;
  float bdx = b.x1 - b.x0, bdy = b.y1 - b.y0;
  float d = Cross(adx, ady, bdx, bdy);
  if (d == 0) return false;
  float ox = b.x0 - a.x0, oy = b.y0 - a.y0;
  float t = Cross(ox, oy, bdx, bdy) / d;  // along a
  float u = Cross(ox, oy, adx, ady) / d;  // along b
  if (!(t >= 0 && t <= 1 && u >= 0 && u <= 1)) return false;
  if (colPoint) *colPoint = {a.x0 + t * adx, a.y0 + t * ady};
  return true;
}

float m_Distance(float x1, float y1, float x2, float y2) {
  return std::hypot(x2 - x1, y2 - y1);
}

std::string file_GetName(const std::string& fileName) {
  std::string name = NamePart(fileName);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string file_GetExtension(const std::string& fileName) {
  std::string name = NamePart(fileName);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(dot + 1);
}

std::string file_GetDirectory(const std::string& fileName) {
  size_t slash = LastSeparator(fileName);
  return slash == std::string::npos ? "" : fileName.substr(0, slash + 1);
}

std::string engine_DiskPath(const std::string& fileName) {
  std::string path = fileName;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}
