// How much the physics adapter costs: a level-sized world stepped through
// platform/physics.h, against the same world stepped on Chipmunk directly in
// the same run. The adapter should cost nothing measurable (ratio near 1).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/physics.h"
#include "platform/physics_raw_bench.h"

namespace {

using phys::BenchWorld;
using phys::cpVect;
using Rules = phys::BenchRules;

constexpr int kSteps = 10000;
constexpr double kStep = 0.001;
constexpr int kRuns = 5;

// About sixty ground edges, ten loose polygons, two creatures and two objects.
BenchWorld MakeBenchWorld() {
  BenchWorld world;
  for (int i = 0; i < 40; ++i) {  // a bumpy floor
    const double x = 50.0 * i;
    world.segments.push_back(
        {{x, 500 + 8 * std::sin(i * 0.7)}, {x + 50, 500 + 8 * std::sin((i + 1) * 0.7)}});
  }
  for (int i = 0; i < 5; ++i) {  // walls at both ends
    world.segments.push_back({{0, 100.0 * i}, {0, 100.0 * i + 100}});
    world.segments.push_back({{2000, 100.0 * i}, {2000, 100.0 * i + 100}});
  }
  for (int i = 0; i < 5; ++i) {  // ledges
    const double x = 300.0 + 350 * i;
    world.segments.push_back({{x, 380}, {x + 60, 370}});
    world.segments.push_back({{x + 60, 370}, {x + 120, 380}});
  }
  const std::vector<cpVect> square = {{-15, -15}, {-15, 15}, {15, 15}, {15, -15}};
  const std::vector<cpVect> triangle = {{0, -20}, {-20, 15}, {20, 15}};
  for (int i = 0; i < 10; ++i) {
    world.polygons.push_back({{150.0 + 180 * i, 300}, i % 2 == 0 ? square : triangle});
  }
  world.creatures = {{100, 400}, {1000, 400}};
  world.objects = {{500, 470}, {1500, 470}};
  return world;
}

struct Creature {
  phys::cpBody* body = nullptr;
  phys::cpShape* legs = nullptr;
  bool onGround = false;
};

bool CreatureTouchesLevel(const phys::cpArbiter& arb, phys::cpSpace*, void*) {
  auto* creature = static_cast<Creature*>(phys::cpBodyGetUserData(phys::cpShapeGetBody(arb.a)));
  if (creature != nullptr && arb.a == creature->legs && arb.numContacts > 0 &&
      arb.contacts[0].n.y > 0.4) {
    creature->onGround = true;
  }
  return true;
}

bool ObjectTouchesCreature(const phys::cpArbiter&, phys::cpSpace*, void* touches) {
  ++*static_cast<long*>(touches);
  return true;
}

// The bench world built through the adapter, the way the game's level start does.
class AdapterWorld {
 public:
  explicit AdapterWorld(const BenchWorld& world) {
    phys::cpSpaceSetIterations(space_, 5);
    phys::cpSpaceSetGravity(space_, {0, 512});
    phys::cpSpaceSetDamping(space_, 0.9);
    for (const auto& [a, b] : world.segments) {
      Add(phys::cpSegmentShapeNew(ground_, a, b, Rules::kEdgeRadius), 0.8);
    }
    for (const cpVect& at : world.objects)
      AddObject(at);
    for (const auto& polygon : world.polygons)
      AddPolygon(polygon);
    for (const cpVect& at : world.creatures)
      AddCreature(at);
    phys::cpSpaceAddCollisionHandler(space_, Rules::kCreatureType, Rules::kLevelType,
                                     CreatureTouchesLevel, nullptr);
    phys::cpSpaceAddCollisionHandler(space_, Rules::kObjectType, Rules::kCreatureType,
                                     ObjectTouchesCreature, &touches_);
  }
  ~AdapterWorld() {
    phys::cpSpaceFreeChildren(space_);
    phys::cpSpaceFree(space_);
    phys::cpBodyFree(ground_);
    for (phys::cpBody* body : objectBodies_)
      phys::cpBodyFree(body);
  }
  AdapterWorld(const AdapterWorld&) = delete;
  AdapterWorld& operator=(const AdapterWorld&) = delete;

  void Tick(double dt) {
    for (auto& creature : creatures_)
      creature->onGround = false;
    phys::cpSpaceStep(space_, dt);
    ++ticks_;
    for (auto& creature : creatures_)
      Steer(*creature);
  }
  std::vector<cpVect> CreaturePositions() const {
    std::vector<cpVect> positions;
    for (const auto& creature : creatures_)
      positions.push_back(phys::cpBodyGetPos(creature->body));
    return positions;
  }
  long ObjectTouches() const { return touches_; }

 private:
  phys::cpShape* Add(phys::cpShape* shape, double friction) {
    phys::cpShapeSetFriction(shape, friction);
    phys::cpShapeSetElasticity(shape, 0);
    return phys::cpSpaceAddShape(space_, shape);
  }
  void AddObject(cpVect at) {
    phys::cpBody* body = objectBodies_.emplace_back(phys::cpBodyNew(INFINITY, INFINITY));
    phys::cpBodySetPos(body, at);
    phys::cpShape* sensor = Add(phys::cpCircleShapeNew(body, Rules::kObjectRadius, {}), 0.8);
    phys::cpShapeSetSensor(sensor, true);
    phys::cpShapeSetCollisionType(sensor, Rules::kObjectType);
  }
  void AddPolygon(const BenchWorld::Polygon& polygon) {
    const double mass = Rules::kDensity * std::abs(ShoelaceArea(polygon.outline));
    phys::cpBody* body = phys::cpSpaceAddBody(space_, phys::cpBodyNew(mass, 0));
    phys::cpBodySetPos(body, polygon.at);
    Add(phys::cpPolyShapeNew(body, polygon.outline, {}), 0.8);
    phys::cpBodySetMoment(body, phys::cpMomentForPoly(mass, polygon.outline, {}));
  }
  phys::cpShape* AddCreatureShape(phys::cpShape* shape) {
    phys::cpShapeSetGroup(shape, 1);
    phys::cpShapeSetCollisionType(shape, Rules::kCreatureType);
    return Add(shape, 0);
  }
  void AddCreature(cpVect at) {
    auto creature = std::make_unique<Creature>();
    creature->body = phys::cpSpaceAddBody(space_, phys::cpBodyNew(Rules::kCreatureMass, INFINITY));
    phys::cpBodySetPos(creature->body, at);
    phys::cpBodySetUserData(creature->body, creature.get());
    creature->legs = AddCreatureShape(
        phys::cpCircleShapeNew(creature->body, Rules::kRadius, {0, Rules::kLegsY}));
    AddCreatureShape(phys::cpCircleShapeNew(creature->body, Rules::kRadius, {0, Rules::kHeadY}));
    const std::vector<cpVect> box = {{1 - Rules::kRadius, Rules::kHeadY},
                                     {1 - Rules::kRadius, Rules::kLegsY},
                                     {Rules::kRadius - 1, Rules::kLegsY},
                                     {Rules::kRadius - 1, Rules::kHeadY}};
    AddCreatureShape(phys::cpPolyShapeNew(creature->body, box, {}));
    creatures_.push_back(std::move(creature));
  }
  void Steer(Creature& creature) const {
    phys::cpShapeSetFriction(creature.legs, 0);  // the right key is held
    cpVect v = phys::cpBodyGetVel(creature.body);
    if (creature.onGround && ticks_ % Rules::kJumpEvery == 0) v.y = -350;
    if (v.x < 250) v.x += 1;
    phys::cpBodySetVel(creature.body, v);
  }
  static double ShoelaceArea(const std::vector<cpVect>& verts) {
    double sum = 0.0;
    for (std::size_t i = 0; i < verts.size(); ++i) {
      const cpVect a = verts[i], b = verts[(i + 1) % verts.size()];
      sum += a.x * b.y - a.y * b.x;
    }
    return sum / 2.0;
  }

  phys::cpSpace* space_ = phys::cpSpaceNew();
  phys::cpBody* ground_ = phys::cpBodyNew(INFINITY, INFINITY);
  std::vector<phys::cpBody*> objectBodies_;
  std::vector<std::unique_ptr<Creature>> creatures_;
  long touches_ = 0;
  long ticks_ = 0;
};

struct Run {
  double seconds = 0;
  std::vector<cpVect> positions;
  long touches = 0;
};

// Times the stepping only; building and freeing the world are not counted.
template <class World>
Run TimeSteps(const BenchWorld& layout) {
  World world(layout);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kSteps; ++i)
    world.Tick(kStep);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return {elapsed.count(), world.CreaturePositions(), world.ObjectTouches()};
}

}  // namespace

int main() {
  phys::cpInitChipmunk();
  const BenchWorld layout = MakeBenchWorld();
  Run adapter, raw;
  adapter.seconds = raw.seconds = INFINITY;
  // Alternating runs, best of each, so that a busy moment hurts both alike.
  for (int run = 0; run < kRuns; ++run) {
    const Run a = TimeSteps<AdapterWorld>(layout);
    const Run r = TimeSteps<phys::RawBenchWorld>(layout);
    if (a.seconds < adapter.seconds) adapter = a;
    if (r.seconds < raw.seconds) raw = r;
  }
  const bool same = adapter.positions == raw.positions && adapter.touches == raw.touches;
  std::printf("physics: %d steps of %g s, %zu edges, %zu polygons, %zu creatures\n", kSteps, kStep,
              layout.segments.size(), layout.polygons.size(), layout.creatures.size());
  std::printf("adapter: %.0f steps/s, raw: %.0f steps/s, ratio adapter/raw: %.3f\n",
              kSteps / adapter.seconds, kSteps / raw.seconds, adapter.seconds / raw.seconds);
  std::printf("same simulation: %s (object touches %ld)\n", same ? "yes" : "NO", adapter.touches);
  return same ? 0 : 1;
}
