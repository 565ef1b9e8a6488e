// What every element's game object can do; the level calls these through its elements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// An axis-aligned box in world units.
struct TBounds {
  float Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TBounds&) const = default;
};

// Element kinds; also the kind filter of CountByName (0: every kind).
enum ElementKind : uint8_t {
  ekPoly = 1,
  ekCircle = 2,
  ekSprite = 3,
  ekCreature = 4,
  ekObj = 5,
  ekJoint = 6,
};

// The kind's name in the JSON of the tools and the state dump: "polygon", "circle",
// "sprite", "creature", "object" or "joint"; "" for any other code.
std::string_view ElementKindName(uint8_t kind);

class TGameObject {
 public:
  virtual ~TGameObject() = default;
  virtual ElementKind Kind() const = 0;
  // A copy without physics objects (each kind says what it copies).
  virtual std::unique_ptr<TGameObject> CreateCopy() const = 0;
  virtual void Draw() = 0;
  // Follows the physics body after a step.
  virtual void Update() = 0;
  // Writes the object's box; an object that has none leaves b unchanged.
  virtual void GetBounds(TBounds& b) const = 0;
  virtual void StoreHome() = 0;
  // Rounds positions to whole units, halves to even.
  virtual void SnapToGrid() = 0;
  // The upper-case name of the pattern; empty without one.
  virtual std::string PatternName() const = 0;
};

// Rounds to the nearest whole number, halves to the even neighbour.
float RoundHalfEven(float v);
