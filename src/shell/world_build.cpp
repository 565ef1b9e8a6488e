// The physics world of a level run: a body and shapes for every element that takes part,
// the two collision handlers, links, pivot joints and the groups that keep joined,
// overlapping polygons from colliding with each other.
//
// The system Chipmunk aborts on values it cannot simulate, and level files are not
// trusted, so every value is checked before it reaches the physics: a dynamic polygon
// that cannot be a body is built as static ground, and any other element that cannot
// take part is left out of the world. Either way the message list says so.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "gui/message_list.h"
#include "platform/physics.h"
#include "shell/game_script.h"
#include "shell/level_run.h"
#include "shell/settings.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/pattern.h"
#include "world/poly.h"
#include "world/top_ten.h"

namespace {

using phys::cpVect;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kIterations = 5;
constexpr int kElasticIterations = 5;
constexpr cpVect kGravity{0, 512};
constexpr double kDamping = 0.9;
constexpr double kDensity = 0.01;          // mass per square unit
constexpr double kCirclePi = 3.141592654;  // the value circle masses have always used
constexpr double kGroundFriction = 0.8;
constexpr double kEdgeRadius = 0.2;  // the segments of static outlines
constexpr phys::cpCollisionType kLevelType = 0, kObjectType = 1, kCreatureType = 2;
constexpr phys::cpGroup kCreatureGroup = 1;
constexpr phys::cpGroup kFirstJointGroup = 512;
constexpr double kGroundNormal = 0.4;  // |normal y| of a contact the legs stand on
constexpr int32_t kTouchRepeat = 10;   // ms in which the same creature touches only once
// A pivot much farther from a body than the body is large makes the joint's equations
// singular, which the physics library treats as fatal. Outlines snapped to whole units
// are at least a unit across, which keeps a million units well clear of that.
constexpr double kMaxPivotReach = 1e6;
// Far out, the corners of a small shape round to the same numbers, and the collision code
// aborts on the corners it then finds equal (a creature beside an edge reaching 1e20 does).
// Levels span a few thousand units; a billion keeps whole-unit shapes well apart.
constexpr double kMaxCoordinate = 1e9;

// Finite and within kMaxCoordinate of the origin on both axes.
bool IsInWorld(cpVect v) {
  return std::fabs(v.x) <= kMaxCoordinate && std::fabs(v.y) <= kMaxCoordinate;
}

// Every vertex of the outline is in the world.
bool IsInWorld(const TPoly& poly) {
  for (const TPolyVertex& v : poly.Vertices) {
    if (!IsInWorld({v.X, v.Y})) return false;
  }
  return true;
}

bool IsPositive(double v) {
  return v > 0 && std::isfinite(v);
}

void SetSurface(phys::cpShape* shape, double friction) {
  phys::cpShapeSetElasticity(shape, 0);
  phys::cpShapeSetFriction(shape, friction);
}

// "Polygon (ID: 4)" or, with a pattern name, "Object "FOOD" (ID: 4)".
std::string Describe(const char* kind, const TElement& e, const std::string& patternName = "") {
  std::string text = kind;
  if (!patternName.empty()) text += " \"" + patternName + "\"";
  return text + " (ID: " + std::to_string(e.ID) + ")";
}

// ---------------------------------------------------------------------------------------
// Convex split

void SetTriangle(TPoly& piece, const std::vector<Point2D>& tris, size_t t) {
  piece.Vertices.clear();
  for (size_t k = 0; k < 3; ++k)
    piece.AddVertex(tris[3 * t + k].X, tris[3 * t + k].Y);
}

bool IsFlatTriangle(const std::vector<Point2D>& tris, size_t t) {
  TPoly triangle;
  SetTriangle(triangle, tris, t);
  return triangle.SignedArea() == 0;
}

// Grows the piece by triangle t along the first edge they share (coordinates compared
// exactly); the growth is undone when the piece would stop being convex. An empty piece
// becomes the triangle.
bool Attach(TPoly& piece, const std::vector<Point2D>& tris, size_t t) {
  if (piece.Vertices.empty()) {
    SetTriangle(piece, tris, t);
    return true;
  }
  const Point2D* corner = &tris[3 * t];
  for (size_t k = 0; k < 3; ++k) {
    std::vector<TPolyVertex> before = piece.Vertices;
    if (!piece.InsertOnEdge(corner[k], corner[(k + 1) % 3], corner[(k + 2) % 3])) continue;
    if (piece.IsConvex()) return true;
    piece.Vertices = std::move(before);
    return false;
  }
  return false;
}

// The coordinates of a point as one key; -0 and 0 are the same point, as they compare.
uint64_t PointKey(Point2D p) {
  auto bits = [](float v) { return uint64_t(std::bit_cast<uint32_t>(v == 0 ? 0.0f : v)); };
  return bits(p.X) << 32 | bits(p.Y);
}

// A piece only ever gains vertices while it grows, so a triangle with fewer than two
// corners among them shares no edge with it. Skipping those keeps a sweep from copying and
// scanning the piece once per triangle, which made large outlines take seconds.
bool MayAttach(const std::unordered_set<uint64_t>& pieceCorners, const std::vector<Point2D>& tris,
               size_t t) {
  if (pieceCorners.empty()) return true;
  int shared = 0;
  for (size_t k = 0; k < 3; ++k)
    shared += pieceCorners.count(PointKey(tris[3 * t + k])) ? 1 : 0;
  return shared >= 2;
}

// The outline is turned to the physics' winding first. A convex outline is its own
// piece; otherwise pieces grow from the triangles, one sweep after another, until a sweep
// adds nothing, and the next piece starts from the first triangle left. Triangles without
// area never join a piece.
std::vector<std::unique_ptr<TPoly>> SplitConvex(TPoly& poly) {
  if (poly.SignedArea() > 0) poly.Reverse();
  std::vector<std::unique_ptr<TPoly>> pieces;
  if (poly.IsConvex()) {
    pieces.push_back(std::make_unique<TPoly>());
    pieces.back()->CopyVertices(poly);
    return pieces;
  }
  size_t count = poly.Tris.size() / 3;
  std::vector<bool> used(count, false);
  size_t left = count;
  for (size_t t = 0; t < count; ++t) {
    used[t] = IsFlatTriangle(poly.Tris, t);
    if (used[t]) --left;
  }
  while (left > 0) {
    auto piece = std::make_unique<TPoly>();
    std::unordered_set<uint64_t> pieceCorners;
    for (bool attached = true; attached;) {
      attached = false;
      for (size_t t = 0; t < count; ++t) {
        if (used[t] || !MayAttach(pieceCorners, poly.Tris, t) || !Attach(*piece, poly.Tris, t)) {
          continue;
        }
        for (size_t k = 0; k < 3; ++k)
          pieceCorners.insert(PointKey(poly.Tris[3 * t + k]));
        used[t] = true;
        --left;
        attached = true;
      }
    }
    piece->RemoveCollinear();
    if (piece->SignedArea() > 0) piece->Reverse();
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

// ---------------------------------------------------------------------------------------
// Collision handlers (called from inside the world step)

TElement* ElementOf(const phys::cpShape* shape) {
  return static_cast<TElement*>(phys::cpBodyGetUserData(phys::cpShapeGetBody(shape)));
}

// The normal points from shape a to shape b: legs that are a stand on b when it points
// down, legs that are b when it points up. The other shapes of a creature never make it
// stand.
bool CreatureTouchesLevel(const phys::cpArbiter& arb, phys::cpSpace*, void*) {
  for (phys::cpShape* shape : {arb.a, arb.b}) {
    TElement* e = ElementOf(shape);
    TCreature* creature = e ? e->As<TCreature>() : nullptr;
    if (!creature) continue;
    for (int i = 0; i < arb.numContacts; ++i) {
      double ny = arb.contacts[size_t(i)].n.y;
      if (arb.a == creature->LegsShape && ny > kGroundNormal) creature->OnGround = 1;
      if (arb.b == creature->LegsShape && ny < -kGroundNormal) creature->OnGround = 1;
    }
    break;
  }
  return true;
}

// A lasting touch reports on every step; the same creature counts again only after
// kTouchRepeat ms, another creature at once.
bool ObjectTouched(const phys::cpArbiter& arb, phys::cpSpace*, void*) {
  TElement* objElement = nullptr;
  TElement* creatureElement = nullptr;
  for (phys::cpShape* shape : {arb.a, arb.b}) {
    TElement* e = ElementOf(shape);
    if (e && e->As<TObj>()) objElement = e;
    if (e && e->As<TCreature>()) creatureElement = e;
  }
  if (!objElement || !creatureElement || objElement->Deleted) return true;
  TObj& obj = *objElement->As<TObj>();
  if (obj.LastTouchTime >= GameTicks - kTouchRepeat && obj.LastTouchID == creatureElement->ID) {
    return true;
  }
  obj.LastTouchTime = GameTicks;
  obj.LastTouchID = creatureElement->ID;
  TouchedObjectID = objElement->ID;
  TouchingCreatureID = creatureElement->ID;
  RunTouchScript(*objElement, obj);
  return true;
}

// ---------------------------------------------------------------------------------------
// The build

class WorldBuilder {
 public:
  explicit WorldBuilder(TLevel& level) : level_(level) {}

  void Build() {
    level_.FreeWorld();
    Player = nullptr;
    if (!CreateSpace()) return;
    ForEachElement([this](TElement& e) { BuildElement(e); });
    phys::cpSpaceAddCollisionHandler(space_, kCreatureType, kLevelType, CreatureTouchesLevel,
                                     nullptr);
    phys::cpSpaceAddCollisionHandler(space_, kObjectType, kCreatureType, ObjectTouched, nullptr);
    CompileLevelScripts(level_);
    ForEachElement([this](TElement& e) { Resolve(e); });
    AssignGroups();
  }

 private:
  template <class Visit>
  void ForEachElement(Visit visit) {
    for (const auto& layer : level_.Layers) {
      for (const auto& e : layer->Elements)
        visit(*e);
    }
  }

  bool CreateSpace() {
    space_ = phys::cpSpaceNew();
    if (!space_) {
      AddMessage("Physics Error: " + phys::cpGetError());
      return false;
    }
    phys::cpSpaceSetIterations(space_, kIterations);
    phys::cpSpaceSetElasticIterations(space_, kElasticIterations);
    phys::cpSpaceSetGravity(space_, kGravity);
    phys::cpSpaceSetDamping(space_, kDamping);
    staticBody_ = phys::cpBodyNew(kInfinity, kInfinity);
    level_.Space = space_;
    level_.StaticBody = staticBody_;
    return true;
  }

  // The shape in the space, or nullptr (the shape freed) when it could not be made.
  phys::cpShape* Add(phys::cpShape* shape) {
    if (shape && phys::cpSpaceAddShape(space_, shape)) return shape;
    phys::cpShapeFree(shape);
    return nullptr;
  }

  phys::cpShape* AddStatic(phys::cpShape* shape) {
    if (shape && phys::cpSpaceAddStaticShape(space_, shape)) return shape;
    phys::cpShapeFree(shape);
    return nullptr;
  }

  phys::cpBody* AddBody(double mass, double moment, cpVect pos) {
    phys::cpBody* body = phys::cpBodyNew(mass, moment);
    phys::cpBodySetPos(body, pos);
    phys::cpSpaceAddBody(space_, body);
    return body;
  }

  void BuildElement(TElement& e) {
    if (TPoly* poly = e.As<TPoly>()) BuildPoly(e, *poly);
    if (TCircle* circle = e.As<TCircle>()) BuildCircle(e, *circle);
    if (TCreature* creature = e.As<TCreature>()) BuildCreature(e, *creature);
    if (TObj* obj = e.As<TObj>()) BuildObj(e, *obj);
  }

  void BuildPoly(TElement& e, TPoly& poly) {
    poly.Group = 0;
    bool hasTris = !poly.Tris.empty();
    if (hasTris && poly.Type == ptDecor) return;
    if (hasTris && poly.Type == ptDynamic) {
      if (BuildDynamicPoly(poly)) return;
      AddMessage(Describe("Polygon", e) + " Body Error: made static");
    }
    BuildEdges(poly);
  }

  // One segment per outline edge; an edge between two equal vertices, or with an end out
  // of the world, adds none.
  void BuildEdges(TPoly& poly) {
    poly.Space = space_;
    size_t n = poly.Vertices.size();
    for (size_t i = 0; i < n; ++i) {
      const TPolyVertex& a = poly.Vertices[i];
      const TPolyVertex& b = poly.Vertices[(i + 1) % n];
      if (!IsInWorld({a.X, a.Y}) || !IsInWorld({b.X, b.Y})) continue;
      phys::cpShape* shape =
          phys::cpSegmentShapeNew(staticBody_, {a.X, a.Y}, {b.X, b.Y}, kEdgeRadius);
      SetSurface(shape, kGroundFriction);
      if (AddStatic(shape)) poly.Shapes.push_back(shape);
    }
  }

  // The body sits at the centroid with the mass of the whole outline; each convex piece
  // adds its shape and moment. False, with nothing built, when the outline or all of its
  // pieces are unfit for the physics.
  bool BuildDynamicPoly(TPoly& poly) {
    std::vector<std::unique_ptr<TPoly>> pieces = SplitConvex(poly);
    Point2D c = poly.Centroid();
    double mass = kDensity * std::fabs(double(poly.SignedArea()));
    if (!IsPositive(mass) || !IsInWorld({c.X, c.Y}) || !IsInWorld(poly)) return false;
    std::vector<std::vector<cpVect>> fit;  // relative to the body's position
    double moment = 0;
    for (const auto& piece : pieces) {
      std::vector<cpVect> verts;
      for (const TPolyVertex& v : piece->Vertices)
        verts.push_back({double(v.X) - c.X, double(v.Y) - c.Y});
      if (!phys::IsValidPolygon(verts)) continue;
      double pieceMass = kDensity * std::fabs(double(piece->SignedArea()));
      double pieceMoment = phys::cpMomentForPoly(pieceMass, verts, {0, 0});
      if (!IsPositive(pieceMoment)) continue;
      moment += pieceMoment;
      fit.push_back(std::move(verts));
    }
    if (fit.empty() || !IsPositive(moment)) return false;
    poly.Space = space_;
    poly.Body = AddBody(mass, 0, {c.X, c.Y});
    poly.CenterX = c.X;
    poly.CenterY = c.Y;
    for (const std::vector<cpVect>& verts : fit) {
      phys::cpShape* shape = phys::cpPolyShapeNew(poly.Body, verts, {0, 0});
      SetSurface(shape, kGroundFriction);
      if (Add(shape)) poly.Shapes.push_back(shape);
    }
    phys::cpBodySetMoment(poly.Body, moment);
    return true;
  }

  // A dynamic circle's outline turns about its centre, the body's position.
  void BuildCircle(TElement& e, TCircle& circle) {
    TPoly& poly = *circle.Poly;
    poly.Group = 0;
    if (poly.Type == ptDecor) return;
    double r = circle.Radius();
    cpVect centre{circle.X, circle.Y};
    double mass = kDensity * kCirclePi * r * r;
    double moment = phys::cpMomentForCircle(mass, r, 0, {0, 0});
    bool dynamic = poly.Type == ptDynamic;
    if (!IsPositive(r) || !IsInWorld(centre) ||
        (dynamic && (!IsPositive(mass) || !IsPositive(moment)))) {
      AddMessage(Describe("Circle", e) + " Body Error: left out");
      return;
    }
    poly.Space = space_;
    phys::cpShape* shape = nullptr;
    if (dynamic) {
      poly.Body = AddBody(mass, moment, centre);
      poly.CenterX = centre.x;
      poly.CenterY = centre.y;
      shape = Add(phys::cpCircleShapeNew(poly.Body, r, {0, 0}));
    } else {
      shape = AddStatic(phys::cpCircleShapeNew(staticBody_, r, centre));
    }
    SetSurface(shape, kGroundFriction);
    if (shape) poly.Shapes.push_back(shape);
  }

  static std::vector<cpVect> Torso(const TCreaturePat& pat) {
    double r = pat.Radius;
    return {{1 - r, pat.HeadY}, {1 - r, pat.LegsY}, {r - 1, pat.LegsY}, {r - 1, pat.HeadY}};
  }

  static bool HasBodyMeasures(const TCreaturePat* pat) {
    return pat && IsPositive(pat->Mass) && IsPositive(pat->Radius) && std::isfinite(pat->LegsY) &&
           std::isfinite(pat->HeadY) && phys::IsValidPolygon(Torso(*pat));
  }

  phys::cpShape* AddCreatureShape(phys::cpShape* shape) {
    SetSurface(shape, 0);
    phys::cpShapeSetGroup(shape, kCreatureGroup);
    phys::cpShapeSetCollisionType(shape, kCreatureType);
    return Add(shape);
  }

  // The creature visited last becomes the player. One that cannot have a body is left out
  // and is never the player.
  void BuildCreature(TElement& e, TCreature& creature) {
    const TCreaturePat* pat = creature.Pattern;
    cpVect pos{creature.X, creature.Y};
    if (!HasBodyMeasures(pat) || !IsInWorld(pos)) {
      AddMessage(Describe("Creature", e, creature.PatternName()) + " Body Error: left out");
      return;
    }
    phys::cpBody* body = AddBody(pat->Mass, kInfinity, pos);
    phys::cpBodySetUserData(body, &e);
    creature.Space = space_;
    creature.Body = body;
    creature.LegsShape =
        AddCreatureShape(phys::cpCircleShapeNew(body, pat->Radius, {0, pat->LegsY}));
    creature.HeadShape =
        AddCreatureShape(phys::cpCircleShapeNew(body, pat->Radius, {0, pat->HeadY}));
    creature.TorsoShape = AddCreatureShape(phys::cpPolyShapeNew(body, Torso(*pat), {0, 0}));
    Player = &creature;
  }

  // A sensor on a static body of the object's own, which is never added to the space.
  void BuildObj(TElement& e, TObj& obj) {
    cpVect pos{obj.X, obj.Y};
    if (!IsPositive(obj.Radius) || !IsInWorld(pos)) {
      AddMessage(Describe("Object", e, obj.PatternName()) + " Body Error: left out");
      return;
    }
    obj.Space = space_;
    obj.Body = phys::cpBodyNew(kInfinity, kInfinity);
    phys::cpBodySetPos(obj.Body, pos);
    phys::cpBodySetUserData(obj.Body, &e);
    phys::cpShape* shape = phys::cpCircleShapeNew(obj.Body, obj.Radius, {0, 0});
    phys::cpShapeSetSensor(shape, true);
    phys::cpShapeSetCollisionType(shape, kObjectType);
    obj.Shape = AddStatic(shape);
  }

  // An element whose LinkID names nothing keeps no link and skips the rest: no hiding, no
  // touch reset, no pivot.
  void Resolve(TElement& e) {
    if (e.LinkID != 0) {
      TElement* target = level_.FindElement(e.LinkID);
      if (!target) return;
      e.Link = target;
      target->IsLinkTarget = true;
      if (TSprite* sprite = e.As<TSprite>()) RideOn(*sprite, *target);
    }
    TSprite* sprite = e.As<TSprite>();
    if (sprite && Settings.HideSprites && BestTime != 0 && e.LinkID == 0) sprite->Visible = false;
    if (TObj* obj = e.As<TObj>()) {
      obj->LastTouchTime = 0;
      obj->LastTouchID = 0;
      CompileObjectScript(e, *obj);
    }
    if (TJoint* joint = e.As<TJoint>()) BuildJoint(e, *joint);
  }

  // A sprite follows the body of a polygon or circle (none for a static one), turning
  // about the carrier's centre as it is now.
  static void RideOn(TSprite& sprite, const TElement& target) {
    const TPoly* carrier = PolyOf(&target);
    if (!carrier) return;
    sprite.Body = carrier->Body;
    sprite.BodyOffsetX = float(carrier->CenterX);
    sprite.BodyOffsetY = float(carrier->CenterY);
  }

  // Each end is the body of a polygon or circle, else the static body; ID 0 stands for
  // the world itself. An ID that names no element leaves the joint without a pivot
  // rather than pinning its other end to the world.
  void BuildJoint(const TElement& e, TJoint& joint) {
    TElement* ends[2] = {nullptr, nullptr};
    const int32_t ids[2] = {joint.E1ID, joint.E2ID};
    for (size_t k = 0; k < 2; ++k) {
      if (ids[k] == 0) continue;
      ends[k] = level_.FindElement(ids[k]);
      if (!ends[k]) {
        AddMessage(Describe("Joint", e) + " Element Not Found: " + std::to_string(ids[k]));
        return;
      }
    }
    TPoly* polys[2] = {PolyOf(ends[0]), PolyOf(ends[1])};
    phys::cpBody* bodies[2];
    for (size_t k = 0; k < 2; ++k)
      bodies[k] = polys[k] && polys[k]->Body ? polys[k]->Body : staticBody_;
    if (bodies[0] == bodies[1]) return;
    cpVect at{joint.X, joint.Y};
    for (phys::cpBody* body : bodies) {
      cpVect pos = phys::cpBodyGetPos(body);
      if (body != staticBody_ && !(std::hypot(at.x - pos.x, at.y - pos.y) <= kMaxPivotReach)) {
        AddMessage(Describe("Joint", e) + " Pivot Error: left out");
        return;
      }
    }
    phys::cpConstraint* pivot = phys::cpPivotJointNew(bodies[0], bodies[1], at);
    if (!phys::cpSpaceAddConstraint(space_, pivot)) {
      phys::cpConstraintFree(pivot);
      return;
    }
    joint.Constraint = pivot;
    joint.Space = space_;
    for (TElement* end : ends) {
      if (end) end->IsLinkTarget = true;
    }
    joint.Element1 = ends[0];
    joint.Element2 = ends[1];
    joint.Poly1 = polys[0];
    joint.Poly2 = polys[1];
    if (polys[0] && polys[1] && polys[0]->Type != ptDecor && polys[1]->Type != ptDecor) {
      overlapList_.push_back(&joint);
    }
  }

  static bool Joins(const TJoint& joint, phys::cpGroup group) {
    return (joint.Poly1->Group == group && joint.Poly2->Group == 0) ||
           (joint.Poly2->Group == group && joint.Poly1->Group == 0);
  }

  static void Give(TJoint& joint, phys::cpGroup group) {
    joint.Poly1->Group = group;
    joint.Poly2->Group = group;
  }

  // Joined polygons that overlap form a group from 512 up, grown through the joints after
  // the one that starts it until a scan adds no end. The shapes take their polygon's group.
  void AssignGroups() {
    phys::cpGroup group = kFirstJointGroup;
    for (size_t i = 0; i < overlapList_.size(); ++i) {
      TJoint& first = *overlapList_[i];
      if (first.Poly1->Group != 0 || first.Poly2->Group != 0) continue;
      if (!first.Poly1->Overlaps(*first.Poly2)) continue;
      Give(first, group);
      for (bool changed = true; changed;) {
        changed = false;
        for (size_t k = i + 1; k < overlapList_.size(); ++k) {
          TJoint& next = *overlapList_[k];
          if (!Joins(next, group) || !next.Poly1->Overlaps(*next.Poly2)) continue;
          Give(next, group);
          changed = true;
        }
      }
      ++group;
    }
    for (TJoint* joint : overlapList_) {
      for (TPoly* end : {joint->Poly1, joint->Poly2}) {
        if (end->Group == 0) continue;
        for (phys::cpShape* shape : end->Shapes)
          phys::cpShapeSetGroup(shape, end->Group);
      }
    }
  }

  TLevel& level_;
  phys::cpSpace* space_ = nullptr;
  phys::cpBody* staticBody_ = nullptr;
  std::vector<TJoint*> overlapList_;  // joints between two non-decor polygons or circles
};

}  // namespace

void BuildWorld(TLevel& level) {
  WorldBuilder(level).Build();
}

std::vector<std::vector<Point2D>> ConvexPieces(TPoly& poly) {
  std::vector<std::vector<Point2D>> pieces;
  for (const auto& piece : SplitConvex(poly)) {
    std::vector<Point2D>& points = pieces.emplace_back();
    for (const TPolyVertex& v : piece->Vertices)
      points.push_back({v.X, v.Y});
  }
  return pieces;
}
