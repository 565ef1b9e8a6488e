// Circles, sprites, touchable objects and joints.
#include "world/elements.h"

#include <algorithm>
#include <cmath>

#include "anim/anim_play.h"
#include "world/anim_time.h"
#include "world/level.h"
#include "world/pattern.h"

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr double kRadiansToDegrees = 57.29578049;
constexpr int kMinCircleVertices = 8;
constexpr int kMaxCircleVertices = 32;
constexpr float kCircleBoundsMargin = 4.0f;
constexpr float kJointHalfSize = 5.0f;
constexpr float kObjAnimStep = 0.024f;  // frames per step, whatever the pattern says

// round(r) limited to 8..32; a radius that is not a number gets the fewest.
int CircleVertexCount(float r) {
  double rounded = std::nearbyint(double(r));
  if (rounded >= kMaxCircleVertices) return kMaxCircleVertices;
  if (rounded >= kMinCircleVertices) return int(rounded);
  return kMinCircleVertices;
}

TBounds BoxAround(float x, float y, float halfW, float halfH) {
  return {x - halfW, y - halfH, x + halfW, y + halfH};
}

std::string UpperNameOf(const TPattern* pattern) {
  return pattern ? pattern->UpperName : "";
}

// The box of a keyframed animation placed as DrawAnim places it. False when no visible
// part has a frame, so the box stayed empty.
bool RigBoxAt(RigPart& root, float x, float y, float angle, uint16_t frame, TBounds& box) {
  root.X = x;
  root.Y = y;
  root.ScaleX = root.ScaleY = 1;
  root.Angle = angle;
  root.FlipX = false;
  EvaluateRig(root, RigMatrix{}, float(frame));
  TBounds found;
  RigBox(root, found.Left, found.Top, found.Right, found.Bottom);
  if (!(found.Left <= found.Right && found.Top <= found.Bottom)) return false;
  box = found;
  return true;
}

}  // namespace

// TCircle ------------------------------------------------------------------------------

TCircle::TCircle(float x, float y, float r)
    : Poly(std::make_unique<TPoly>()), X(x), Y(y), RimX(x + r), RimY(y) {
  int n = CircleVertexCount(r);
  Poly->Vertices.reserve(size_t(n));
  for (int i = 0; i < n; ++i) {
    float a = float(i) * (360.0f / float(n)) * kDegreesToRadians;
    Poly->Vertices.push_back({x + r * std::cos(a), y + r * std::sin(a), 0, 0, true});
  }
}

float TCircle::Radius() const {
  return std::hypot(RimX - X, RimY - Y);
}

std::unique_ptr<TGameObject> TCircle::CreateCopy() const {
  auto copy = std::make_unique<TCircle>(X, Y, Radius());
  copy->Poly.reset(static_cast<TPoly*>(Poly->CreateCopy().release()));
  copy->HomeX = HomeX;
  copy->HomeY = HomeY;
  copy->RimX = RimX;
  copy->RimY = RimY;
  copy->HomeRimX = HomeRimX;
  copy->HomeRimY = HomeRimY;
  return copy;
}

void TCircle::Draw() {
  Poly->Draw();
}

// The outline follows the body; the stored centre stays where the level put it.
void TCircle::Update() {
  if (Poly->Type == ptDynamic && Poly->Visible) Poly->Update();
}

void TCircle::GetBounds(TBounds& b) const {
  float half = Radius() + kCircleBoundsMargin;
  b = BoxAround(X, Y, half, half);
}

void TCircle::StoreHome() {
  HomeX = X;
  HomeY = Y;
  HomeRimX = RimX;
  HomeRimY = RimY;
  Poly->StoreHome();
}

void TCircle::SnapToGrid() {
  X = RoundHalfEven(X);
  Y = RoundHalfEven(Y);
  RimX = RoundHalfEven(RimX);
  RimY = RoundHalfEven(RimY);
  Poly->SnapToGrid();
}

std::string TCircle::PatternName() const {
  return Poly->PatternName();
}

// TSprite ------------------------------------------------------------------------------

void TSprite::SetPattern(TSpritePat* pattern) {
  Pattern = pattern;
  AnimTime = 0;
  AnimSpeed = pattern ? pattern->AnimSpeed : 0;
  if (pattern) AnimTime = LoopStart(pattern->Anim);
}

std::unique_ptr<TGameObject> TSprite::CreateCopy() const {
  auto copy = std::make_unique<TSprite>();
  copy->Pattern = Pattern;
  copy->X = X;
  copy->Y = Y;
  copy->AnimTime = AnimTime;
  copy->AnimSpeed = AnimSpeed;
  copy->Visible = Visible;
  copy->Animated = Animated;
  return copy;
}

void TSprite::Draw() {
  if (!Pattern || !Visible) return;
  DrawAnim(Pattern->Anim, FrameAt(AnimTime), false, X, Y, Angle, 255);
}

// A riding sprite keeps its rest-pose offset from the carrier's centre, turned with it.
void TSprite::Update() {
  if (!Pattern) return;
  if (Body) {
    phys::cpVect pos = phys::cpBodyGetPos(Body);
    double angle = phys::cpBodyGetAngle(Body);
    double dx = double(HomeX) - BodyOffsetX, dy = double(HomeY) - BodyOffsetY;
    double c = std::cos(angle), s = std::sin(angle);
    X = float(pos.x + dx * c - dy * s);
    Y = float(pos.y + dx * s + dy * c);
    Angle = float(angle * kRadiansToDegrees);
  }
  Animate();
}

void TSprite::Animate() {
  if (!Pattern) return;
  if (Animated) AnimTime += AnimSpeed;
  AnimTime = WrapAnimTime(AnimTime, Pattern->Anim);
}

// A keyframed animation measures itself; a frame strip gives the shown frame's size; a
// plain image its texture's. Without any of them the box is left as it was.
void TSprite::GetBounds(TBounds& b) const {
  if (!Pattern) return;
  TSpr& anim = Pattern->Anim;
  if (anim.Rig) {
    RigBoxAt(*anim.Rig, X, Y, Angle, FrameAt(AnimTime), b);
  } else if (!anim.Frames.empty()) {
    size_t i = std::min<size_t>(FrameAt(AnimTime), anim.Frames.size() - 1);
    const TSprFrame& f = anim.Frames[i];
    b = BoxAround(X, Y, float(f.Width) / 2, float(f.Height) / 2);
  } else if (anim.Tex) {
    b = BoxAround(X, Y, float(anim.Tex->Width) / 2, float(anim.Tex->Height) / 2);
  }
}

void TSprite::StoreHome() {
  HomeX = X;
  HomeY = Y;
}

void TSprite::SnapToGrid() {
  X = RoundHalfEven(X);
  Y = RoundHalfEven(Y);
}

std::string TSprite::PatternName() const {
  return UpperNameOf(Pattern);
}

// TObj ---------------------------------------------------------------------------------

TObj::~TObj() {
  ReleasePhysics();
}

// The sensor hangs on the object's own static body, which is in no space. The adapter's
// free takes the shape out of its space first.
void TObj::ReleasePhysics() {
  phys::cpShapeFree(Shape);
  Shape = nullptr;
  phys::cpBodyFree(Body);
  Body = nullptr;
}

std::unique_ptr<TGameObject> TObj::CreateCopy() const {
  auto copy = std::make_unique<TObj>();
  copy->Pattern = Pattern;
  copy->X = X;
  copy->Y = Y;
  copy->AnimTime = AnimTime;
  copy->Radius = Radius;
  copy->Visible = Visible;
  copy->TouchScript.CopyText(TouchScript);
  return copy;
}

void TObj::Draw() {
  if (!Pattern || !Visible) return;
  DrawAnim(Pattern->Anim, FrameAt(AnimTime), false, X, Y, 0, 255);
}

// The body is static; scripts move it, and the object follows.
void TObj::Update() {
  if (Body) {
    phys::cpVect pos = phys::cpBodyGetPos(Body);
    X = float(pos.x);
    Y = float(pos.y);
  }
  Animate();
}

void TObj::Animate() {
  if (Pattern) AnimTime = WrapAnimTime(AnimTime + kObjAnimStep, Pattern->Anim);
}

void TObj::GetBounds(TBounds& b) const {
  if (Pattern) b = BoxAround(X, Y, Radius, Radius);
}

void TObj::StoreHome() {
  HomeX = X;
  HomeY = Y;
}

void TObj::SnapToGrid() {
  X = RoundHalfEven(X);
  Y = RoundHalfEven(Y);
}

std::string TObj::PatternName() const {
  return UpperNameOf(Pattern);
}

// TJoint -------------------------------------------------------------------------------

TJoint::~TJoint() {
  ReleasePhysics();
}

// The adapter's free takes the constraint out of its space first.
void TJoint::ReleasePhysics() {
  phys::cpConstraintFree(Constraint);
  Constraint = nullptr;
}

std::unique_ptr<TGameObject> TJoint::CreateCopy() const {
  auto copy = std::make_unique<TJoint>();
  copy->X = X;
  copy->Y = Y;
  copy->E1ID = E1ID;
  copy->E2ID = E2ID;
  return copy;
}

void TJoint::GetBounds(TBounds& b) const {
  b = BoxAround(X, Y, kJointHalfSize, kJointHalfSize);
}

void TJoint::StoreHome() {
  HomeX = X;
  HomeY = Y;
}

void TJoint::SnapToGrid() {
  X = RoundHalfEven(X);
  Y = RoundHalfEven(Y);
}

TPoly* PolyOf(const TElement* e) {
  if (!e) return nullptr;
  if (TPoly* poly = e->As<TPoly>()) return poly;
  if (TCircle* circle = e->As<TCircle>()) return circle->Poly.get();
  return nullptr;
}
