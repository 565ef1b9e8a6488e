// The baseline for the physics benchmark: a level-sized world built and
// stepped straight on Chipmunk, doing what the game does through the adapter
// in physics.h. It lives here because only src/platform may use Chipmunk.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/physics.h"

namespace phys {

// A world as plain numbers, so that one layout can be built both ways.
struct BenchWorld {
  struct Polygon {
    cpVect at;                    // body position
    std::vector<cpVect> outline;  // convex, game winding, around the position
  };
  std::vector<std::pair<cpVect, cpVect>> segments;  // static ground edges
  std::vector<Polygon> polygons;                    // dynamic
  std::vector<cpVect> creatures;
  std::vector<cpVect> objects;  // static sensors
};

// Game numbers both builds share.
struct BenchRules {
  static constexpr double kEdgeRadius = 0.2;
  static constexpr double kObjectRadius = 15;
  static constexpr double kDensity = 0.01;  // mass per unit of area
  static constexpr double kCreatureMass = 30;
  static constexpr double kLegsY = 19, kHeadY = -19, kRadius = 11;
  static constexpr cpCollisionType kLevelType = 0, kObjectType = 1, kCreatureType = 2;
  static constexpr int kJumpEvery = 700;  // steps between jumps of a grounded creature
};

// The world on Chipmunk directly, with handlers that do the game's work.
class RawBenchWorld {
 public:
  explicit RawBenchWorld(const BenchWorld& world);
  ~RawBenchWorld();
  RawBenchWorld(const RawBenchWorld&) = delete;
  RawBenchWorld& operator=(const RawBenchWorld&) = delete;

  // One game tick: clear ground flags, step, steer the creatures right.
  void Tick(double dt);
  std::vector<cpVect> CreaturePositions() const;
  long ObjectTouches() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace phys
