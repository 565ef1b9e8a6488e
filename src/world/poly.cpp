// Polygons: triangulation with world-anchored texture coordinates, following the body,
// the geometric routines of the world build, and release of the physics objects.
#include "world/poly.h"

#include <algorithm>
#include <cmath>

#include "world/pattern.h"

namespace {

constexpr float kBoundsMargin = 4.0f;
constexpr float kOneThird = 0.33333334f;  // the single the centroid has always used
constexpr float kZeroScale = 0.01f;       // a texture scale of 0 would divide by zero

float Cross(Point2D o, Point2D a, Point2D b) {
  return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

// The turn at b on the way a -> b -> c; 0 when the three lie on one line.
float Turn(Point2D a, Point2D b, Point2D c) {
  return (b.X - a.X) * (c.Y - b.Y) - (b.Y - a.Y) * (c.X - b.X);
}

Point2D At(const TPolyVertex& v) {
  return {v.X, v.Y};
}

bool SamePoint(const TPolyVertex& v, Point2D p) {
  return v.X == p.X && v.Y == p.Y;
}

// Edges count as inside. Written so that a NaN anywhere gives false.
bool InTriangle(Point2D p, Point2D a, Point2D b, Point2D c) {
  float d1 = Cross(a, b, p), d2 = Cross(b, c, p), d3 = Cross(c, a, p);
  return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
}

bool InAnyTriangle(Point2D p, const std::vector<Point2D>& tris) {
  for (size_t i = 0; i + 2 < tris.size(); i += 3)
    if (InTriangle(p, tris[i], tris[i + 1], tris[i + 2])) return true;
  return false;
}

Line2D Edge(const std::vector<TPolyVertex>& v, size_t i) {
  const TPolyVertex& a = v[i];
  const TPolyVertex& b = v[(i + 1) % v.size()];
  return {a.X, a.Y, b.X, b.Y};
}

bool EdgesCross(const std::vector<TPolyVertex>& a, const std::vector<TPolyVertex>& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    Line2D ea = Edge(a, i);
    for (size_t j = 0; j < b.size(); ++j)
      if (col2d_Line(ea, Edge(b, j), nullptr)) return true;
  }
  return false;
}

bool HasUsableTexture(const TPolyPat* pattern) {
  return pattern && pattern->Tex && pattern->Tex->Width > 0 && pattern->Tex->Height > 0;
}

}  // namespace

TPoly::~TPoly() {
  ReleasePhysics();
}

std::unique_ptr<TGameObject> TPoly::CreateCopy() const {
  auto copy = std::make_unique<TPoly>();
  copy->Pattern = Pattern;
  copy->PatternFileName = PatternFileName;
  copy->Type = Type;
  copy->TexScaleX = TexScaleX;
  copy->TexScaleY = TexScaleY;
  copy->TexX = TexX;
  copy->TexY = TexY;
  copy->Visible = Visible;
  copy->Group = Group;
  copy->Vertices = Vertices;
  copy->Tris = Tris;
  copy->TexCoords = TexCoords;
  return copy;
}

// A pattern whose image is missing has triangles (the physics needs them) but is never
// drawn filled.
void TPoly::Draw() {
  if (!Visible || Tris.empty() || TexCoords.size() != Tris.size()) return;
  if (!HasUsableTexture(Pattern)) return;
  pr2d_TriList(Pattern->Tex, Tris.data(), TexCoords.data(), 0, int(Tris.size()) - 1, 0xFFFFFF, 255,
               FX_BLEND | PR2D_FILL);
}

// Moves the rest pose rigidly with the body. Double precision as the physics has it; the
// displayed points are singles.
void TPoly::Update() {
  if (Type != ptDynamic || !Visible || Tris.empty() || !Body) return;
  phys::cpVect pos = phys::cpBodyGetPos(Body);
  double angle = phys::cpBodyGetAngle(Body);
  if (pos.x == FollowedX && pos.y == FollowedY && angle == FollowedAngle) return;
  FollowedX = pos.x;
  FollowedY = pos.y;
  FollowedAngle = angle;
  double c = std::cos(angle), s = std::sin(angle);
  size_t count = std::min(Tris.size(), HomeTris.size());
  for (size_t i = 0; i < count; ++i) {
    double dx = double(HomeTris[i].X) - CenterX;
    double dy = double(HomeTris[i].Y) - CenterY;
    Tris[i] = {float(pos.x + dx * c - dy * s), float(pos.y + dx * s + dy * c)};
  }
}

void TPoly::GetBounds(TBounds& b) const {
  if (Vertices.empty()) return;
  TBounds box{Vertices[0].X, Vertices[0].Y, Vertices[0].X, Vertices[0].Y};
  for (const TPolyVertex& v : Vertices) {
    box.Left = std::min(box.Left, v.X);
    box.Top = std::min(box.Top, v.Y);
    box.Right = std::max(box.Right, v.X);
    box.Bottom = std::max(box.Bottom, v.Y);
  }
  b = {box.Left - kBoundsMargin, box.Top - kBoundsMargin, box.Right + kBoundsMargin,
       box.Bottom + kBoundsMargin};
}

void TPoly::StoreHome() {
  HomeTexX = TexX;
  HomeTexY = TexY;
  for (TPolyVertex& v : Vertices) {
    v.HomeX = v.X;
    v.HomeY = v.Y;
  }
  HomeTris = Tris;
  FollowedX = kUnfollowed;
}

void TPoly::SnapToGrid() {
  TexX = RoundHalfEven(TexX);
  TexY = RoundHalfEven(TexY);
  for (TPolyVertex& v : Vertices) {
    v.X = RoundHalfEven(v.X);
    v.Y = RoundHalfEven(v.Y);
  }
  Tessellate();
}

std::string TPoly::PatternName() const {
  return Pattern ? Pattern->UpperName : "";
}

void TPoly::SetPattern(TPolyPat* pattern) {
  Pattern = pattern;
  if (!pattern) return;
  TexScaleX = pattern->TexScaleX;
  TexScaleY = pattern->TexScaleY;
}

// The texture lies in world units: one texel per unit at scale 1, its origin at (TexX,
// TexY), so neighbouring polygons of one pattern join without seams. The tessellator
// gives no triangles for an outline with a non-finite vertex.
void TPoly::Tessellate() {
  FollowedX = kUnfollowed;
  Tris.clear();
  TexCoords.clear();
  if (Vertices.size() < 3 || !Pattern) return;
  std::vector<Point2D> outline;
  outline.reserve(Vertices.size());
  for (const TPolyVertex& v : Vertices)
    outline.push_back(At(v));
  tess_Triangulate(outline.data(), 0, int(outline.size()) - 1);
  Tris = tess_GetData();
  TexCoords.assign(Tris.size(), Point2D{});
  if (!HasUsableTexture(Pattern)) return;
  const Texture& tex = *Pattern->Tex;
  float kx = tex.U / float(tex.Width), ky = tex.V / float(tex.Height);
  float sx = TexScaleX == 0 ? kZeroScale : TexScaleX;
  float sy = TexScaleY == 0 ? kZeroScale : TexScaleY;
  for (size_t i = 0; i < Tris.size(); ++i)
    TexCoords[i] = {(Tris[i].X - TexX) * kx / sx, tex.V - (Tris[i].Y - TexY) * ky / sy};
}

void TPoly::AddVertex(float x, float y) {
  Vertices.push_back({x, y, 0, 0, false});
}

// Positive for an outline that runs clockwise on the y-down screen.
float TPoly::SignedArea() const {
  if (Vertices.empty()) return 0;
  const TPolyVertex& first = Vertices.front();
  const TPolyVertex& last = Vertices.back();
  float sum = last.X * first.Y - first.X * last.Y;
  for (size_t i = 0; i + 1 < Vertices.size(); ++i)
    sum += Vertices[i].X * Vertices[i + 1].Y - Vertices[i + 1].X * Vertices[i].Y;
  return sum * 0.5f;
}

bool TPoly::IsClockwise() const {
  return SignedArea() > 0;
}

// Sum of the triangles (origin, v[i], v[i+1]) weighted by their signed areas. An outline
// without area has no area centroid; it gets the mean of its vertices instead of a
// division by zero.
Point2D TPoly::Centroid() const {
  size_t n = Vertices.size();
  float cx = 0, cy = 0, total = 0;
  for (size_t i = 0; i < n; ++i) {
    const TPolyVertex& a = Vertices[i];
    const TPolyVertex& b = Vertices[(i + 1) % n];
    float weight = (a.X * b.Y - b.X * a.Y) * 0.5f;
    cx += (a.X + b.X) * kOneThird * weight;
    cy += (a.Y + b.Y) * kOneThird * weight;
    total += weight;
  }
  if (total != 0) return {cx / total, cy / total};
  Point2D mean;
  for (const TPolyVertex& v : Vertices) {
    mean.X += v.X / float(n);
    mean.Y += v.Y / float(n);
  }
  return mean;
}

bool TPoly::IsConvex() const {
  size_t n = Vertices.size();
  bool left = false, right = false;
  for (size_t i = 0; i < n; ++i) {
    float turn = Turn(At(Vertices[i]), At(Vertices[(i + 1) % n]), At(Vertices[(i + 2) % n]));
    left = left || turn < 0;
    right = right || turn > 0;
  }
  return !(left && right);
}

void TPoly::Reverse() {
  if (Vertices.size() > 1) std::reverse(Vertices.begin() + 1, Vertices.end());
}

// One pass from vertex 0: a vertex on the line through its neighbours goes, and its
// successor is tested next against the same predecessor. Vertex 0 is tested against the
// last vertex and the last against the kept vertex 0. Removal stops at three vertices,
// so even a flat outline keeps a triangle's worth. Built into a new list, because erasing
// in place costs a pass per removal on long outlines.
void TPoly::RemoveCollinear() {
  size_t n = Vertices.size();
  if (n < 4) return;
  std::vector<TPolyVertex> kept;
  kept.reserve(n);
  for (size_t j = 0; j < n; ++j) {
    if (kept.size() + (n - j) < 4) {
      kept.insert(kept.end(), Vertices.begin() + std::ptrdiff_t(j), Vertices.end());
      break;
    }
    Point2D prev = kept.empty() ? At(Vertices.back()) : At(kept.back());
    Point2D next = j + 1 < n ? At(Vertices[j + 1]) : At(kept.front());
    if (Turn(prev, At(Vertices[j]), next) != 0) kept.push_back(Vertices[j]);
  }
  Vertices = std::move(kept);
}

void TPoly::CopyVertices(const TPoly& other) {
  Vertices = other.Vertices;
}

bool TPoly::InsertOnEdge(Point2D a, Point2D b, Point2D p) {
  size_t n = Vertices.size();
  for (size_t i = 0; i < n; ++i) {
    const TPolyVertex& from = Vertices[i];
    const TPolyVertex& to = Vertices[(i + 1) % n];
    bool forward = SamePoint(from, a) && SamePoint(to, b);
    bool backward = SamePoint(from, b) && SamePoint(to, a);
    if (forward || backward) {
      Vertices.insert(Vertices.begin() + std::ptrdiff_t(i + 1), {p.X, p.Y, p.X, p.Y, false});
      return true;
    }
  }
  return false;
}

bool TPoly::Overlaps(const TPoly& other) const {
  if (EdgesCross(Vertices, other.Vertices)) return true;
  if (!other.Vertices.empty() && InAnyTriangle(At(other.Vertices[0]), Tris)) return true;
  return !Vertices.empty() && InAnyTriangle(At(Vertices[0]), other.Tris);
}

// Static shapes hang on the level's static body, which the level frees; a dynamic
// polygon owns its body. The adapter's free takes each object out of its space first
// (after the step when the space is stepping), so nothing here touches a space that the
// level may already have taken down.
void TPoly::ReleasePhysics() {
  for (phys::cpShape* shape : Shapes)
    phys::cpShapeFree(shape);
  Shapes.clear();
  phys::cpBodyFree(Body);
  Body = nullptr;
  FollowedX = kUnfollowed;
}
