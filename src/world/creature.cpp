// Creatures: the per-step walking, jumping, friction, facing and animation rules, and
// drawing with the stand or walk animation.
#include "world/creature.h"

#include "anim/anim_play.h"
#include "world/anim_time.h"
#include "world/pattern.h"

namespace {

constexpr float kAnimStep = 0.024f;        // frames per step
constexpr double kRisingWalkSpeed = -100;  // rising faster than this shows the walk

}  // namespace

TCreature::~TCreature() {
  ReleasePhysics();
}

// The adapter's free takes each shape and the body out of the space first.
void TCreature::ReleasePhysics() {
  for (phys::cpShape** shape : {&LegsShape, &HeadShape, &TorsoShape}) {
    phys::cpShapeFree(*shape);
    *shape = nullptr;
  }
  phys::cpBodyFree(Body);
  Body = nullptr;
}

std::unique_ptr<TGameObject> TCreature::CreateCopy() const {
  auto copy = std::make_unique<TCreature>();
  copy->Pattern = Pattern;
  copy->X = X;
  copy->Y = Y;
  copy->Visible = Visible;
  copy->Alpha = Alpha;
  copy->Name = Name;
  return copy;
}

void TCreature::Draw() {
  if (!Pattern || !Visible) return;
  TSpr& anim = Walking ? Pattern->WalkAnim : Pattern->StandAnim;
  DrawAnim(anim, FrameAt(AnimTime), Facing == 1, RoundHalfEven(X), RoundHalfEven(Y), 0, Alpha);
}

// The key flags act on the velocity the last step left. Both direction keys together
// cancel; left wins the facing.
void TCreature::Update(bool steer) {
  if (Body) {
    phys::cpVect pos = phys::cpBodyGetPos(Body);
    X = float(pos.x);
    Y = float(pos.y);
  }
  if (steer) {
    phys::cpVect vel = phys::cpBodyGetVel(Body);
    if (OnGround && JumpKey) vel.y = kJumpSpeed;
    bool standing = !LeftKey && !RightKey && OnGround;
    phys::cpShapeSetFriction(LegsShape, standing ? kStandingFriction : 0);
    if (LeftKey && vel.x > -kMaxWalkSpeed) vel.x -= kWalkAcceleration;
    if (RightKey && vel.x < kMaxWalkSpeed) vel.x += kWalkAcceleration;
    phys::cpBodySetVel(Body, vel);
    if (RightKey) Facing = 1;
    if (LeftKey) Facing = 0;
    bool walk = LeftKey || RightKey || (vel.y < kRisingWalkSpeed && !OnGround);
    if (walk != bool(Walking)) {
      AnimTime = 0;
      Walking = walk ? 1 : 0;
    }
  }
  if (!Pattern) return;
  AnimTime += kAnimStep;
  // A keyframed animation counts up to its loop end; it restarts from 0 like a strip.
  const TSpr& shown = Walking ? Pattern->WalkAnim : Pattern->StandAnim;
  if (LoopEnd(shown) < AnimTime) AnimTime = 0;
}

// The size of the stand animation's first frame; a plain image or keyframed animation
// has no frame table, and the box is left as it was.
void TCreature::GetBounds(TBounds& b) const {
  if (!Pattern || Pattern->StandAnim.Frames.empty()) return;
  const TSprFrame& f = Pattern->StandAnim.Frames.front();
  float halfW = float(f.Width) / 2, halfH = float(f.Height) / 2;
  b = {X - halfW, Y - halfH, X + halfW, Y + halfH};
}

void TCreature::StoreHome() {
  HomeX = X;
  HomeY = Y;
}

void TCreature::SnapToGrid() {
  X = RoundHalfEven(X);
  Y = RoundHalfEven(Y);
}

std::string TCreature::PatternName() const {
  return Pattern ? Pattern->UpperName : "";
}
