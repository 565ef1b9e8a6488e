#include "replay/recording.h"

#include <cmath>
#include <limits>

#include "platform/physics.h"
#include "world/creature.h"
#include "world/elements.h"
#include "world/poly.h"

int32_t GameTicks = 0;
int32_t RunTicks = 0;
int32_t AppleCount = 0, LastAppleTime = 0;

namespace {

// A still body that starts to move after this long gets a hold key 100 ms before the
// move, so that playback does not let it glide through the whole pause.
constexpr int64_t kPositionHoldAfter = 200;
constexpr int64_t kAngleHoldAfter = 500;
constexpr int32_t kHoldLead = 100;
// Sampled position keys closer than this are dropped.
constexpr int64_t kMinSampleGap = 10;
// A move of at most this much after a pause needs no hold key.
constexpr float kHoldDistance = 0.5f;

// trunc(v * 100) toward zero in 64 bits; values out of its range keep their side.
int64_t Hundredths(float v) {
  const double h = double(v) * 100;
  if (std::isnan(h)) return std::numeric_limits<int64_t>::min();
  if (std::fabs(h) >= 9e18)
    return h > 0 ? std::numeric_limits<int64_t>::max() : -std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(h);
}

int64_t SinceLast(int32_t time) {
  return int64_t(GameTicks) - time;
}

// The element's track; an index of -1 (or one the recording no longer has) starts one.
TReplayTrack& TrackOf(int32_t id, int32_t& trackIndex) {
  auto& tracks = Recording.Tracks;
  if (trackIndex < 0 || size_t(trackIndex) >= tracks.size()) {
    tracks.emplace_back().ElementID = id;
    trackIndex = static_cast<int32_t>(tracks.size() - 1);
  }
  return tracks[size_t(trackIndex)];
}

// Two keys at one time mark a jump; the key after them is never thinned.
bool EndsWithJump(const std::vector<TPositionKey>& keys) {
  const size_t n = keys.size();
  return n > 1 && keys[n - 1].Time == keys[n - 2].Time;
}

// Whether a sampled key would add nothing: the same place to a hundredth, or too soon.
bool ThinnedOut(const std::vector<TPositionKey>& keys, float x, float y) {
  const TPositionKey& last = keys.back();
  if (Hundredths(x) == Hundredths(last.X) && Hundredths(y) == Hundredths(last.Y)) return true;
  return !EndsWithJump(keys) && SinceLast(last.Time) < kMinSampleGap;
}

void RecordByte(TKeyList<TByteKey>& list, uint8_t value) {
  if (!list.Keys.empty() && list.Keys.back().Value == value) return;
  list.Keys.push_back({GameTicks, value});
}

int Sign(double v) {
  return (v > 0) - (v < 0);
}

void RecordBodyPosition(TElement& e, phys::cpBody* body) {
  const phys::cpVect p = phys::cpBodyGetPos(body);
  RecordPosition(e.ID, e.TrackIndex, true, float(p.x), float(p.y));
}

// The body of a dynamic polygon or of a circle whose polygon is dynamic.
phys::cpBody* DynamicBody(const TElement& e) {
  TPoly* poly = PolyOf(&e);
  return poly && poly->Type == ptDynamic ? poly->Body : nullptr;
}

}  // namespace

void ResetRunClock() {
  GameTicks = 0;
  RunTicks = 0;
  LastAppleTime = 0;
  AppleCount = 0;
}

void StartRecording() {
  ResetRunClock();
  Recording.Tracks.clear();
  Recording.Events.clear();
}

void RecordPosition(int32_t id, int32_t& trackIndex, bool sampled, float x, float y) {
  std::vector<TPositionKey>& keys = TrackOf(id, trackIndex).Positions.Keys;
  if (!keys.empty()) {
    if (sampled && ThinnedOut(keys, x, y)) return;
    const TPositionKey last = keys.back();
    if (SinceLast(last.Time) > kPositionHoldAfter &&
        (std::fabs(last.X - x) > kHoldDistance || std::fabs(last.Y - y) > kHoldDistance))
      keys.push_back({GameTicks - kHoldLead, last.X, last.Y});
  }
  keys.push_back({GameTicks, x, y});
}

void RecordAngle(int32_t id, int32_t& trackIndex, float angle) {
  std::vector<TAngleKey>& keys = TrackOf(id, trackIndex).Angles.Keys;
  if (!keys.empty()) {
    const TAngleKey last = keys.back();
    if (Hundredths(angle) == Hundredths(last.Angle)) return;
    if (SinceLast(last.Time) > kAngleHoldAfter) keys.push_back({GameTicks - kHoldLead, last.Angle});
  }
  keys.push_back({GameTicks, angle});
}

void RecordVisible(int32_t id, uint8_t value, int32_t& trackIndex) {
  RecordByte(TrackOf(id, trackIndex).Visibility, value);
}

void RecordFacing(int32_t id, uint8_t value, int32_t& trackIndex) {
  RecordByte(TrackOf(id, trackIndex).Facing, value);
}

void RecordRunning(int32_t id, uint8_t value, int32_t& trackIndex) {
  RecordByte(TrackOf(id, trackIndex).Running, value);
}

void RecordEvent(uint8_t kind, int32_t value) {
  Recording.Events.push_back({GameTicks, kind, value});
}

void RecordJump(TElement& e, float oldX, float oldY, float newX, float newY) {
  RecordPosition(e.ID, e.TrackIndex, false, oldX, oldY);
  RecordPosition(e.ID, e.TrackIndex, false, newX, newY);
}

void TRunRecorder::Removing(TElement& e) {
  RecordVisible(e.ID, 0, e.TrackIndex);
}

// A turn of the vertical velocity is the top of a jump or a landing: the extremes of the
// path that the periodic samples would miss.
void TRunRecorder::CreatureUpdated(TElement& e, TCreature& c) {
  if (c.Body && c.LastVY != 0 && Sign(phys::cpBodyGetVel(c.Body).y) != Sign(c.LastVY))
    RecordBodyPosition(e, c.Body);
  RecordFacing(e.ID, c.Facing, e.TrackIndex);
  RecordRunning(e.ID, c.Walking, e.TrackIndex);
}

bool IsKeyframeTick() {
  return GameTicks % 100 == 0 || GameTicks == 1;
}

void RecordKeyframes(const TLevel& level) {
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      if (TCreature* c = e->As<TCreature>()) {
        if (c->Body) RecordBodyPosition(*e, c->Body);
      } else if (phys::cpBody* body = DynamicBody(*e)) {
        RecordBodyPosition(*e, body);
        RecordAngle(e->ID, e->TrackIndex, float(phys::cpBodyGetAngle(body)));
      }
    }
  }
}

void RecordCreaturePositions(const TLevel& level) {
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      TCreature* c = e->As<TCreature>();
      if (c && c->Body) RecordBodyPosition(*e, c->Body);
    }
  }
}
