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

TEST_F(MenuWorldTest, nine_balls_in_rows_with_the_first_one_pushed) {
  for (int degrees : {0, 90, 217, 359}) {
    CreateMenuWorld(degrees);
    const double a = degrees * std::numbers::pi / 180;
    std::vector<Ball> expected;
    for (int k = 0; k < 3; ++k) {
      for (int j = 0; j < 3; ++j) {
        const double r = kRadius[3 * k];
        // A solid disc: m r^2 / 2 with m = pi r^2.
        expected.push_back(
            {{250.0 + 120 * k, 200.0 + 120 * j}, {}, Round6(std::numbers::pi * r * r * r * r / 2)});
      }
    }
    expected[0].vel = {Round6(1000 * std::cos(a)), Round6(1000 * std::sin(a))};
    EXPECT_EQ(Balls(), expected) << degrees << " degrees";
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
