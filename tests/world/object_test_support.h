// Generated textures and a level-like physics world for the game object tests.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "platform/engine.h"
#include "platform/physics.h"
#include "world/game_object.h"

inline void PrintTo(const TBounds& b, std::ostream* os) {
  *os << "(" << b.Left << ", " << b.Top << ", " << b.Right << ", " << b.Bottom << ")";
}

namespace object_test {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A grey w x h texture loaded from a PNG file, as the game loads images.
inline Texture* MakeTexture(int w, int h) {
  static int serial = 0;
  std::string path =
      (std::filesystem::temp_directory_path() /
       ("tovi2-objects-" + std::to_string(getpid()) + "-" + std::to_string(++serial) + ".png"))
          .string();
  Texture* tex = img_SavePng(path, w, h, std::vector<uint8_t>(size_t(w * h * 4), 128))
                     ? tex_LoadFromFile(path)
                     : nullptr;
  std::filesystem::remove(path);
  return tex;
}

// Gravity down the screen and a static body for the ground that is not added itself.
// Declare it before the objects living in it: they release their own parts first, and
// what is left (the test's ground) goes with the space.
struct TestWorld {
  phys::cpSpace* space = phys::cpSpaceNew();
  phys::cpBody* ground = phys::cpBodyNew(kInfinity, kInfinity);

  // The level's damping is 0.9; tests that count exact speeds turn it off (1).
  explicit TestWorld(double damping = 0.9) {
    phys::cpSpaceSetIterations(space, 5);
    phys::cpSpaceSetGravity(space, {0, 512});
    phys::cpSpaceSetDamping(space, damping);
  }
  ~TestWorld() {
    phys::cpSpaceFreeChildren(space);
    phys::cpSpaceFree(space);
    phys::cpBodyFree(ground);
  }
  TestWorld(const TestWorld&) = delete;
  TestWorld& operator=(const TestWorld&) = delete;

  // A static edge as the level makes them for static polygons.
  phys::cpShape* Edge(phys::cpVect a, phys::cpVect b) {
    return phys::cpSpaceAddStaticShape(space, phys::cpSegmentShapeNew(ground, a, b, 0.2));
  }
  void Step(int ticks = 1) {
    for (int i = 0; i < ticks; ++i)
      phys::cpSpaceStep(space, 0.001);
  }
};

}  // namespace object_test
