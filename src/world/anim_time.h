// Animation time of the world's animated objects: the frame it shows and where it wraps.
//
// Animation time counts frames of the pattern's animation record as a real number. It
// comes from data (speeds in pattern files, scripts), so it may be negative, huge or NaN;
// the conversions here never overflow.
#pragma once

#include <cstdint>

#include "anim/anim.h"

// The frame DrawAnim shows at this time: trunc(time), limited to its 16-bit argument.
inline uint16_t FrameAt(float animTime) {
  if (!(animTime >= 1)) return 0;  // NaN and negative times show the first frame
  if (animTime >= 65535) return 65535;
  return static_cast<uint16_t>(animTime);
}

// The time past which the animation starts again: the loop end of a keyframed animation,
// otherwise the frame count of its strip (0 for a plain image, which so wraps every step).
inline float LoopEnd(const TSpr& spr) {
  return spr.Rig ? float(spr.Rig->EndFrame) : float(spr.FrameCount());
}

// Where the animation starts again: a keyframed animation's first loop frame, otherwise 0.
inline float LoopStart(const TSpr& spr) {
  return spr.Rig ? float(spr.Rig->StartFrame) : 0.0f;
}

// The time after one step of a sprite or object: back to the loop start once it is past
// the loop end.
inline float WrapAnimTime(float animTime, const TSpr& spr) {
  return animTime > LoopEnd(spr) ? LoopStart(spr) : animTime;
}
