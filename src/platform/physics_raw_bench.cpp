// Mirrors, call for call, what bench/physics_bench.cpp does through the
// adapter, so that both runs simulate exactly the same world.
#include "platform/physics_raw_bench.h"

#include <chipmunk/chipmunk.h>

#include <algorithm>
#include <cmath>

namespace phys {

namespace {

using Rules = BenchRules;

struct RawCreature {
  ::cpBody* body = nullptr;
  ::cpShape* legs = nullptr;
  bool onGround = false;
};

::cpVect ToCp(cpVect v) {
  return ::cpv(v.x, v.y);
}

std::vector<::cpVect> ToCp(const std::vector<cpVect>& verts) {
  std::vector<::cpVect> out;
  for (const cpVect& v : verts)
    out.push_back(ToCp(v));
  return out;
}

double Area(const std::vector<::cpVect>& verts) {
  double sum = 0.0;
  for (std::size_t i = 0; i < verts.size(); ++i) {
    sum += ::cpvcross(verts[i], verts[(i + 1) % verts.size()]);
  }
  return sum / 2.0;
}

// Chipmunk 7 wants a positive shoelace area; the game winds the other way.
std::vector<::cpVect> CounterClockwise(std::vector<::cpVect> verts) {
  if (Area(verts) < 0.0) std::reverse(verts.begin(), verts.end());
  return verts;
}

::cpBool CreatureTouchesLevel(::cpArbiter* arb, ::cpSpace*, void*) {
  ::cpShape* a = nullptr;
  ::cpShape* b = nullptr;
  ::cpArbiterGetShapes(arb, &a, &b);
  auto* creature = static_cast<RawCreature*>(::cpBodyGetUserData(::cpShapeGetBody(a)));
  if (creature != nullptr && a == creature->legs && ::cpArbiterGetCount(arb) > 0 &&
      ::cpArbiterGetNormal(arb).y > 0.4) {
    creature->onGround = true;
  }
  return cpTrue;
}

::cpBool ObjectTouchesCreature(::cpArbiter*, ::cpSpace*, void* touches) {
  ++*static_cast<long*>(touches);
  return cpTrue;
}

}  // namespace

struct RawBenchWorld::Parts {
  ::cpSpace* space = ::cpSpaceNew();
  ::cpBody* ground = ::cpBodyNewStatic();
  std::vector<::cpBody*> bodies;
  std::vector<::cpShape*> shapes;
  std::vector<std::unique_ptr<RawCreature>> creatures;
  long touches = 0;
  long ticks = 0;

  ::cpShape* Add(::cpShape* shape, double friction) {
    ::cpShapeSetFriction(shape, friction);
    ::cpShapeSetElasticity(shape, 0);
    shapes.push_back(::cpSpaceAddShape(space, shape));
    return shape;
  }
  ::cpBody* AddBody(::cpBody* body, cpVect at) {
    bodies.push_back(body);
    ::cpBodySetPosition(body, ToCp(at));
    return body;
  }
  void AddPolygon(const BenchWorld::Polygon& polygon) {
    const std::vector<::cpVect> verts = ToCp(polygon.outline);
    const double mass = Rules::kDensity * std::abs(Area(verts));
    ::cpBody* body = AddBody(::cpSpaceAddBody(space, ::cpBodyNew(mass, INFINITY)), polygon.at);
    const std::vector<::cpVect> ccw = CounterClockwise(verts);
    Add(::cpPolyShapeNewRaw(body, static_cast<int>(ccw.size()), ccw.data(), 0), 0.8);
    ::cpBodySetMoment(
        body, ::cpMomentForPoly(mass, static_cast<int>(verts.size()), verts.data(), ::cpvzero, 0));
  }
  ::cpShape* AddCreatureShape(::cpShape* shape) {
    ::cpShapeSetFilter(shape, ::cpShapeFilterNew(1, CP_ALL_CATEGORIES, CP_ALL_CATEGORIES));
    ::cpShapeSetCollisionType(shape, Rules::kCreatureType);
    return Add(shape, 0);
  }
  void AddCreature(cpVect at) {
    auto creature = std::make_unique<RawCreature>();
    creature->body =
        AddBody(::cpSpaceAddBody(space, ::cpBodyNew(Rules::kCreatureMass, INFINITY)), at);
    ::cpBodySetUserData(creature->body, creature.get());
    creature->legs = AddCreatureShape(
        ::cpCircleShapeNew(creature->body, Rules::kRadius, ::cpv(0, Rules::kLegsY)));
    AddCreatureShape(::cpCircleShapeNew(creature->body, Rules::kRadius, ::cpv(0, Rules::kHeadY)));
    const double side = Rules::kRadius - 1;
    const std::vector<::cpVect> box =
        CounterClockwise({::cpv(-side, Rules::kHeadY), ::cpv(-side, Rules::kLegsY),
                          ::cpv(side, Rules::kLegsY), ::cpv(side, Rules::kHeadY)});
    AddCreatureShape(::cpPolyShapeNewRaw(creature->body, 4, box.data(), 0));
    creatures.push_back(std::move(creature));
  }
  void Steer(RawCreature& creature) const {
    ::cpShapeSetFriction(creature.legs, 0);  // the right key is held
    ::cpVect v = ::cpBodyGetVelocity(creature.body);
    if (creature.onGround && ticks % Rules::kJumpEvery == 0) v.y = -350;
    if (v.x < 250) v.x += 1;
    ::cpBodySetVelocity(creature.body, v);
  }
};

RawBenchWorld::RawBenchWorld(const BenchWorld& world) : parts_(std::make_unique<Parts>()) {
  Parts& p = *parts_;
  ::cpSpaceSetIterations(p.space, 5);
  ::cpSpaceSetGravity(p.space, ::cpv(0, 512));
  ::cpSpaceSetCollisionBias(p.space, std::pow(0.9, 1000));  // as the adapter's spaces
  ::cpSpaceSetDamping(p.space, 0.9);
  for (const auto& [a, b] : world.segments) {
    p.Add(::cpSegmentShapeNew(p.ground, ToCp(a), ToCp(b), Rules::kEdgeRadius), 0.8);
  }
  for (const cpVect& at : world.objects) {
    ::cpBody* body = p.AddBody(::cpBodyNewStatic(), at);
    ::cpShape* sensor = p.Add(::cpCircleShapeNew(body, Rules::kObjectRadius, ::cpvzero), 0.8);
    ::cpShapeSetSensor(sensor, cpTrue);
    ::cpShapeSetCollisionType(sensor, Rules::kObjectType);
  }
  for (const auto& polygon : world.polygons)
    p.AddPolygon(polygon);
  for (const cpVect& at : world.creatures)
    p.AddCreature(at);
  ::cpSpaceAddCollisionHandler(p.space, Rules::kCreatureType, Rules::kLevelType)->preSolveFunc =
      CreatureTouchesLevel;
  ::cpCollisionHandler* objects =
      ::cpSpaceAddCollisionHandler(p.space, Rules::kObjectType, Rules::kCreatureType);
  objects->preSolveFunc = ObjectTouchesCreature;
  objects->userData = &p.touches;
}

RawBenchWorld::~RawBenchWorld() {
  ::cpSpaceFree(parts_->space);  // frees none of its children
  for (::cpShape* shape : parts_->shapes)
    ::cpShapeFree(shape);
  for (::cpBody* body : parts_->bodies)
    ::cpBodyFree(body);
  ::cpBodyFree(parts_->ground);
}

void RawBenchWorld::Tick(double dt) {
  for (auto& creature : parts_->creatures)
    creature->onGround = false;
  ::cpSpaceStep(parts_->space, dt);
  ++parts_->ticks;
  for (auto& creature : parts_->creatures)
    parts_->Steer(*creature);
}

std::vector<cpVect> RawBenchWorld::CreaturePositions() const {
  std::vector<cpVect> positions;
  for (const auto& creature : parts_->creatures) {
    const ::cpVect p = ::cpBodyGetPosition(creature->body);
    positions.push_back({p.x, p.y});
  }
  return positions;
}

long RawBenchWorld::ObjectTouches() const {
  return parts_->touches;
}

}  // namespace phys
