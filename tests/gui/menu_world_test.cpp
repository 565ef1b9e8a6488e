// The ball world: where the balls start, the push of the first one, and that they keep
// bouncing inside the screen without gaining or losing energy.
#include "gui/menu_world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <vector>

namespace {

using phys::cpVect;

constexpr double kRadius[9] = {25, 25, 25, 30, 30, 30, 50, 50, 50};

struct Ball {
  cpVect pos, vel;
  double moment = 0;
  bool operator==(const Ball&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Ball& b) {
  return out << "at (" << b.pos.x << ", " << b.pos.y << ") moving (" << b.vel.x << ", " << b.vel.y
             << ") moment " << b.moment;
}

// Rounded to 1e-6, so that sums of doubles compare as whole values.
double Round6(double v) {
  return std::round(v * 1e6) / 1e6;
}

std::vector<Ball> Balls() {
  std::vector<Ball> balls;
  for (int i = 0; i < 9; ++i) {
    const phys::cpBody* body = MenuBall(i);
    double x = 0, y = 0;
    MenuBallPosition(i, x, y);
    const cpVect vel = phys::cpBodyGetVel(body);
    balls.push_back({{Round6(x), Round6(y)},
                     {Round6(vel.x), Round6(vel.y)},
                     Round6(phys::cpBodyGetMoment(body))});
  }
  return balls;
}

double Mass(int i) {
  return std::numbers::pi * kRadius[i] * kRadius[i];
}

double KineticEnergy() {
  double energy = 0;
  for (int i = 0; i < 9; ++i) {
    const phys::cpBody* body = MenuBall(i);
    const cpVect v = phys::cpBodyGetVel(body);
    const double w = phys::cpBodyGetAngVel(body);
    energy += Mass(i) * (v.x * v.x + v.y * v.y) / 2 + phys::cpBodyGetMoment(body) * w * w / 2;
  }
  return energy;
}

class MenuWorldTest : public testing::Test {
 protected:
  void TearDown() override { FreeMenuWorld(); }
};

TEST_F(MenuWorldTest,
       nine_balls_at_rest_in_three_columns_and_the_first_pushed_1000_along_the_angle) {
  // Solid discs of radius 25, 30 and 50 by column: moment m r^2 / 2 with m = pi r^2.
  const std::vector<Ball> atRest = {
      {{250, 200}, {}, 613592.315154},  {{250, 320}, {}, 613592.315154},
      {{250, 440}, {}, 613592.315154},  {{370, 200}, {}, 1272345.024704},
      {{370, 320}, {}, 1272345.024704}, {{370, 440}, {}, 1272345.024704},
      {{490, 200}, {}, 9817477.042468}, {{490, 320}, {}, 9817477.042468},
      {{490, 440}, {}, 9817477.042468}};
  const struct {
    int degrees;
    cpVect push;
  } cases[] = {{0, {1000, 0}}, {90, {0, 1000}}, {217, {-798.63551, -601.815023}}};
  for (const auto& c : cases) {
    CreateMenuWorld(c.degrees);
    std::vector<Ball> expected = atRest;
    expected[0].vel = c.push;
    EXPECT_EQ(Balls(), expected) << c.degrees << " degrees";
  }
}

TEST_F(MenuWorldTest, balls_stay_on_screen_and_keep_their_energy) {
  CreateMenuWorld(217);
  const double start = KineticEnergy();
  // Ten seconds: the pushed ball crosses the screen many times and hits the others.
  for (int step = 0; step < 10000; ++step)
    StepMenuWorld();

  std::vector<int> outside;
  for (int i = 0; i < 9; ++i) {
    double x = 0, y = 0;
    MenuBallPosition(i, x, y);
    const double r = kRadius[i];
    if (x < r || y < r || x > 800 - r || y > 600 - r) outside.push_back(i);
  }
  EXPECT_EQ(outside, std::vector<int>{});
  EXPECT_NEAR(KineticEnergy() / start, 1.0, 1e-3);
  // The push has been shared out: the balls have hit each other.
  int moving = 0;
  for (int i = 0; i < 9; ++i) {
    const cpVect v = phys::cpBodyGetVel(MenuBall(i));
    if (std::hypot(v.x, v.y) > 1) ++moving;
  }
  EXPECT_GT(moving, 1);
}

TEST_F(MenuWorldTest, without_a_world_nothing_moves_or_crashes) {
  StepMenuWorld();
  FreeMenuWorld();
  EXPECT_EQ(MenuBall(0), nullptr);
  CreateMenuWorld(0);
  CreateMenuWorld(90);  // frees the first world
  EXPECT_EQ(MenuBall(-1), nullptr);
  EXPECT_EQ(MenuBall(9), nullptr);
  double x = 1, y = 1;
  MenuBallPosition(9, x, y);
  EXPECT_EQ((cpVect{x, y}), (cpVect{0, 0}));
  FreeMenuWorld();
  FreeMenuWorld();
  EXPECT_EQ(MenuBall(0), nullptr);
}

}  // namespace
