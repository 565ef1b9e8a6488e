// The ball world: a space with the screen's four edges and nine balls that bounce without
// losing speed, since nothing damps them, rubs them or pulls them down.
#include "gui/menu_world.h"

#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "world/screen_size.h"

using namespace phys;

namespace {

constexpr int kBallCount = 9;
constexpr double kPushSpeed = 1000;  // units per second
constexpr double kStep = 0.001;      // seconds: one menu tick

struct MenuWorld {
  cpSpace* space = nullptr;
  // Never added to the space (static bodies stay out of it), so the space does not free
  // it with its children.
  cpBody* edges = nullptr;
  std::array<cpBody*, kBallCount> balls{};
};
MenuWorld world;

// The ball radius of row k (three balls each).
double BallRadius(int k) {
  constexpr double kRadius[3] = {25, 30, 50};
  return kRadius[k];
}

void AddEdge(cpVect a, cpVect b) {
  cpShape* edge = cpSpaceAddStaticShape(world.space, cpSegmentShapeNew(world.edges, a, b, 1));
  cpShapeSetElasticity(edge, 1);
  cpShapeSetFriction(edge, 0);
}

void AddScreenEdges() {
  constexpr double kInfinite = std::numeric_limits<double>::infinity();
  world.edges = cpBodyNew(kInfinite, kInfinite);
  const double w = ScreenWidth, h = ScreenHeight;
  AddEdge({0, 0}, {0, h});
  AddEdge({0, 0}, {w, 0});
  AddEdge({0, h}, {w, h});
  AddEdge({w, 0}, {w, h});
}

cpBody* AddBall(double radius, cpVect pos) {
  const double mass = std::numbers::pi * radius * radius;
  cpBody* body =
      cpSpaceAddBody(world.space, cpBodyNew(mass, cpMomentForCircle(mass, radius, 0, {0, 0})));
  cpBodySetPos(body, pos);
  cpShape* shape = cpSpaceAddShape(world.space, cpCircleShapeNew(body, radius, {0, 0}));
  cpShapeSetElasticity(shape, 1);
  cpShapeSetFriction(shape, 0);
  return body;
}

}  // namespace

void CreateMenuWorld(int randomDegrees) {
  FreeMenuWorld();
  world.space = cpSpaceNew();
  cpSpaceSetIterations(world.space, 5);
  cpSpaceSetElasticIterations(world.space, 5);
  cpSpaceSetGravity(world.space, {0, 0});
  cpSpaceSetDamping(world.space, 1);
  AddScreenEdges();
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j < 3; ++j)
      world.balls[size_t(3 * k + j)] = AddBall(BallRadius(k), {250.0 + 120 * k, 200.0 + 120 * j});
  }
  const double a = randomDegrees * std::numbers::pi / 180;
  cpBodySetVel(world.balls[0], {kPushSpeed * std::cos(a), kPushSpeed * std::sin(a)});
}

void StepMenuWorld() {
  if (world.space) cpSpaceStep(world.space, kStep);
}

void FreeMenuWorld() {
  if (!world.space) return;
  cpSpaceFreeChildren(world.space);  // the balls, their shapes and the edge shapes
  cpBodyFree(world.edges);
  cpSpaceFree(world.space);
  world = MenuWorld{};
}

const cpBody* MenuBall(int i) {
  return i >= 0 && i < kBallCount ? world.balls[size_t(i)] : nullptr;
}

void MenuBallPosition(int i, double& x, double& y) {
  const cpVect pos = cpBodyGetPos(MenuBall(i));
  x = pos.x;
  y = pos.y;
}
