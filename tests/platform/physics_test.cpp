#include "platform/physics.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace phys {

void PrintTo(const cpVect& v, std::ostream* os) {
  *os << "(" << v.x << ", " << v.y << ")";
}

void PrintTo(const cpArbiter& arb, std::ostream* os) {
  *os << "{a " << arb.a << ", b " << arb.b << ", " << arb.numContacts << " contacts, n0 ";
  PrintTo(arb.contacts[0].n, os);
  *os << "}";
}

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kStep = 0.001;  // one game tick

constexpr cpCollisionType kLevelType = 0;
constexpr cpCollisionType kObjectType = 1;
constexpr cpCollisionType kCreatureType = 2;
constexpr cpCollisionType kBallType = 3;

// A square of side 20 around the origin, wound as the game winds outlines
// (non-positive shoelace area).
const std::vector<cpVect> kSquare = {{-10, -10}, {-10, 10}, {10, 10}, {10, -10}};

// A level-like world: gravity down the screen and a static body that carries
// the ground without being added itself.
struct World {
  cpSpace* space = cpSpaceNew();
  cpBody* ground = cpBodyNew(kInf, kInf);

  World() {
    cpSpaceSetIterations(space, 5);
    cpSpaceSetGravity(space, {0, 512});
    cpSpaceSetDamping(space, 0.9);
  }
  ~World() {
    cpSpaceFreeChildren(space);
    cpSpaceFree(space);
    cpBodyFree(ground);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  cpShape* Floor(cpVect a, cpVect b) {
    cpShape* edge = cpSpaceAddStaticShape(space, cpSegmentShapeNew(ground, a, b, 0.2));
    cpShapeSetFriction(edge, 0.8);
    return edge;
  }
  void Step(int steps) {
    for (int i = 0; i < steps; ++i)
      cpSpaceStep(space, kStep);
  }
};

// The game's creature: a body that never turns, with legs, head and torso.
struct Creature {
  cpBody* body = nullptr;
  cpShape* legs = nullptr;
  cpShape* head = nullptr;
  cpShape* torso = nullptr;
};

cpShape* AddCreatureShape(cpSpace* space, cpShape* shape, cpGroup group) {
  cpShapeSetFriction(shape, 0);
  cpShapeSetGroup(shape, group);
  cpShapeSetCollisionType(shape, kCreatureType);
  return cpSpaceAddShape(space, shape);
}

Creature AddCreature(cpSpace* space, cpVect at, cpGroup group = 1) {
  constexpr double kLegsY = 19, kHeadY = -19, kRadius = 11;
  Creature c;
  c.body = cpSpaceAddBody(space, cpBodyNew(30, kInf));
  cpBodySetPos(c.body, at);
  c.legs = AddCreatureShape(space, cpCircleShapeNew(c.body, kRadius, {0, kLegsY}), group);
  c.head = AddCreatureShape(space, cpCircleShapeNew(c.body, kRadius, {0, kHeadY}), group);
  const std::vector<cpVect> box = {
      {1 - kRadius, kHeadY}, {1 - kRadius, kLegsY}, {kRadius - 1, kLegsY}, {kRadius - 1, kHeadY}};
  c.torso = AddCreatureShape(space, cpPolyShapeNew(c.body, box, {}), group);
  return c;
}

cpBody* AddBall(cpSpace* space, cpVect at, double radius = 5) {
  cpBody* ball = cpSpaceAddBody(space, cpBodyNew(1, cpMomentForCircle(1, 0, radius, {})));
  cpBodySetPos(ball, at);
  cpShapeSetCollisionType(cpSpaceAddShape(space, cpCircleShapeNew(ball, radius, {})), kBallType);
  return ball;
}

cpBody* AddBox(cpSpace* space, cpVect at, const std::vector<cpVect>& outline, double moment) {
  cpBody* box = cpSpaceAddBody(space, cpBodyNew(1, moment));
  cpBodySetPos(box, at);
  cpSpaceAddShape(space, cpPolyShapeNew(box, outline, {}));
  return box;
}

// Remembers what a handler saw.
struct Touches {
  int calls = 0;
  cpArbiter last;
  void* firstBodyData = nullptr;
};

bool RecordTouch(const cpArbiter& arb, cpSpace*, void* data) {
  auto& touches = *static_cast<Touches*>(data);
  ++touches.calls;
  touches.last = arb;
  touches.firstBodyData = cpBodyGetUserData(cpShapeGetBody(arb.a));
  return true;
}

// When started as the banner probe, the program makes its first space and
// leaves before GoogleTest prints anything, so all it writes to standard
// output is what Chipmunk printed.
[[maybe_unused]] const bool kBannerProbe = [] {
  if (std::getenv("TOVI2_PHYSICS_BANNER_PROBE") == nullptr) return false;
  const bool ready = cpInitChipmunk();
  cpSpaceFree(cpSpaceNew());
  std::fflush(stdout);
  std::_Exit(ready ? 42 : 1);
}();

TEST(PhysicsInit, banner_never_reaches_stdout) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  setenv("TOVI2_PHYSICS_BANNER_PROBE", "1", 1);
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl("/proc/self/exe", "physics_test", static_cast<char*>(nullptr));
    _exit(127);
  }
  unsetenv("TOVI2_PHYSICS_BANNER_PROBE");
  close(out[1]);
  std::string printed;
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
    printed.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  EXPECT_EQ(std::pair(exitCode, printed), std::pair(42, std::string()));
  EXPECT_TRUE(cpInitChipmunk());
  EXPECT_EQ(cpGetError(), "");
}

TEST(PhysicsHandlers, standing_creature_reports_every_step_in_registration_order) {
  struct Case {
    const char* name;
    std::vector<std::pair<cpCollisionType, cpCollisionType>> registrations;
    bool legsFirst;
  };
  const std::vector<Case> cases = {
      {"legs first", {{kCreatureType, kLevelType}}, true},
      {"level first", {{kLevelType, kCreatureType}}, false},
      {"re-registered reversed", {{kCreatureType, kLevelType}, {kLevelType, kCreatureType}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    cpShape* floor = world.Floor({-200, 300}, {200, 300});
    const Creature creature = AddCreature(world.space, {0, 240});
    int element = 0;
    cpBodySetUserData(creature.body, &element);
    Touches touches;
    for (const auto& [a, b] : c.registrations) {
      cpSpaceAddCollisionHandler(world.space, a, b, RecordTouch, &touches);
    }
    world.Step(1000);  // falls about 30 units and comes to rest
    touches.calls = 0;
    world.Step(100);

    EXPECT_EQ(touches.calls, 100);
    cpArbiter expected;
    expected.a = c.legsFirst ? creature.legs : floor;
    expected.b = c.legsFirst ? floor : creature.legs;
    expected.numContacts = 1;
    // From the first shape towards the second, y pointing down.
    expected.contacts[0].n = c.legsFirst ? cpVect{0, 1} : cpVect{0, -1};
    EXPECT_EQ(touches.last, expected);
    EXPECT_EQ(touches.firstBodyData, c.legsFirst ? &element : nullptr);
  }
}

TEST(PhysicsGroups, creatures_sharing_a_group_pass_through_each_other) {
  const std::vector<std::pair<cpGroup, bool>> cases = {{1, true}, {0, false}};
  for (const auto& [group, passes] : cases) {
    SCOPED_TRACE(group);
    World world;
    cpSpaceSetGravity(world.space, {0, 0});
    cpSpaceSetDamping(world.space, 1);
    const Creature left = AddCreature(world.space, {0, 0}, group);
    const Creature right = AddCreature(world.space, {100, 0}, group);
    cpBodySetVel(left.body, {200, 0});
    cpBodySetVel(right.body, {-200, 0});
    world.Step(1000);
    EXPECT_EQ(cpBodyGetPos(left.body).x > cpBodyGetPos(right.body).x, passes);
  }
}

TEST(PhysicsSensors, sensor_reports_touches_without_pushing) {
  for (const bool sensor : {true, false}) {
    SCOPED_TRACE(sensor);
    World world;
    cpBody* objectBody = cpBodyNew(kInf, kInf);
    cpBodySetPos(objectBody, {0, 100});
    cpShape* object = cpSpaceAddStaticShape(world.space, cpCircleShapeNew(objectBody, 20, {}));
    cpShapeSetSensor(object, sensor);
    cpShapeSetCollisionType(object, kObjectType);
    Touches touches;
    cpSpaceAddCollisionHandler(world.space, kObjectType, kCreatureType, RecordTouch, &touches);
    const Creature falling = AddCreature(world.space, {0, 40});
    const Creature freeFall = AddCreature(world.space, {500, 40});
    world.Step(300);

    EXPECT_GT(touches.calls, 0);
    EXPECT_EQ(touches.last.a, object);
    EXPECT_EQ(cpBodyGetVel(falling.body) == cpBodyGetVel(freeFall.body), sensor);
    cpShapeFree(object);
    cpBodyFree(objectBody);
  }
}

// Moves the platform from inside a step, as a touch script does.
struct PlatformMove {
  cpBody* platform = nullptr;
  bool moved = false;
  bool rehashed = false;
};

bool MovePlatformOnce(const cpArbiter&, cpSpace* space, void* data) {
  auto& move = *static_cast<PlatformMove*>(data);
  if (!move.moved) {
    move.moved = cpBodySetPos(move.platform, {300, 100});
    move.rehashed = cpSpaceRehashStatic(space);
  }
  return true;
}

TEST(PhysicsStatic, moved_static_body_collides_at_its_new_place_after_rehash) {
  for (const bool insideStep : {false, true}) {
    SCOPED_TRACE(insideStep);
    World world;
    cpBody* platform = cpBodyNew(kInf, kInf);
    cpBodySetPos(platform, {0, 100});
    cpShape* edge =
        cpSpaceAddStaticShape(world.space, cpSegmentShapeNew(platform, {-30, 0}, {30, 0}, 1));
    PlatformMove move{platform};
    if (insideStep) {
      // A sensor that a ball overlaps from the start fires on the first step.
      cpShape* trigger =
          cpSpaceAddStaticShape(world.space, cpCircleShapeNew(world.ground, 10, {1000, 1000}));
      cpShapeSetSensor(trigger, true);
      cpShapeSetCollisionType(trigger, kObjectType);
      cpSpaceAddCollisionHandler(world.space, kBallType, kObjectType, MovePlatformOnce, &move);
      cpSpaceSetGravity(world.space, {0, 0});
      AddBall(world.space, {1000, 1000});
      world.Step(1);
      cpSpaceSetGravity(world.space, {0, 512});
    } else {
      MovePlatformOnce(cpArbiter{}, world.space, &move);
    }
    cpBody* overOldPlace = AddBall(world.space, {0, 50});
    cpBody* overNewPlace = AddBall(world.space, {300, 50});
    world.Step(1000);

    EXPECT_EQ(std::pair(move.moved, move.rehashed), std::pair(true, true));
    EXPECT_EQ(std::pair(cpBodyGetPos(overOldPlace).y > 120, cpBodyGetPos(overNewPlace).y < 100),
              std::pair(true, true));
    cpShapeFree(edge);
    cpBodyFree(platform);
  }
}

// A script moves an object onto a creature that stands still: the touch must be seen.
TEST(PhysicsStatic, sensor_moved_onto_a_resting_creature_reports_the_touch) {
  World world;
  world.Floor({-300, 300}, {300, 300});
  const Creature standing = AddCreature(world.space, {0, 240});
  world.Step(2000);  // comes to rest on the floor
  cpBody* objectBody = cpBodyNew(kInf, kInf);
  cpBodySetPos(objectBody, {200, 100});
  cpShape* object = cpSpaceAddStaticShape(world.space, cpCircleShapeNew(objectBody, 20, {}));
  cpShapeSetSensor(object, true);
  cpShapeSetCollisionType(object, kObjectType);
  Touches touches;
  cpSpaceAddCollisionHandler(world.space, kObjectType, kCreatureType, RecordTouch, &touches);
  world.Step(10);
  ASSERT_EQ(touches.calls, 0);

  cpBodySetPos(objectBody, cpBodyGetPos(standing.body));
  cpSpaceRehashStatic(world.space);
  world.Step(10);
  EXPECT_GT(touches.calls, 0);
  cpShapeFree(object);
  cpBodyFree(objectBody);
}

TEST(PhysicsRemoval, removed_elements_leave_a_world_that_steps_on) {
  World world;
  world.Floor({-300, 300}, {300, 300});
  const Creature stays = AddCreature(world.space, {-100, 240});
  const Creature goes = AddCreature(world.space, {100, 240});
  cpBody* box = cpSpaceAddBody(world.space, cpBodyNew(1, cpMomentForPoly(1, kSquare, {})));
  cpBodySetPos(box, {0, 250});
  cpShape* boxShape = cpSpaceAddShape(world.space, cpPolyShapeNew(box, kSquare, {}));
  cpConstraint* pin =
      cpSpaceAddConstraint(world.space, cpPivotJointNew(box, world.ground, {0, 250}));
  cpBody* objectBody = cpBodyNew(kInf, kInf);
  cpShape* object = cpSpaceAddStaticShape(world.space, cpCircleShapeNew(objectBody, 10, {}));
  Touches touches;
  cpSpaceAddCollisionHandler(world.space, kCreatureType, kLevelType, RecordTouch, &touches);
  world.Step(1000);

  const std::vector<bool> removed = {
      cpSpaceRemoveConstraint(world.space, pin),
      cpSpaceRemoveShape(world.space, boxShape),
      cpSpaceRemoveBody(world.space, box),
      cpSpaceRemoveShape(world.space, goes.legs),
      cpSpaceRemoveShape(world.space, goes.head),
      cpSpaceRemoveShape(world.space, goes.torso),
      cpSpaceRemoveBody(world.space, goes.body),
      cpSpaceRemoveStaticShape(world.space, object),
      // A second removal finds nothing to remove.
      cpSpaceRemoveConstraint(world.space, pin),
      cpSpaceRemoveShape(world.space, goes.legs),
      cpSpaceRemoveBody(world.space, goes.body),
      cpSpaceRemoveStaticShape(world.space, object),
  };
  for (cpShape* shape : {boxShape, goes.legs, goes.head, goes.torso, object})
    cpShapeFree(shape);
  cpConstraintFree(pin);
  for (cpBody* body : {box, goes.body, objectBody})
    cpBodyFree(body);
  touches.calls = 0;
  world.Step(100);

  EXPECT_EQ(removed, std::vector<bool>({true, true, true, true, true, true, true, true,  //
                                        false, false, false, false}));
  EXPECT_EQ(touches.calls, 100);  // only the creature that stays
  EXPECT_EQ(touches.last.a, stays.legs);
}

TEST(PhysicsRemoval, freeing_a_body_takes_its_shapes_and_joints_out_of_the_space) {
  World world;
  world.Floor({-300, 300}, {300, 300});
  const Creature creature = AddCreature(world.space, {0, 240});
  cpConstraint* pin =
      cpSpaceAddConstraint(world.space, cpPivotJointNew(creature.body, world.ground, {0, 240}));
  Touches touches;
  cpSpaceAddCollisionHandler(world.space, kCreatureType, kLevelType, RecordTouch, &touches);
  world.Step(100);

  cpBodyFree(creature.body);
  touches.calls = 0;
  world.Step(100);

  EXPECT_EQ(touches.calls, 0);
  EXPECT_EQ(std::pair(cpSpaceRemoveShape(world.space, creature.legs),
                      cpSpaceRemoveConstraint(world.space, pin)),
            std::pair(false, false));
  for (cpShape* shape : {creature.legs, creature.head, creature.torso})
    cpShapeFree(shape);
  cpConstraintFree(pin);
}

// Tries everything a space refuses while it steps, then frees the floor.
struct InsideStep {
  cpShape* floor = nullptr;
  cpBody* spare = nullptr;
  std::vector<bool> allowed;
};

bool TryChangesInsideStep(const cpArbiter&, cpSpace* space, void* data) {
  auto& inside = *static_cast<InsideStep*>(data);
  if (!inside.allowed.empty()) return true;
  inside.allowed = {cpSpaceRemoveShape(space, inside.floor), cpSpaceStep(space, kStep),
                    cpSpaceAddBody(space, inside.spare) != nullptr, cpSpaceFreeChildren(space),
                    cpSpaceFree(space)};
  cpShapeFree(inside.floor);  // waits for the end of the step
  return true;
}

TEST(PhysicsRemoval, changes_inside_a_step_are_refused_or_wait_for_its_end) {
  World world;
  InsideStep inside{world.Floor({-100, 100}, {100, 100}), cpBodyNew(1, 1), {}};
  cpSpaceAddCollisionHandler(world.space, kBallType, kLevelType, TryChangesInsideStep, &inside);
  cpBody* ball = AddBall(world.space, {0, 94});
  world.Step(1000);

  EXPECT_EQ(inside.allowed, std::vector<bool>(5, false));
  EXPECT_GT(cpBodyGetPos(ball).y, 150);  // the floor went away after that step
  cpBodyFree(inside.spare);
}

// Builds one of everything the game puts into a level, keeping handles the
// way the level's elements do.
struct FullLevel {
  cpSpace* space = cpSpaceNew();
  cpBody* ground = cpBodyNew(kInf, kInf);
  cpBody* objectBody = cpBodyNew(kInf, kInf);
  std::vector<cpShape*> shapes;
  Creature creature;
  cpBody* box = nullptr;
  cpConstraint* pin = nullptr;
  Touches touches;

  FullLevel() {
    cpSpaceSetGravity(space, {0, 512});
    for (int i = 0; i < 4; ++i) {
      const cpVect a{i * 50.0, 300}, b{i * 50.0 + 50, 300};
      shapes.push_back(cpSpaceAddStaticShape(space, cpSegmentShapeNew(ground, a, b, 0.2)));
    }
    shapes.push_back(cpSpaceAddStaticShape(space, cpCircleShapeNew(objectBody, 10, {})));
    cpShapeSetSensor(shapes.back(), true);
    creature = AddCreature(space, {20, 240});
    shapes.insert(shapes.end(), {creature.legs, creature.head, creature.torso});
    box = cpSpaceAddBody(space, cpBodyNew(1, 0));  // moment filled in once the shapes exist
    cpBodySetPos(box, {120, 250});
    shapes.push_back(cpSpaceAddShape(space, cpPolyShapeNew(box, kSquare, {})));
    cpBodySetMoment(box, cpMomentForPoly(1, kSquare, {}));
    pin = cpSpaceAddConstraint(space, cpPivotJointNew(box, ground, {120, 240}));
    cpSpaceAddCollisionHandler(space, kCreatureType, kLevelType, RecordTouch, &touches);
    for (int i = 0; i < 500; ++i)
      cpSpaceStep(space, kStep);  // the creature lands
  }
};

// Run under AddressSanitizer, these catch leaks and use after free.
TEST(PhysicsSpace, freeing_a_whole_world_frees_everything_it_holds) {
  FullLevel level;
  const bool childrenFreed = cpSpaceFreeChildren(level.space);
  EXPECT_EQ(std::pair(childrenFreed, cpSpaceFree(level.space)), std::pair(true, true));
  cpBodyFree(level.ground);
  cpBodyFree(level.objectBody);
  EXPECT_GT(level.touches.calls, 0);
}

TEST(PhysicsSpace, freeing_a_space_lets_its_children_be_freed_afterwards) {
  FullLevel level;
  EXPECT_TRUE(cpSpaceFree(level.space));
  cpConstraintFree(level.pin);
  for (cpShape* shape : level.shapes)
    cpShapeFree(shape);
  for (cpBody* body : {level.creature.body, level.box, level.ground, level.objectBody}) {
    cpBodyFree(body);
  }
}

TEST(PhysicsValidation, bodies_need_a_positive_finite_mass_and_a_moment) {
  struct Case {
    double mass, moment;
    bool made;
  };
  const std::vector<Case> cases = {
      {1, 1, true},   {1, kInf, true},  {1, 0, true},        {kInf, kInf, true},
      {0, 1, false},  {-1, 1, false},   {kNaN, 1, false},    {kInf, 1, false},
      {1, -1, false}, {1, kNaN, false}, {kInf, kNaN, false},
  };
  std::vector<bool> made, expected;
  for (const Case& c : cases) {
    cpBody* body = cpBodyNew(c.mass, c.moment);
    made.push_back(body != nullptr);
    expected.push_back(c.made);
    cpBodyFree(body);
  }
  EXPECT_EQ(made, expected);
}

TEST(PhysicsValidation, polygons_must_be_convex_with_area) {
  struct Case {
    const char* name;
    std::vector<cpVect> verts;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"square, game winding", kSquare, true},
      {"square, other winding", {{10, -10}, {10, 10}, {-10, 10}, {-10, -10}}, true},
      {"triangle", {{0, 0}, {0, 10}, {10, 0}}, true},
      {"point on an edge", {{0, 0}, {0, 10}, {5, 10}, {10, 10}, {10, 0}}, true},
      {"two vertices", {{0, 0}, {10, 0}}, false},
      {"collinear", {{0, 0}, {5, 5}, {10, 10}}, false},
      {"repeated vertex", {{0, 0}, {0, 10}, {0, 10}, {10, 0}}, false},
      {"spike back along an edge", {{0, 0}, {0, 10}, {0, 5}, {10, 0}}, false},
      {"not convex", {{0, 0}, {0, 10}, {2, 5}, {10, 10}, {10, 0}}, false},
      {"star", {{0, -10}, {6, 8}, {-9, -3}, {9, -3}, {-6, 8}}, false},
      {"not a number", {{0, 0}, {0, kNaN}, {10, 0}}, false},
      {"infinite", {{0, 0}, {0, kInf}, {10, 0}}, false},
      {"overflowing", {{-1e308, 0}, {0, 1e308}, {1e308, 0}}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsValidPolygon(c.verts), c.valid) << c.name;
}

TEST(PhysicsValidation, shapes_refuse_bad_sizes_and_places) {
  cpBody* body = cpBodyNew(1, 1);
  const std::vector<cpVect> arrow = {{0, 0}, {0, 10}, {2, 5}, {10, 10}, {10, 0}};
  const std::vector<cpVect> nearEdge = {{0, 0}, {0, 10}, {1e308, 0}};  // the offset overflows
  const std::vector<cpShape*> shapes = {
      cpCircleShapeNew(body, 1, {}),
      cpSegmentShapeNew(body, {0, 0}, {1, 0}, 0),
      cpPolyShapeNew(body, kSquare, {5, 5}),
      cpCircleShapeNew(body, 0, {}),
      cpCircleShapeNew(body, -1, {}),
      cpCircleShapeNew(body, kNaN, {}),
      cpCircleShapeNew(body, 1, {kInf, 0}),
      cpCircleShapeNew(nullptr, 1, {}),
      cpSegmentShapeNew(body, {1, 1}, {1, 1}, 1),
      cpSegmentShapeNew(body, {0, 0}, {1, kNaN}, 0),
      cpSegmentShapeNew(body, {0, 0}, {1, 0}, -1),
      cpPolyShapeNew(body, arrow, {}),
      cpPolyShapeNew(body, kSquare, {kNaN, 0}),
      cpPolyShapeNew(body, nearEdge, {1e308, 0}),
  };
  std::vector<bool> made;
  for (cpShape* shape : shapes) {
    made.push_back(shape != nullptr);
    cpShapeFree(shape);
  }
  EXPECT_EQ(made, std::vector<bool>({true, true, true, false, false, false, false, false,  //
                                     false, false, false, false, false, false}));
  cpBodyFree(body);
}

TEST(PhysicsValidation, bad_settings_are_refused_and_keep_the_old_values) {
  World world;
  cpBody* ball = AddBall(world.space, {10, 20});
  cpShape* floor = world.Floor({-100, 100}, {100, 100});
  cpBodySetVel(ball, {1, 2});
  auto state = [&] {
    return std::tuple(
        cpBodyGetPos(ball), cpBodyGetVel(ball), cpBodyGetAngle(ball), cpBodyGetAngVel(ball),
        cpBodyGetMoment(ball), cpSpaceGetIterations(world.space), cpSpaceGetGravity(world.space),
        cpSpaceGetDamping(world.space), cpShapeGetFriction(floor), cpShapeGetElasticity(floor));
  };
  const auto before = state();
  const std::vector<bool> accepted = {
      cpBodySetPos(ball, {kNaN, 0}),
      cpBodySetVel(ball, {0, kInf}),
      cpBodySetAngle(ball, kNaN),
      cpBodySetAngVel(ball, -kInf),
      cpBodySetMoment(ball, 0),
      cpBodySetMoment(ball, -1),
      cpBodySetMoment(ball, kNaN),
      cpBodySetMoment(world.ground, 1),
      cpSpaceSetIterations(world.space, 0),
      cpSpaceSetGravity(world.space, {kNaN, 0}),
      cpSpaceSetDamping(world.space, -1),
      cpSpaceSetDamping(world.space, 1.5),
      cpSpaceSetDamping(world.space, kNaN),
      cpShapeSetFriction(floor, -1),
      cpShapeSetElasticity(floor, kNaN),
      cpSpaceStep(world.space, 0),
      cpSpaceStep(world.space, -kStep),
      cpSpaceStep(world.space, kNaN),
      cpSpaceStep(world.space, kInf),
      cpBodySetPos(nullptr, {0, 0}),
  };
  EXPECT_EQ(accepted, std::vector<bool>(accepted.size(), false));
  EXPECT_EQ(state(), before);
  EXPECT_TRUE(cpSpaceStep(world.space, kStep));
}

TEST(PhysicsValidation, adding_twice_or_across_spaces_is_refused) {
  World world;
  World other;
  cpBody* body = AddBall(world.space, {0, 0});
  cpShape* loose = cpCircleShapeNew(body, 1, {});
  cpConstraint* pin = cpSpaceAddConstraint(world.space, cpPivotJointNew(body, world.ground, {}));
  const std::vector<bool> accepted = {
      cpSpaceAddBody(world.space, body) != nullptr,
      cpSpaceAddBody(other.space, body) != nullptr,
      cpSpaceAddShape(other.space, loose) != nullptr,  // its body lives in the other space
      cpSpaceAddConstraint(world.space, pin) != nullptr,
      cpSpaceAddConstraint(other.space, pin) != nullptr,
      cpSpaceAddShape(world.space, nullptr) != nullptr,
      cpSpaceRemoveBody(other.space, body),
      cpSpaceRemoveShape(world.space, loose),
      cpPivotJointNew(body, body, {}) != nullptr,
      cpPivotJointNew(world.ground, other.ground, {}) != nullptr,  // nothing could move
      cpPivotJointNew(body, nullptr, {}) != nullptr,
  };
  EXPECT_EQ(accepted, std::vector<bool>(accepted.size(), false));
  EXPECT_NE(cpSpaceAddShape(world.space, loose), nullptr);
  world.Step(10);
}

TEST(PhysicsPolygons, either_winding_makes_a_solid_square_with_one_moment) {
  const std::vector<cpVect> reversed(kSquare.rbegin(), kSquare.rend());
  for (const auto& outline : {kSquare, reversed}) {
    World world;
    world.Floor({-100, 300}, {100, 300});
    cpBody* box = AddBox(world.space, {0, 250}, outline, cpMomentForPoly(1, outline, {}));
    world.Step(1000);
    // Rests on the floor: half a side above its surface, with the floor's radius of 0.2.
    EXPECT_NEAR(cpBodyGetPos(box).y, 289.8, 0.3);
    EXPECT_NEAR(cpBodyGetAngle(box), 0, 1e-9);
    // A square of side a and mass m: m a² / 6.
    EXPECT_NEAR(cpMomentForPoly(1, outline, {}), 400.0 / 6.0, 1e-9);
  }
  EXPECT_TRUE(std::isnan(cpMomentForPoly(1, std::vector<cpVect>{{0, 0}, {1, 0}}, {})));
  EXPECT_EQ(std::pair(cpMomentForCircle(2, 0, 10, {}), cpMomentForCircle(2, 0, 10, {3, 4})),
            std::pair(100.0, 150.0));
}

TEST(PhysicsBodies, body_without_moment_stays_upright_until_it_gets_one) {
  for (const bool momentSet : {false, true}) {
    SCOPED_TRACE(momentSet);
    World world;
    world.Floor({-100, 300}, {100, 300});
    cpBody* box = AddBox(world.space, {0, 250}, kSquare, 0);
    EXPECT_EQ(cpBodyGetMoment(box), kInf);
    if (momentSet) {
      EXPECT_TRUE(cpBodySetMoment(box, cpMomentForPoly(1, kSquare, {})));
      EXPECT_NEAR(cpBodyGetMoment(box), 400.0 / 6.0, 1e-9);
    }
    cpBodySetAngle(box, 0.3);  // lands on a corner
    world.Step(1000);
    EXPECT_EQ(cpBodyGetAngle(box) == 0.3, !momentSet);
  }
}

TEST(PhysicsJoints, pivot_keeps_a_point_in_common_with_the_static_ground) {
  World world;
  cpSpaceSetDamping(world.space, 1);
  cpBody* bob = AddBox(world.space, {100, 0}, kSquare, cpMomentForPoly(1, kSquare, {}));
  cpSpaceAddConstraint(world.space, cpPivotJointNew(bob, world.ground, {0, 0}));
  world.Step(700);
  const cpVect at = cpBodyGetPos(bob);
  EXPECT_NEAR(std::hypot(at.x, at.y), 100, 0.5);
  EXPECT_GT(at.y, 50);  // swung down
}

// Where a point given in the body's own frame lies in the world.
cpVect WorldPoint(const cpBody* body, cpVect local) {
  const cpVect at = cpBodyGetPos(body);
  const double c = std::cos(cpBodyGetAngle(body)), s = std::sin(cpBodyGetAngle(body));
  return {at.x + c * local.x - s * local.y, at.y + s * local.x + c * local.y};
}

// Ten boxes end to end between two fixed pivots, in one group as the game puts jointed
// polygons that overlap. A link knocked 1 unit out of line stretches its two joints by
// 1 unit, and every 1 ms step must win back a tenth of what is left: about 0.5 % is left
// after 50 ms. Chipmunk's default, made for 60 steps a second, would still leave 73 %.
TEST(PhysicsJoints, knocked_link_of_a_chain_is_pulled_back_within_50_ms) {
  constexpr cpGroup kChainGroup = 512;
  World world;
  std::vector<cpBody*> links;
  cpBody* previous = world.ground;
  for (int i = 0; i < 10; ++i) {
    cpBody* box = cpSpaceAddBody(world.space, cpBodyNew(1, cpMomentForPoly(1, kSquare, {})));
    cpBodySetPos(box, {20.0 * i + 10, 0});
    cpShapeSetGroup(cpSpaceAddShape(world.space, cpPolyShapeNew(box, kSquare, {})), kChainGroup);
    cpSpaceAddConstraint(world.space, cpPivotJointNew(previous, box, {20.0 * i, 0}));
    links.push_back(previous = box);
  }
  cpSpaceAddConstraint(world.space, cpPivotJointNew(previous, world.ground, {200, 0}));
  cpBodySetPos(links[4], {90, 1});
  world.Step(50);
  double stretch = 0;
  for (size_t i = 0; i + 1 < links.size(); ++i) {
    const cpVect a = WorldPoint(links[i], {10, 0}), b = WorldPoint(links[i + 1], {-10, 0});
    stretch = std::max(stretch, std::hypot(a.x - b.x, a.y - b.y));
  }
  EXPECT_LT(stretch, 0.1);
}

// A creature falling at 1500 units per second moves 1.5 units per step, so it sinks up
// to 1.4 units into the ground on the step it lands. Within 50 ms it must be back out,
// down to the overlap that contacts keep (0.1 units).
TEST(PhysicsContacts, creature_landing_fast_is_pushed_back_out_of_the_ground) {
  World world;
  world.Floor({-200, 300}, {200, 300});                            // its top at 299.8
  const Creature creature = AddCreature(world.space, {0, 269.7});  // legs 0.1 above it
  cpBodySetVel(creature.body, {0, 1500});
  world.Step(50);
  const double legsBottom = cpBodyGetPos(creature.body).y + 30;
  EXPECT_LT(legsBottom - 299.8, 0.3);
}

}  // namespace
}  // namespace phys
