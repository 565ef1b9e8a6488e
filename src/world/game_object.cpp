#include "world/game_object.h"

#include <cmath>

float RoundHalfEven(float v) {
  // nearbyint follows the current rounding mode, which is round-half-even unless a
  // library changed it; rint-style rounding is what the level format expects.
  return std::nearbyint(v);
}
