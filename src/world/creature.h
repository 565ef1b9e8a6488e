// Creatures: walking characters with an upright capsule body. The player steers one.
#pragma once

#include <string>

#include "platform/physics.h"
#include "world/game_object.h"

class TCreaturePat;

class TCreature : public TGameObject {
 public:
  ~TCreature() override;  // removes its three shapes and its body from the world

  TCreaturePat* Pattern = nullptr;  // not owned
  float X = 0, Y = 0, HomeX = 0, HomeY = 0;
  float AnimTime = 0;
  bool Visible = true;
  uint8_t Alpha = 255;
  phys::cpSpace* Space = nullptr;
  phys::cpBody* Body = nullptr;
  phys::cpShape* LegsShape = nullptr;
  phys::cpShape* HeadShape = nullptr;
  phys::cpShape* TorsoShape = nullptr;
  uint8_t OnGround = 0, JumpKey = 0, LeftKey = 0, RightKey = 0;
  uint8_t Facing = 0;   // 1 after moving right, 0 after moving left
  uint8_t Walking = 0;  // 1 while the walk animation is shown
  float LastVY = 0;
  std::string Name;  // empty for level creatures; replays set it

  // Speeds in world units per second; y grows downward.
  static constexpr double kJumpSpeed = -350;
  static constexpr double kMaxWalkSpeed = 250;
  static constexpr double kWalkAcceleration = 1;  // per step
  static constexpr double kStandingFriction = 1.5;

  void SetPattern(TCreaturePat* pattern) { Pattern = pattern; }
  // Follows the body and, when steer is set, applies the key flags (walking, jumping,
  // friction, facing, animation choice). Replays follow without steering.
  void Update(bool steer);
  void ReleasePhysics();

  static constexpr ElementKind StaticKind = ekCreature;
  ElementKind Kind() const override { return ekCreature; }
  std::unique_ptr<TGameObject> CreateCopy() const override;
  void Draw() override;
  void Update() override { Update(true); }
  void GetBounds(TBounds& b) const override;
  void StoreHome() override;
  void SnapToGrid() override;
  std::string PatternName() const override;
};
