// Recording a run: sparse keys of what moved, written while the level runs in "Game".
// Every call does a constant amount of work: the element's TrackIndex leads straight to
// its track, and most calls return after one comparison.
#pragma once

#include <cstdint>

#include "replay/replay.h"
#include "world/level.h"

// The run clock (process-wide). One unit is one physics step of 0.001 s.
extern int32_t GameTicks;  // milliseconds since the run began; every key carries it
extern int32_t RunTicks;   // length of the recorded run: GameTicks after every step
extern int32_t AppleCount, LastAppleTime;

// Sets GameTicks, RunTicks, LastAppleTime and AppleCount to 0.
void ResetRunClock();
// A new run: the run clock to 0 and an empty Recording.
void StartRecording();

// A position key, unless the rules that thin the track hold it back. `sampled`: a periodic
// or step-driven sample; false for a script's jump. trackIndex: the element's, -1 makes it
// a new track.
void RecordPosition(int32_t id, int32_t& trackIndex, bool sampled, float x, float y);
// An angle key in radians, unless it matches the last one to a hundredth.
void RecordAngle(int32_t id, int32_t& trackIndex, float angle);
// One-byte keys, written only when the value changes.
void RecordVisible(int32_t id, uint8_t value, int32_t& trackIndex);
void RecordFacing(int32_t id, uint8_t value, int32_t& trackIndex);
void RecordRunning(int32_t id, uint8_t value, int32_t& trackIndex);
// Appends {GameTicks, kind, value} to the events.
void RecordEvent(uint8_t kind, int32_t value);

// Two keys at the same time, the position before a script's move and after it: playback
// jumps between them instead of gliding.
void RecordJump(TElement& e, float oldX, float oldY, float newX, float newY);

// Records what a level step reports: removed elements turn invisible, and a creature gets
// a position key at the top of a jump or on landing, and its facing and running.
class TRunRecorder : public TStepObserver {
 public:
  void Removing(TElement& e) override;
  void CreatureUpdated(TElement& e, TCreature& c) override;
};

// Whether GameTicks is a tick of the periodic samples: the first and every hundredth.
bool IsKeyframeTick();
// The periodic samples: every creature's body position, and the position and angle of
// every dynamic polygon and circle, in layer and element order.
void RecordKeyframes(const TLevel& level);
// One sampled position key per creature (the end of a run).
void RecordCreaturePositions(const TLevel& level);
