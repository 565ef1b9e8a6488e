#include "replay/playback.h"

#include <algorithm>
#include <cmath>

#include "anim/anim_play.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/level.h"
#include "world/poly.h"

namespace {

// The four keys around time t for a spline: i1 the key before t, i2 the one after it,
// i0 and i3 their outer neighbours, clamped to the list.
struct SplineKeys {
  int i0, i1, i2, i3;
};

SplineKeys KeysAround(int i, int count) {
  SplineKeys k;
  k.i1 = std::max(i - 1, 0);
  k.i0 = std::max(k.i1 - 1, 0);
  k.i2 = std::min(k.i1 + 1, count - 1);
  k.i3 = std::min(k.i2 + 1, count - 1);
  return k;
}

// Moves the cursor to the first key not earlier than t; returns false when every key is
// earlier.
template <class Key>
bool SeekKey(TKeyList<Key>& list, int32_t t) {
  const int count = int(list.Keys.size());
  list.Cursor = std::clamp(list.Cursor, 0, count);
  while (list.Cursor < count && list.Keys[size_t(list.Cursor)].Time < t)
    ++list.Cursor;
  return list.Cursor < count;
}

float SplineValue(float d, float e, float v3, float v2, float v1, float v0) {
  if (v1 == v2) return v1;  // a body at rest stays exactly where it was
  return Spline(d, e, v3, v2, v1, v0, SplineGuard::ZeroDurationAsTenth);
}

// The position at t, which lies within the keys. A jump pair (two keys of one time) is
// never smoothed across: the neighbour on its far side is replaced by its near key.
Point2D PositionBetween(TKeyList<TPositionKey>& list, int32_t t) {
  SeekKey(list, t);
  const std::vector<TPositionKey>& keys = list.Keys;
  const TPositionKey& at = keys[size_t(list.Cursor)];
  if (at.Time == t) return {at.X, at.Y};
  SplineKeys k = KeysAround(list.Cursor, int(keys.size()));
  if (k.i2 != k.i3 && keys[size_t(k.i2)].Time == keys[size_t(k.i3)].Time) k.i3 = k.i2;
  if (k.i0 != k.i1 && keys[size_t(k.i0)].Time == keys[size_t(k.i1)].Time) k.i0 = k.i1;
  const TPositionKey &p0 = keys[size_t(k.i0)], &p1 = keys[size_t(k.i1)];
  const TPositionKey &p2 = keys[size_t(k.i2)], &p3 = keys[size_t(k.i3)];
  float e = float(t - p1.Time), d = float(p2.Time - p1.Time);
  return {SplineValue(d, e, p3.X, p2.X, p1.X, p0.X), SplineValue(d, e, p3.Y, p2.Y, p1.Y, p0.Y)};
}

// Before the first key the element keeps its level position; after the last it stays
// at the last key.
bool PositionAt(TKeyList<TPositionKey>& list, int32_t t, Point2D& p) {
  const std::vector<TPositionKey>& keys = list.Keys;
  if (keys.empty() || t < keys.front().Time) return false;
  p = t <= keys.back().Time ? PositionBetween(list, t) : Point2D{keys.back().X, keys.back().Y};
  return true;
}

bool AngleAt(TKeyList<TAngleKey>& list, int32_t t, float& angle) {
  const std::vector<TAngleKey>& keys = list.Keys;
  if (keys.empty() || t < keys.front().Time || !SeekKey(list, t)) return false;
  const TAngleKey& at = keys[size_t(list.Cursor)];
  if (at.Time == t) {
    angle = at.Angle;
    return true;
  }
  SplineKeys k = KeysAround(list.Cursor, int(keys.size()));
  const TAngleKey &a0 = keys[size_t(k.i0)], &a1 = keys[size_t(k.i1)];
  const TAngleKey &a2 = keys[size_t(k.i2)], &a3 = keys[size_t(k.i3)];
  angle = SplineValue(float(a2.Time - a1.Time), float(t - a1.Time), a3.Angle, a2.Angle, a1.Angle,
                      a0.Angle);
  return true;
}

// A one-byte key holds until the next one. `exact` tells whether its time is t.
bool ByteAt(TKeyList<TByteKey>& list, int32_t t, uint8_t& value, bool& exact) {
  const std::vector<TByteKey>& keys = list.Keys;
  if (keys.empty() || t < keys.front().Time || !SeekKey(list, t)) return false;
  const TByteKey& at = keys[size_t(list.Cursor)];
  exact = at.Time == t;
  value = exact ? at.Value : keys[size_t(std::max(list.Cursor - 1, 0))].Value;
  return true;
}

phys::cpBody* BodyOf(TElement& e) {
  if (TCreature* c = e.As<TCreature>()) return c->Body;
  if (TObj* o = e.As<TObj>()) return o->Body;
  if (TPoly* p = PolyOf(&e)) return p->Body;
  return nullptr;
}

void ApplyPosition(TReplayTrack& track, int32_t t) {
  Point2D p;
  if (!PositionAt(track.Positions, t, p)) return;
  TElement& e = *track.Element;
  if (TSprite* s = e.As<TSprite>()) {
    s->X = p.X;
    s->Y = p.Y;
  } else if (e.Kind != ekJoint) {
    phys::cpBodySetPos(BodyOf(e), {double(p.X), double(p.Y)});
  }
}

// Only polygons and circles turn.
void ApplyAngle(TReplayTrack& track, int32_t t) {
  float angle = 0;
  TPoly* poly = PolyOf(track.Element);
  if (poly && AngleAt(track.Angles, t, angle)) phys::cpBodySetAngle(poly->Body, double(angle));
}

bool* VisibleFlag(TElement& e) {
  if (TCreature* c = e.As<TCreature>()) return &c->Visible;
  if (TPoly* p = PolyOf(&e)) return &p->Visible;
  if (TSprite* s = e.As<TSprite>()) return &s->Visible;
  if (TObj* o = e.As<TObj>()) return &o->Visible;
  return nullptr;
}

// An apple counts once, at the tick its disappearance was recorded.
void ApplyVisibility(TReplayTrack& track, int32_t t, TPlaybackRun& run) {
  uint8_t value = 0;
  bool exact = false;
  bool* visible = VisibleFlag(*track.Element);
  if (!visible || !ByteAt(track.Visibility, t, value, exact)) return;
  *visible = value != 0;
  TObj* obj = track.Element->As<TObj>();
  if (obj && value == 0 && exact && obj->PatternName() == "FOOD") {
    ++run.AppleCount;
    run.LastAppleTime = t;
  }
}

void ApplyFacing(TReplayTrack& track, int32_t t) {
  uint8_t value = 0;
  bool exact = false;
  TCreature* c = track.Element->As<TCreature>();
  if (c && ByteAt(track.Facing, t, value, exact)) c->Facing = value;
}

// A creature whose recorded path has ended stands still.
void ApplyRunning(TReplayTrack& track, int32_t t) {
  uint8_t value = 0;
  bool exact = false;
  bool found = ByteAt(track.Running, t, value, exact);
  if (TSprite* s = track.Element->As<TSprite>(); s && found) s->Animated = value != 0;
  TCreature* c = track.Element->As<TCreature>();
  if (!c) return;
  if (found) c->Walking = value;
  const auto& running = track.Running.Keys;
  const auto& positions = track.Positions.Keys;
  if (!running.empty() && !positions.empty() && c->Walking && t > running.back().Time &&
      t > positions.back().Time)
    c->Walking = 0;
}

// False once the track has given up on its element. A bound element knows its track, so
// the level can tell the elements a replay moves from those it leaves in place.
bool Bind(TReplayTrack& track, int32_t index, const TLevel& level) {
  if (track.ElementID == 0) return false;
  if (track.Element) return true;
  track.Positions.Cursor = track.Angles.Cursor = 0;
  track.Visibility.Cursor = track.Facing.Cursor = track.Running.Cursor = 0;
  track.Element = level.FindElement(track.ElementID);
  if (!track.Element) track.ElementID = 0;
  if (track.Element) track.Element->TrackIndex = index;
  return track.Element != nullptr;
}

template <class Key>
int32_t LastTime(const TKeyList<Key>& list, int32_t time) {
  return list.Keys.empty() ? time : std::max(time, list.Keys.back().Time);
}

// Once a step past its last key has applied the last values, a track would only set them
// again: nothing else moves an element during playback.
bool Finished(const TReplayTrack& track, int32_t previous, int32_t t) {
  int32_t last = LastTime(track.Positions, LastTime(track.Angles, 0));
  last = LastTime(track.Visibility, LastTime(track.Facing, LastTime(track.Running, last)));
  return previous > last && t > last;
}

void PlayEvents(const std::vector<TReplayEvent>& events, const TLevel& level, int32_t t,
                TPlaybackRun& run) {
  for (const TReplayEvent& event : events) {
    if (event.Time > t) return;
    if (event.Kind != kPlayerChanged || event.Time != t) continue;
    TElement* e = level.FindElement(event.Value);
    if (TCreature* c = e ? e->As<TCreature>() : nullptr) run.Player = c;
  }
}

}  // namespace

void PlayReplayStep(TReplay& replay, TLevel& level, int32_t t, TPlaybackRun& run) {
  for (size_t i = 0; i < replay.Tracks.size(); ++i) {
    TReplayTrack& track = replay.Tracks[i];
    if (!Bind(track, int32_t(i), level) || Finished(track, replay.PlayedTime, t)) continue;
    ApplyPosition(track, t);
    ApplyAngle(track, t);
    ApplyVisibility(track, t, run);
    ApplyFacing(track, t);
    ApplyRunning(track, t);
  }
  PlayEvents(replay.Events, level, t, run);
  level.Follow(replay.Followed);
  replay.Followed = true;
  replay.PlayedTime = t;
}

void UnbindReplay(TReplay& replay) {
  replay.Followed = false;
  replay.PlayedTime = 0;
  for (TReplayTrack& track : replay.Tracks) {
    track.Element = nullptr;
    track.Positions.Cursor = track.Angles.Cursor = 0;
    track.Visibility.Cursor = track.Facing.Cursor = track.Running.Cursor = 0;
  }
}
