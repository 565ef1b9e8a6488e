// Creatures on a real physics body: walking, jumping, friction, facing and animation.
#include "world/creature.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "object_test_support.h"
#include "world/pattern.h"

namespace {

using object_test::TestWorld;
using phys::cpVect;

constexpr phys::cpCollisionType kLevelType = 0, kCreatureType = 2;
constexpr double kFloorY = 100;

// The body the level start builds: the pattern's mass, never turning, legs and head
// circles and a torso box in group 1 with the creature type. The user data is the
// creature here (the game puts its element there).
void BuildBody(TCreature& c, phys::cpSpace* space) {
  const TCreaturePat& p = *c.Pattern;
  c.Body = phys::cpBodyNew(p.Mass, object_test::kInfinity);
  phys::cpSpaceAddBody(space, c.Body);
  phys::cpBodySetPos(c.Body, {c.X, c.Y});
  phys::cpBodySetUserData(c.Body, &c);
  auto attach = [&](phys::cpShape* shape) {
    phys::cpShapeSetGroup(shape, 1);
    phys::cpShapeSetCollisionType(shape, kCreatureType);
    phys::cpSpaceAddShape(space, shape);
    return shape;
  };
  double r = p.Radius;
  c.LegsShape = attach(phys::cpCircleShapeNew(c.Body, r, {0, p.LegsY}));
  c.HeadShape = attach(phys::cpCircleShapeNew(c.Body, r, {0, p.HeadY}));
  const std::vector<cpVect> torso = {
      {1 - r, p.HeadY}, {1 - r, p.LegsY}, {r - 1, p.LegsY}, {r - 1, p.HeadY}};
  c.TorsoShape = attach(phys::cpPolyShapeNew(c.Body, torso, {0, 0}));
}

// The game's creature-level handler: shape a is the creature's; its legs stand on
// something when the normal from them points down the screen.
bool TouchGround(const phys::cpArbiter& arb, phys::cpSpace*, void* calls) {
  ++*static_cast<int*>(calls);
  auto* c = static_cast<TCreature*>(phys::cpBodyGetUserData(phys::cpShapeGetBody(arb.a)));
  for (int i = 0; i < arb.numContacts; ++i)
    if (arb.a == c->LegsShape && arb.contacts[size_t(i)].n.y > 0.4) c->OnGround = 1;
  return true;
}

// A long flat floor and a creature, by default standing on it. Damping is off so that
// speeds count exactly.
struct Floor {
  TestWorld world{1.0};
  int handlerCalls = 0;
  TCreaturePat pattern;
  std::unique_ptr<TCreature> creature = std::make_unique<TCreature>();

  explicit Floor(float y = kFloorY - 19 - 11 - 0.2) {
    world.Edge({-5000, kFloorY}, {5000, kFloorY});
    phys::cpSpaceAddCollisionHandler(world.space, kCreatureType, kLevelType, TouchGround,
                                     &handlerCalls);
    creature->SetPattern(&pattern);
    creature->Y = y;
    BuildBody(*creature, world.space);
  }
  // One level step: the ground flag is cleared, the world steps, the creature moves.
  void Tick() {
    creature->OnGround = 0;
    world.Step();
    creature->Update(true);
  }
  void Settle() {
    for (int i = 0; i < 200; ++i)
      Tick();
    phys::cpBodySetVel(creature->Body, {0, 0});
  }
  cpVect Vel() const { return phys::cpBodyGetVel(creature->Body); }
};

long Milli(double v) {
  return std::lround(v * 1000);
}

// The contacts add rounding noise of about 1e-14 to the speed, so thousandths are compared.
TEST(Creature, holding_right_on_the_floor_walks_without_friction_then_stands_with_it) {
  Floor f;
  f.Settle();
  f.creature->RightKey = 1;
  std::vector<std::tuple<long, double, int>> steps, expected;  // speed, friction, OnGround
  for (int step = 1; step <= 250; ++step) {
    f.Tick();
    steps.emplace_back(Milli(f.Vel().x), phys::cpShapeGetFriction(f.creature->LegsShape),
                       f.creature->OnGround);
    expected.emplace_back(step * 1000, 0, 1);
  }
  EXPECT_EQ(steps, expected);
  f.creature->RightKey = 0;
  f.Tick();
  EXPECT_EQ(phys::cpShapeGetFriction(f.creature->LegsShape), 1.5);
}

// Away from any contact the speeds are exact; the ground flag is set by hand.
TEST(Creature, speed_rises_by_1_per_step_and_stops_at_250) {
  Floor f(-1000);
  f.creature->RightKey = 1;
  std::vector<double> speeds, expected;
  for (int step = 1; step <= 300; ++step) {
    f.world.Step();
    f.creature->OnGround = 1;
    f.creature->Update(true);
    speeds.push_back(f.Vel().x);
    expected.push_back(std::min(step, 250));
  }
  EXPECT_EQ(speeds, expected);
}

TEST(Creature, jump_works_only_on_the_ground) {
  Floor onFloor, inAir(-1000);
  onFloor.Settle();
  phys::cpBodySetVel(inAir.creature->Body, {0, 123});
  for (auto [f, expected] :
       {std::pair(&onFloor,
                  std::vector<std::pair<int, long>>{{1, -350000}, {0, -349488}, {0, -348976}}),
        std::pair(&inAir,
                  std::vector<std::pair<int, long>>{{0, 123512}, {0, 124024}, {0, 124536}})}) {
    f->creature->JumpKey = 1;
    std::vector<std::pair<int, long>> steps;  // OnGround, vertical speed
    for (int i = 0; i < 3; ++i) {
      f->Tick();
      steps.emplace_back(f->creature->OnGround, Milli(f->Vel().y));
    }
    EXPECT_EQ(steps, expected);
  }
}

TEST(Creature, thrown_upward_it_shows_the_walk_until_it_slows_below_100) {
  Floor f(-1000);
  phys::cpBodySetVel(f.creature->Body, {0, -300});
  std::vector<std::pair<int, int>> changes;  // (step, Walking) whenever Walking changes
  for (int step = 1, walking = 0; step <= 500; walking = f.creature->Walking, ++step) {
    f.Tick();
    if (f.creature->Walking != walking) changes.emplace_back(step, f.creature->Walking);
  }
  // 0.512 per step: -100.32 after step 390, -99.808 after 391.
  EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{1, 1}, {391, 0}}));
}

// One step of the rules on a body that nothing else acts on.
TEST(Creature, one_step_of_the_rules) {
  struct Case {
    std::string name;
    bool left, right, jump, onGround;
    cpVect vel;
    uint8_t facing, walking;
    float animTime;
    // speeds (thousandths), legs friction, Facing, Walking, AnimTime (thousandths)
    std::tuple<long, long, double, int, int, long> expected;
  };
  const std::vector<Case> cases = {
      {"standing on the ground", 0, 0, 0, 1, {0, 0}, 1, 0, 5, {0, 0, 1.5, 1, 0, 5024}},
      {"standing in the air", 0, 0, 0, 0, {0, 50}, 1, 0, 5, {0, 50000, 0, 1, 0, 5024}},
      {"right starts the walk", 0, 1, 0, 1, {10, 0}, 0, 0, 5, {11000, 0, 0, 1, 1, 24}},
      {"left starts the walk", 1, 0, 0, 1, {10, 0}, 1, 0, 5, {9000, 0, 0, 0, 1, 24}},
      {"both: speed kept, facing left", 1, 1, 0, 1, {10, 0}, 1, 1, 5, {10000, 0, 0, 0, 1, 5024}},
      {"right at 250", 0, 1, 0, 1, {250, 0}, 1, 1, 5, {250000, 0, 0, 1, 1, 5024}},
      {"right under 250", 0, 1, 0, 1, {249.5, 0}, 1, 1, 5, {250500, 0, 0, 1, 1, 5024}},
      {"left at -250", 1, 0, 0, 1, {-250, 0}, 0, 1, 5, {-250000, 0, 0, 0, 1, 5024}},
      {"jump on the ground", 0, 0, 1, 1, {5, 200}, 0, 0, 5, {5000, -350000, 1.5, 0, 0, 5024}},
      {"jump in the air", 0, 0, 1, 0, {5, 200}, 0, 0, 5, {5000, 200000, 0, 0, 0, 5024}},
      {"rising fast in the air", 0, 0, 0, 0, {0, -150}, 0, 0, 5, {0, -150000, 0, 0, 1, 24}},
      {"rising at 100", 0, 0, 0, 0, {0, -100}, 0, 1, 5, {0, -100000, 0, 0, 0, 24}},
      {"rising fast on the ground", 0, 0, 0, 1, {0, -150}, 0, 0, 5, {0, -150000, 1.5, 0, 0, 5024}},
      {"past the last walk frame", 0, 1, 0, 1, {0, 0}, 1, 1, 9.99f, {1000, 0, 0, 1, 1, 0}},
      {"before the last walk frame", 0, 1, 0, 1, {0, 0}, 1, 1, 9.97f, {1000, 0, 0, 1, 1, 9994}},
  };
  TestWorld world;
  TCreaturePat pattern;
  pattern.StandAnim.Frames.resize(10);
  pattern.WalkAnim.Frames.resize(10);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TCreature creature;
    creature.SetPattern(&pattern);
    BuildBody(creature, world.space);
    phys::cpBodySetVel(creature.Body, c.vel);
    std::tie(creature.LeftKey, creature.RightKey, creature.JumpKey, creature.OnGround) =
        std::tuple(c.left, c.right, c.jump, c.onGround);
    std::tie(creature.Facing, creature.Walking, creature.AnimTime) =
        std::tuple(c.facing, c.walking, c.animTime);
    creature.Update(true);
    cpVect v = phys::cpBodyGetVel(creature.Body);
    EXPECT_EQ(std::tuple(Milli(v.x), Milli(v.y), phys::cpShapeGetFriction(creature.LegsShape),
                         int(creature.Facing), int(creature.Walking), Milli(creature.AnimTime)),
              c.expected);
  }
}

TEST(Creature, without_steering_it_only_follows_its_body_and_animates) {
  Floor f(-1000);
  f.pattern.StandAnim.Frames.resize(10);
  phys::cpBodySetPos(f.creature->Body, {12, 34});
  phys::cpBodySetVel(f.creature->Body, {7, 8});
  phys::cpShapeSetFriction(f.creature->LegsShape, 0.8);
  TCreature& c = *f.creature;
  c.LeftKey = c.RightKey = c.JumpKey = c.OnGround = 1;
  c.Update(false);
  EXPECT_EQ(std::tuple(c.X, c.Y, f.Vel().x, f.Vel().y, phys::cpShapeGetFriction(c.LegsShape),
                       int(c.Facing), int(c.Walking), Milli(c.AnimTime)),
            std::tuple(12.f, 34.f, 7.0, 8.0, 0.8, 0, 0, 24L));
}

TEST(Creature, copy_takes_pattern_place_looks_and_name_and_destroy_leaves_the_world) {
  Floor f;
  f.Settle();
  TCreature& c = *f.creature;
  std::tie(c.X, c.Y, c.Visible, c.Alpha, c.Name, c.AnimTime) =
      std::tuple(1, 2, false, 100, "ghost", 3);
  auto copy = std::unique_ptr<TCreature>(static_cast<TCreature*>(c.CreateCopy().release()));
  EXPECT_EQ(std::tuple(copy->Pattern, copy->X, copy->Y, copy->Visible, int(copy->Alpha), copy->Name,
                       copy->AnimTime, copy->Body),
            std::tuple(&f.pattern, 1.f, 2.f, false, 100, std::string("ghost"), 0.f, nullptr));

  EXPECT_GT(f.handlerCalls, 0);
  f.creature.reset();
  f.handlerCalls = 0;
  f.world.Step(10);
  EXPECT_EQ(f.handlerCalls, 0);
}

}  // namespace
