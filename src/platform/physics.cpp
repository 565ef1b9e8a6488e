// Chipmunk 5 style physics operations over Chipmunk 7. See physics.h for the
// input policy; every check here exists because the system Chipmunk aborts
// the process on the value it keeps out.
#include "platform/physics.h"

#include <chipmunk/chipmunk.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

namespace phys {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Share of an overlap, or of a pivot joint's stretch, left uncorrected after one second:
// 90 % is left after each of the game's 1 ms steps, as the physics library the game was
// made with had it. Chipmunk 7's default, pow(0.9, 60), assumes 60 steps a second; at
// 1000 steps it corrects some 16 times more slowly, so jointed chains sag and a fast
// landing leaves a creature sunk in the ground.
const double kErrorLeftAfterOneSecond = std::pow(0.9, 1000);

// The game's handlers as registered; Chipmunk holds a pointer to one of these.
struct HandlerRecord {
  cpCollisionType first = 0;
  cpCollisionType second = 0;
  cpCollisionBeginFunc begin = nullptr;
  void* data = nullptr;
  cpSpace* space = nullptr;
};

}  // namespace

struct cpSpace {
  ::cpSpace* raw = nullptr;
  std::vector<std::unique_ptr<HandlerRecord>> handlers;
};

namespace {

// Bodies, shapes and constraints are Chipmunk's own objects behind opaque types.
::cpBody* Raw(cpBody* body) {
  return reinterpret_cast<::cpBody*>(body);
}
const ::cpBody* Raw(const cpBody* body) {
  return reinterpret_cast<const ::cpBody*>(body);
}
::cpShape* Raw(cpShape* shape) {
  return reinterpret_cast<::cpShape*>(shape);
}
const ::cpShape* Raw(const cpShape* shape) {
  return reinterpret_cast<const ::cpShape*>(shape);
}
::cpConstraint* Raw(cpConstraint* joint) {
  return reinterpret_cast<::cpConstraint*>(joint);
}
cpBody* Wrap(::cpBody* body) {
  return reinterpret_cast<cpBody*>(body);
}
cpShape* Wrap(::cpShape* shape) {
  return reinterpret_cast<cpShape*>(shape);
}
cpConstraint* Wrap(::cpConstraint* joint) {
  return reinterpret_cast<cpConstraint*>(joint);
}

::cpVect ToCp(cpVect v) {
  return ::cpv(v.x, v.y);
}
cpVect FromCp(::cpVect v) {
  return {v.x, v.y};
}
bool IsFinite(cpVect v) {
  return std::isfinite(v.x) && std::isfinite(v.y);
}
double Cross(cpVect a, cpVect b) {
  return a.x * b.y - a.y * b.x;
}
double Dot(cpVect a, cpVect b) {
  return a.x * b.x + a.y * b.y;
}
cpVect Sub(cpVect a, cpVect b) {
  return {a.x - b.x, a.y - b.y};
}

bool IsLocked(::cpSpace* space) {
  return space != nullptr && ::cpSpaceIsLocked(space);
}
bool CanChange(cpSpace* space) {
  return space != nullptr && !IsLocked(space->raw);
}

std::string& ErrorText() {
  static std::string text;
  return text;
}

// Start-up ---------------------------------------------------------------------

// The debug build prints its banner with printf while it makes the first
// space of the process, so fd 1 points at /dev/null around that space.
bool MakeFirstSpaceQuietly() {
  std::fflush(stdout);
  const int saved = ::dup(STDOUT_FILENO);
  const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  const bool silenced = saved >= 0 && quiet >= 0 && ::dup2(quiet, STDOUT_FILENO) >= 0;
  ::cpSpace* first = ::cpSpaceNew();
  std::fflush(stdout);
  if (silenced) ::dup2(saved, STDOUT_FILENO);
  if (quiet >= 0) ::close(quiet);
  if (saved >= 0) ::close(saved);
  if (first == nullptr) {
    ErrorText() = "Chipmunk could not create a space.";
    return false;
  }
  ::cpSpaceFree(first);
  return true;
}

// Collecting before changing: Chipmunk's iterators must not see removals.

struct Children {
  std::vector<::cpConstraint*> constraints;
  std::vector<::cpShape*> shapes;
  std::vector<::cpBody*> bodies;
};

template <class T>
void CollectInto(T* item, void* list) {
  static_cast<std::vector<T*>*>(list)->push_back(item);
}

Children ChildrenOf(::cpSpace* space) {
  Children children;
  ::cpSpaceEachConstraint(space, CollectInto<::cpConstraint>, &children.constraints);
  ::cpSpaceEachShape(space, CollectInto<::cpShape>, &children.shapes);
  ::cpSpaceEachBody(space, CollectInto<::cpBody>, &children.bodies);
  return children;
}

void RemoveAll(::cpSpace* space, const Children& children) {
  for (::cpConstraint* joint : children.constraints)
    ::cpSpaceRemoveConstraint(space, joint);
  for (::cpShape* shape : children.shapes)
    ::cpSpaceRemoveShape(space, shape);
  for (::cpBody* body : children.bodies)
    ::cpSpaceRemoveBody(space, body);
}

// Shapes and constraints that a space links to a body.
struct Attachments {
  std::vector<::cpShape*> shapes;
  std::vector<::cpConstraint*> constraints;
};

Attachments AttachmentsOf(::cpBody* body) {
  Attachments parts;
  ::cpBodyEachShape(
      body,
      [](::cpBody*, ::cpShape* shape, void* list) {
        static_cast<std::vector<::cpShape*>*>(list)->push_back(shape);
      },
      &parts.shapes);
  ::cpBodyEachConstraint(
      body,
      [](::cpBody*, ::cpConstraint* joint, void* list) {
        static_cast<std::vector<::cpConstraint*>*>(list)->push_back(joint);
      },
      &parts.constraints);
  return parts;
}

// The space, if any, that is stepping while it holds the body or its parts.
::cpSpace* SteppingSpaceOf(::cpBody* body) {
  if (IsLocked(::cpBodyGetSpace(body))) return ::cpBodyGetSpace(body);
  const Attachments parts = AttachmentsOf(body);
  for (::cpShape* shape : parts.shapes) {
    if (IsLocked(::cpShapeGetSpace(shape))) return ::cpShapeGetSpace(shape);
  }
  for (::cpConstraint* joint : parts.constraints) {
    if (IsLocked(::cpConstraintGetSpace(joint))) return ::cpConstraintGetSpace(joint);
  }
  return nullptr;
}

// Freeing something a space still holds would leave the space pointing at
// freed memory, so each free takes the object out of its space first.

void FreeShapeNow(::cpShape* shape) {
  if (::cpSpace* space = ::cpShapeGetSpace(shape)) ::cpSpaceRemoveShape(space, shape);
  ::cpShapeFree(shape);
}

void FreeConstraintNow(::cpConstraint* joint) {
  if (::cpSpace* space = ::cpConstraintGetSpace(joint)) ::cpSpaceRemoveConstraint(space, joint);
  ::cpConstraintFree(joint);
}

void FreeBodyNow(::cpBody* body) {
  const Attachments parts = AttachmentsOf(body);
  for (::cpConstraint* joint : parts.constraints) {
    if (::cpSpace* space = ::cpConstraintGetSpace(joint)) ::cpSpaceRemoveConstraint(space, joint);
  }
  for (::cpShape* shape : parts.shapes) {
    if (::cpSpace* space = ::cpShapeGetSpace(shape)) ::cpSpaceRemoveShape(space, shape);
  }
  if (::cpSpace* space = ::cpBodyGetSpace(body)) ::cpSpaceRemoveBody(space, body);
  ::cpBodyFree(body);
}

// Post-step callbacks: Chipmunk runs each key once, after the step.
void FreeShapeAfterStep(::cpSpace*, void* shape, void*) {
  FreeShapeNow(static_cast<::cpShape*>(shape));
}
void FreeConstraintAfterStep(::cpSpace*, void* joint, void*) {
  FreeConstraintNow(static_cast<::cpConstraint*>(joint));
}
void FreeBodyAfterStep(::cpSpace*, void* body, void*) {
  FreeBodyNow(static_cast<::cpBody*>(body));
}
// cpSpaceReindexStatic only refreshes the static index and never pairs a moved static
// shape with a body that is resting (asleep in the index's eyes), so a static sensor
// moved onto a standing creature would never report the touch. Reindexing each static
// shape on its own does pair them.
void ReindexStaticShapes(::cpSpace* space) {
  std::vector<::cpShape*> shapes;
  ::cpSpaceEachShape(
      space,
      [](::cpShape* shape, void* data) {
        if (::cpBodyGetType(::cpShapeGetBody(shape)) == CP_BODY_TYPE_STATIC)
          static_cast<std::vector<::cpShape*>*>(data)->push_back(shape);
      },
      &shapes);
  for (::cpShape* shape : shapes)
    ::cpSpaceReindexShape(space, shape);
}
void RehashAfterStep(::cpSpace* space, void*, void*) {
  ReindexStaticShapes(space);
}

// Collision handlers -------------------------------------------------------------

// Chipmunk 7 keeps one handler for (a, b) and (b, a) and orders the shapes by
// the types the handler was first made with, so the view is put back into
// the order of the game's latest registration.
cpArbiter ViewOf(::cpArbiter* arb, cpCollisionType first) {
  ::cpShape* a = nullptr;
  ::cpShape* b = nullptr;
  ::cpArbiterGetShapes(arb, &a, &b);
  ::cpVect normal = ::cpArbiterGetNormal(arb);  // from a towards b
  if (::cpShapeGetCollisionType(a) != first) {
    std::swap(a, b);
    normal = ::cpvneg(normal);
  }
  cpArbiter view;
  view.a = Wrap(a);
  view.b = Wrap(b);
  view.numContacts = std::min(::cpArbiterGetCount(arb), static_cast<int>(view.contacts.size()));
  for (int i = 0; i < view.numContacts; ++i)
    view.contacts[i].n = FromCp(normal);
  return view;
}

// Registered as pre-solve, which Chipmunk 7 calls on every step of a touch
// (its begin runs only on the first): the game clears ground flags before
// each step and expects a lasting touch to report again.
::cpBool PreSolve(::cpArbiter* arb, ::cpSpace*, void* data) {
  const auto& record = *static_cast<const HandlerRecord*>(data);
  if (record.begin == nullptr) return cpTrue;
  return record.begin(ViewOf(arb, record.first), record.space, record.data) ? cpTrue : cpFalse;
}

HandlerRecord* FindHandler(cpSpace* space, cpCollisionType a, cpCollisionType b) {
  for (const auto& record : space->handlers) {
    if ((record->first == a && record->second == b) ||
        (record->first == b && record->second == a)) {
      return record.get();
    }
  }
  return nullptr;
}

// Polygons -------------------------------------------------------------------------

// Twice the shoelace area: negative for the game's winding.
double DoubleArea(std::span<const cpVect> verts) {
  double sum = 0.0;
  for (std::size_t i = 0; i < verts.size(); ++i) {
    sum += Cross(verts[i], verts[(i + 1) % verts.size()]);
  }
  return sum;
}

std::vector<::cpVect> ToCp(std::span<const cpVect> verts) {
  std::vector<::cpVect> out;
  out.reserve(verts.size());
  for (const cpVect& v : verts)
    out.push_back(ToCp(v));
  return out;
}

}  // namespace

// Start-up ---------------------------------------------------------------------

bool cpInitChipmunk() {
  static const bool ready = MakeFirstSpaceQuietly();
  return ready;
}

std::string cpGetError() {
  return ErrorText();
}

// Spaces -----------------------------------------------------------------------

cpSpace* cpSpaceNew() {
  if (!cpInitChipmunk()) return nullptr;
  ::cpSpace* raw = ::cpSpaceNew();
  if (raw == nullptr) return nullptr;
  ::cpSpaceSetCollisionBias(raw, kErrorLeftAfterOneSecond);
  auto space = std::make_unique<cpSpace>();
  space->raw = raw;
  return space.release();
}

bool cpSpaceFreeChildren(cpSpace* space) {
  if (!CanChange(space)) return false;
  const Children children = ChildrenOf(space->raw);
  RemoveAll(space->raw, children);
  for (::cpConstraint* joint : children.constraints)
    ::cpConstraintFree(joint);
  for (::cpShape* shape : children.shapes)
    ::cpShapeFree(shape);
  for (::cpBody* body : children.bodies)
    ::cpBodyFree(body);
  return true;
}

bool cpSpaceFree(cpSpace* space) {
  if (!CanChange(space)) return false;
  RemoveAll(space->raw, ChildrenOf(space->raw));
  ::cpSpaceFree(space->raw);
  delete space;
  return true;
}

int cpSpaceGetIterations(const cpSpace* space) {
  return space ? ::cpSpaceGetIterations(space->raw) : 0;
}

bool cpSpaceSetIterations(cpSpace* space, int iterations) {
  if (space == nullptr || iterations < 1) return false;
  ::cpSpaceSetIterations(space->raw, iterations);
  return true;
}

void cpSpaceSetElasticIterations(cpSpace*, int) {}

cpVect cpSpaceGetGravity(const cpSpace* space) {
  return space ? FromCp(::cpSpaceGetGravity(space->raw)) : cpVect{};
}

bool cpSpaceSetGravity(cpSpace* space, cpVect gravity) {
  if (space == nullptr || !IsFinite(gravity)) return false;
  ::cpSpaceSetGravity(space->raw, ToCp(gravity));
  return true;
}

double cpSpaceGetDamping(const cpSpace* space) {
  return space ? ::cpSpaceGetDamping(space->raw) : 0.0;
}

bool cpSpaceSetDamping(cpSpace* space, double damping) {
  if (space == nullptr || !(damping >= 0.0 && damping <= 1.0)) return false;
  ::cpSpaceSetDamping(space->raw, damping);
  return true;
}

void cpSpaceAddCollisionHandler(cpSpace* space, cpCollisionType a, cpCollisionType b,
                                cpCollisionBeginFunc begin, void* data) {
  if (space == nullptr) return;
  HandlerRecord* record = FindHandler(space, a, b);
  if (record == nullptr) {
    record = space->handlers.emplace_back(std::make_unique<HandlerRecord>()).get();
    ::cpCollisionHandler* handler = ::cpSpaceAddCollisionHandler(space->raw, a, b);
    handler->preSolveFunc = PreSolve;
    handler->userData = record;
  }
  *record = HandlerRecord{a, b, begin, data, space};
}

bool cpSpaceStep(cpSpace* space, double dt) {
  if (!CanChange(space) || !(dt > 0.0) || !std::isfinite(dt)) return false;
  ::cpSpaceStep(space->raw, dt);
  return true;
}

// Touch scripts move objects from inside a step, where Chipmunk forbids
// reindexing; the rehash then happens as soon as the step ends.
bool cpSpaceRehashStatic(cpSpace* space) {
  if (space == nullptr) return false;
  if (IsLocked(space->raw)) {
    ::cpSpaceAddPostStepCallback(space->raw, RehashAfterStep, space, nullptr);
  } else {
    ReindexStaticShapes(space->raw);
  }
  return true;
}

cpBody* cpSpaceAddBody(cpSpace* space, cpBody* body) {
  if (!CanChange(space) || body == nullptr || ::cpBodyGetSpace(Raw(body)) != nullptr) {
    return nullptr;
  }
  ::cpSpaceAddBody(space->raw, Raw(body));
  return body;
}

// A shape may hang on a body that is in no space (the game's static bodies
// are never added), but not on one that belongs to another space.
cpShape* cpSpaceAddShape(cpSpace* space, cpShape* shape) {
  if (!CanChange(space) || shape == nullptr || ::cpShapeGetSpace(Raw(shape)) != nullptr) {
    return nullptr;
  }
  const ::cpSpace* home = ::cpBodyGetSpace(::cpShapeGetBody(Raw(shape)));
  if (home != nullptr && home != space->raw) return nullptr;
  ::cpSpaceAddShape(space->raw, Raw(shape));
  return shape;
}

// Chipmunk 7 files a shape as static by the kind of its body.
cpShape* cpSpaceAddStaticShape(cpSpace* space, cpShape* shape) {
  return cpSpaceAddShape(space, shape);
}

cpConstraint* cpSpaceAddConstraint(cpSpace* space, cpConstraint* constraint) {
  if (!CanChange(space) || constraint == nullptr) return nullptr;
  ::cpConstraint* raw = Raw(constraint);
  if (::cpConstraintGetSpace(raw) != nullptr) return nullptr;
  for (const ::cpBody* body : {::cpConstraintGetBodyA(raw), ::cpConstraintGetBodyB(raw)}) {
    const ::cpSpace* home = ::cpBodyGetSpace(body);
    if (home != nullptr && home != space->raw) return nullptr;
  }
  ::cpSpaceAddConstraint(space->raw, raw);
  return constraint;
}

bool cpSpaceRemoveBody(cpSpace* space, cpBody* body) {
  if (!CanChange(space) || body == nullptr || ::cpBodyGetSpace(Raw(body)) != space->raw) {
    return false;
  }
  ::cpSpaceRemoveBody(space->raw, Raw(body));
  return true;
}

bool cpSpaceRemoveShape(cpSpace* space, cpShape* shape) {
  if (!CanChange(space) || shape == nullptr || ::cpShapeGetSpace(Raw(shape)) != space->raw) {
    return false;
  }
  ::cpSpaceRemoveShape(space->raw, Raw(shape));
  return true;
}

bool cpSpaceRemoveStaticShape(cpSpace* space, cpShape* shape) {
  return cpSpaceRemoveShape(space, shape);
}

bool cpSpaceRemoveConstraint(cpSpace* space, cpConstraint* constraint) {
  if (!CanChange(space) || constraint == nullptr ||
      ::cpConstraintGetSpace(Raw(constraint)) != space->raw) {
    return false;
  }
  ::cpSpaceRemoveConstraint(space->raw, Raw(constraint));
  return true;
}

// Bodies -----------------------------------------------------------------------

cpBody* cpBodyNew(double mass, double moment) {
  if (mass == kInfinity && moment == kInfinity) return Wrap(::cpBodyNewStatic());
  if (!(mass > 0.0) || !std::isfinite(mass) || !(moment >= 0.0)) return nullptr;
  // Chipmunk aborts a step over a body without moment; until the game sets
  // the real one, the body simply does not turn.
  return Wrap(::cpBodyNew(mass, moment == 0.0 ? kInfinity : moment));
}

void cpBodyFree(cpBody* body) {
  if (body == nullptr) return;
  if (::cpSpace* stepping = SteppingSpaceOf(Raw(body))) {
    ::cpSpaceAddPostStepCallback(stepping, FreeBodyAfterStep, Raw(body), nullptr);
    return;
  }
  FreeBodyNow(Raw(body));
}

double cpBodyGetMoment(const cpBody* body) {
  return body ? ::cpBodyGetMoment(Raw(body)) : 0.0;
}

bool cpBodySetMoment(cpBody* body, double moment) {
  if (body == nullptr || !(moment > 0.0)) return false;
  if (::cpBodyGetType(Raw(body)) != CP_BODY_TYPE_DYNAMIC) return false;
  ::cpBodySetMoment(Raw(body), moment);
  return true;
}

cpVect cpBodyGetPos(const cpBody* body) {
  return body ? FromCp(::cpBodyGetPosition(Raw(body))) : cpVect{};
}

bool cpBodySetPos(cpBody* body, cpVect pos) {
  if (body == nullptr || !IsFinite(pos)) return false;
  ::cpBodySetPosition(Raw(body), ToCp(pos));
  return true;
}

cpVect cpBodyGetVel(const cpBody* body) {
  return body ? FromCp(::cpBodyGetVelocity(Raw(body))) : cpVect{};
}

bool cpBodySetVel(cpBody* body, cpVect vel) {
  if (body == nullptr || !IsFinite(vel)) return false;
  ::cpBodySetVelocity(Raw(body), ToCp(vel));
  return true;
}

double cpBodyGetAngle(const cpBody* body) {
  return body ? ::cpBodyGetAngle(Raw(body)) : 0.0;
}

bool cpBodySetAngle(cpBody* body, double angle) {
  if (body == nullptr || !std::isfinite(angle)) return false;
  ::cpBodySetAngle(Raw(body), angle);
  return true;
}

double cpBodyGetAngVel(const cpBody* body) {
  return body ? ::cpBodyGetAngularVelocity(Raw(body)) : 0.0;
}

bool cpBodySetAngVel(cpBody* body, double angVel) {
  if (body == nullptr || !std::isfinite(angVel)) return false;
  ::cpBodySetAngularVelocity(Raw(body), angVel);
  return true;
}

void* cpBodyGetUserData(const cpBody* body) {
  return body ? ::cpBodyGetUserData(Raw(body)) : nullptr;
}

void cpBodySetUserData(cpBody* body, void* data) {
  if (body != nullptr) ::cpBodySetUserData(Raw(body), data);
}

double cpMomentForCircle(double mass, double r1, double r2, cpVect offset) {
  return ::cpMomentForCircle(mass, r1, r2, ToCp(offset));
}

double cpMomentForPoly(double mass, std::span<const cpVect> verts, cpVect offset) {
  if (verts.size() < 3 || verts.size() > INT_MAX) return std::numeric_limits<double>::quiet_NaN();
  const std::vector<::cpVect> raw = ToCp(verts);
  return ::cpMomentForPoly(mass, static_cast<int>(raw.size()), raw.data(), ToCp(offset), 0.0);
}

// Shapes -----------------------------------------------------------------------

bool IsValidPolygon(std::span<const cpVect> verts) {
  const std::size_t count = verts.size();
  if (count < 3 || count > INT_MAX) return false;
  int turn = 0;  // +1 or -1 once a corner turns
  double turning = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    const cpVect in = Sub(verts[i], verts[(i + count - 1) % count]);
    const cpVect out = Sub(verts[(i + 1) % count], verts[i]);
    const double cross = Cross(in, out);
    const double dot = Dot(in, out);
    if (!std::isfinite(cross) || !std::isfinite(dot)) return false;
    if (cross == 0.0 && dot <= 0.0) return false;  // repeated vertex or a spike back
    const int side = (cross > 0.0) - (cross < 0.0);
    if (side != 0 && turn != 0 && side != turn) return false;
    if (side != 0) turn = side;
    turning += std::atan2(cross, dot);
  }
  // A convex outline turns round exactly once; a star turns more often.
  return turn != 0 && std::abs(std::abs(turning) - 2.0 * std::numbers::pi) < 1e-6;
}

cpShape* cpCircleShapeNew(cpBody* body, double radius, cpVect offset) {
  if (body == nullptr || !(radius > 0.0) || !std::isfinite(radius) || !IsFinite(offset)) {
    return nullptr;
  }
  return Wrap(::cpCircleShapeNew(Raw(body), radius, ToCp(offset)));
}

cpShape* cpSegmentShapeNew(cpBody* body, cpVect a, cpVect b, double radius) {
  if (body == nullptr || !IsFinite(a) || !IsFinite(b) || a == b || !(radius >= 0.0) ||
      !std::isfinite(radius)) {
    return nullptr;
  }
  return Wrap(::cpSegmentShapeNew(Raw(body), ToCp(a), ToCp(b), radius));
}

// Chipmunk 7 wants counter-clockwise vertices in its y-up sense, that is a
// positive shoelace area; the game's outlines come the other way round.
cpShape* cpPolyShapeNew(cpBody* body, std::span<const cpVect> verts, cpVect offset) {
  if (body == nullptr || !IsFinite(offset)) return nullptr;
  std::vector<cpVect> placed(verts.begin(), verts.end());
  for (cpVect& v : placed)
    v = {v.x + offset.x, v.y + offset.y};
  if (!IsValidPolygon(placed)) return nullptr;
  if (DoubleArea(placed) < 0.0) std::reverse(placed.begin(), placed.end());
  const std::vector<::cpVect> raw = ToCp(placed);
  return Wrap(::cpPolyShapeNewRaw(Raw(body), static_cast<int>(raw.size()), raw.data(), 0.0));
}

void cpShapeFree(cpShape* shape) {
  if (shape == nullptr) return;
  ::cpSpace* space = ::cpShapeGetSpace(Raw(shape));
  if (IsLocked(space)) {
    ::cpSpaceAddPostStepCallback(space, FreeShapeAfterStep, Raw(shape), nullptr);
    return;
  }
  FreeShapeNow(Raw(shape));
}

cpBody* cpShapeGetBody(const cpShape* shape) {
  return shape ? Wrap(::cpShapeGetBody(Raw(shape))) : nullptr;
}

double cpShapeGetElasticity(const cpShape* shape) {
  return shape ? ::cpShapeGetElasticity(Raw(shape)) : 0.0;
}

bool cpShapeSetElasticity(cpShape* shape, double elasticity) {
  if (shape == nullptr || !(elasticity >= 0.0) || !std::isfinite(elasticity)) return false;
  ::cpShapeSetElasticity(Raw(shape), elasticity);
  return true;
}

double cpShapeGetFriction(const cpShape* shape) {
  return shape ? ::cpShapeGetFriction(Raw(shape)) : 0.0;
}

bool cpShapeSetFriction(cpShape* shape, double friction) {
  if (shape == nullptr || !(friction >= 0.0) || !std::isfinite(friction)) return false;
  ::cpShapeSetFriction(Raw(shape), friction);
  return true;
}

bool cpShapeGetSensor(const cpShape* shape) {
  return shape != nullptr && ::cpShapeGetSensor(Raw(shape));
}

void cpShapeSetSensor(cpShape* shape, bool sensor) {
  if (shape != nullptr) ::cpShapeSetSensor(Raw(shape), sensor ? cpTrue : cpFalse);
}

cpCollisionType cpShapeGetCollisionType(const cpShape* shape) {
  return shape ? static_cast<cpCollisionType>(::cpShapeGetCollisionType(Raw(shape))) : 0;
}

void cpShapeSetCollisionType(cpShape* shape, cpCollisionType type) {
  if (shape != nullptr) ::cpShapeSetCollisionType(Raw(shape), type);
}

cpGroup cpShapeGetGroup(const cpShape* shape) {
  return shape ? static_cast<cpGroup>(::cpShapeGetFilter(Raw(shape)).group) : 0;
}

void cpShapeSetGroup(cpShape* shape, cpGroup group) {
  if (shape == nullptr) return;
  ::cpShapeFilter filter = ::cpShapeGetFilter(Raw(shape));
  filter.group = group;
  ::cpShapeSetFilter(Raw(shape), filter);
}

// Constraints ------------------------------------------------------------------

// Chipmunk cannot solve a joint between two bodies that never move and
// aborts the step, so such a joint is refused.
cpConstraint* cpPivotJointNew(cpBody* a, cpBody* b, cpVect pivot) {
  if (a == nullptr || b == nullptr || a == b || !IsFinite(pivot)) return nullptr;
  if (::cpBodyGetType(Raw(a)) == CP_BODY_TYPE_STATIC &&
      ::cpBodyGetType(Raw(b)) == CP_BODY_TYPE_STATIC) {
    return nullptr;
  }
  ::cpConstraint* joint = ::cpPivotJointNew(Raw(a), Raw(b), ToCp(pivot));
  ::cpConstraintSetErrorBias(joint, kErrorLeftAfterOneSecond);
  return Wrap(joint);
}

void cpConstraintFree(cpConstraint* constraint) {
  if (constraint == nullptr) return;
  ::cpSpace* space = ::cpConstraintGetSpace(Raw(constraint));
  if (IsLocked(space)) {
    ::cpSpaceAddPostStepCallback(space, FreeConstraintAfterStep, Raw(constraint), nullptr);
    return;
  }
  FreeConstraintNow(Raw(constraint));
}

}  // namespace phys
