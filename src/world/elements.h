// Circles, sprites, touchable objects and joints.
#pragma once

#include <memory>

#include "platform/physics.h"
#include "world/game_object.h"
#include "world/poly.h"
#include "world/script_record.h"

class TSpritePat;
class TObjPat;
class TElement;

// A circular body or piece of ground, drawn as a regular polygon with a polygon texture.
class TCircle : public TGameObject {
 public:
  // Centre (x, y), rim point (x + r, y), and a polygon of round(r) vertices (8 to 32).
  TCircle(float x, float y, float r);

  std::unique_ptr<TPoly> Poly;  // outline, type, texture, visibility, physics
  float X = 0, Y = 0, HomeX = 0, HomeY = 0;
  float RimX = 0, RimY = 0, HomeRimX = 0, HomeRimY = 0;

  float Radius() const;  // distance from the centre to the rim point

  static constexpr ElementKind StaticKind = ekCircle;
  ElementKind Kind() const override { return ekCircle; }
  std::unique_ptr<TGameObject> CreateCopy() const override;
  void Draw() override;
  void Update() override;
  void GetBounds(TBounds& b) const override;
  void StoreHome() override;
  void SnapToGrid() override;
  std::string PatternName() const override;  // of the polygon pattern
};

// A decoration showing an image or animation; it may ride on a polygon's body.
class TSprite : public TGameObject {
 public:
  TSpritePat* Pattern = nullptr;  // not owned
  float X = 0, Y = 0, HomeX = 0, HomeY = 0;
  float AnimTime = 0, AnimSpeed = 0;
  bool Visible = true, Animated = true;
  phys::cpBody* Body = nullptr;  // the body it rides on (not owned)
  float BodyOffsetX = 0, BodyOffsetY = 0;
  float Angle = 0;  // degrees

  // AnimTime starts at 0, or at a keyframed animation's first loop frame.
  void SetPattern(TSpritePat* pattern);
  // One step of the animation; the animated half of Update.
  void Animate();

  static constexpr ElementKind StaticKind = ekSprite;
  ElementKind Kind() const override { return ekSprite; }
  std::unique_ptr<TGameObject> CreateCopy() const override;
  void Draw() override;
  void Update() override;
  void GetBounds(TBounds& b) const override;
  void StoreHome() override;
  void SnapToGrid() override;
  std::string PatternName() const override;
};

// A touchable object (food, exit, killer, ...) with a touch radius and a touch script.
class TObj : public TGameObject {
 public:
  ~TObj() override;  // removes its static sensor from the world

  TObjPat* Pattern = nullptr;  // not owned
  float X = 0, Y = 0, HomeX = 0, HomeY = 0;
  float AnimTime = 0;
  float Radius = 20;
  bool Visible = true;
  TScriptRecord TouchScript;  // the object's own script from the level file
  int32_t LastTouchTime = 0;  // kept by the touch handling of the level run
  int32_t LastTouchID = 0;

  phys::cpSpace* Space = nullptr;
  phys::cpBody* Body = nullptr;
  phys::cpShape* Shape = nullptr;

  void SetPattern(TObjPat* pattern) { Pattern = pattern; }
  void ReleasePhysics();
  // One step of the pattern's animation; the animated half of Update.
  void Animate();

  static constexpr ElementKind StaticKind = ekObj;
  ElementKind Kind() const override { return ekObj; }
  std::unique_ptr<TGameObject> CreateCopy() const override;
  void Draw() override;
  void Update() override;
  void GetBounds(TBounds& b) const override;
  void StoreHome() override;
  void SnapToGrid() override;
  std::string PatternName() const override;
};

// A pivot that pins the bodies of two polygon or circle elements together.
class TJoint : public TGameObject {
 public:
  ~TJoint() override;  // removes its constraint from the world

  float X = 0, Y = 0, HomeX = 0, HomeY = 0;
  int32_t E1ID = 0, E2ID = 0;
  phys::cpConstraint* Constraint = nullptr;
  phys::cpSpace* Space = nullptr;
  TPoly* Poly1 = nullptr;  // for a circle element, the circle's Poly
  TPoly* Poly2 = nullptr;
  TElement* Element1 = nullptr;
  TElement* Element2 = nullptr;

  void ReleasePhysics();

  static constexpr ElementKind StaticKind = ekJoint;
  ElementKind Kind() const override { return ekJoint; }
  std::unique_ptr<TGameObject> CreateCopy() const override;
  void Draw() override {}
  void Update() override {}
  void GetBounds(TBounds& b) const override;
  void StoreHome() override;
  void SnapToGrid() override;
  std::string PatternName() const override { return ""; }
};

// The polygon whose body stands for a polygon or circle element; nullptr for the others.
TPoly* PolyOf(const TElement* e);
