#include "world/game_object.h"

#include <cmath>

float RoundHalfEven(float v) {
  // nearbyint follows the current rounding mode, which is round-half-even unless a
  // library changed it; rint-style rounding is what the level format expects.
  return std::nearbyint(v);
}

std::string_view ElementKindName(uint8_t kind) {
  static constexpr std::string_view kNames[] = {"polygon",  "circle", "sprite",
                                                "creature", "object", "joint"};
  return kind >= ekPoly && kind <= ekJoint ? kNames[kind - ekPoly] : "";
}
