// Key lists and the spline between keys.
#include <cstdint>

#include "anim/anim_play.h"

// Built with -ffp-contract=off as well: a fused multiply-add would round once where the
// formula rounds twice, and replays would drift apart between machines.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace {

void Take(const RigKey& key, bool twoValues, float& value1, float& value2) {
  value1 = key.Value1;
  if (twoValues) value2 = key.Value2;
}

// The value between key b - 1 (A) and key b (B) at time t, where A.Frame < t < B.Frame.
// The frames are whole numbers, so the span is at least 1.
float Between(const RigKeyList& keys, size_t b, float t, float RigKey::*value) {
  const RigKey& B = keys[b];
  const RigKey& A = keys[b - 1];
  if (A.Type == 0) return A.*value;
  int64_t span = int64_t(B.Frame) - A.Frame;  // 64 bits: the frames may be far apart
  double into = double(t) - A.Frame;
  if (A.Type == 1 || span == 1) {
    return float((double(B.*value) - A.*value) * into / double(span) + A.*value);
  }
  const RigKey& before = b >= 2 ? keys[b - 2] : A;
  const RigKey& after = b + 1 < keys.size() ? keys[b + 1] : B;
  return Spline(float(span), float(into), after.*value, B.*value, A.*value, before.*value);
}

}  // namespace

float Spline(float d, float e, float p3, float p2, float p1, float p0, SplineGuard guard) {
  if (d == 0) {
    if (guard == SplineGuard::None) return p1;
    d = 0.1f;
  }
  float s = e / d;
  float s2 = s * s;
  float s3 = s2 * s;
  float m1 = (p1 - p0) * 0.5f + (p2 - p1) * 0.5f;
  float m2 = (p2 - p1) * 0.5f + (p3 - p2) * 0.5f;
  return (2 * s3 - 3 * s2 + 1) * p1 + (s3 - 2 * s2 + s) * m1 + (s3 - s2) * m2 +
         (-2 * s3 + 3 * s2) * p2;
}

// The first key at t gives the values; else the first key after t (B) and the one before
// it (A) do. Keys are expected in ascending frames, as the editor writes them.
void EvalKeys(const RigKeyList& keys, float t, bool twoValues, float& value1, float& value2) {
  if (keys.empty()) return;
  size_t b = 0;
  for (; b < keys.size(); ++b) {
    if (double(keys[b].Frame) == double(t)) return Take(keys[b], twoValues, value1, value2);
    if (double(keys[b].Frame) > double(t)) break;
  }
  if (b == keys.size()) return Take(keys.back(), twoValues, value1, value2);
  if (b == 0) return Take(keys[0], twoValues, value1, value2);
  value1 = Between(keys, b, t, &RigKey::Value1);
  if (twoValues) value2 = Between(keys, b, t, &RigKey::Value2);
}
