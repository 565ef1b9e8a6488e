// Playing a recording back: every tick sets positions, angles and flags of the level's
// elements straight from the keys, smoothing between keys, with no physics step.
#pragma once

#include <cstdint>

#include "replay/replay.h"

class TCreature;
class TLevel;

// What playback changes besides the elements: the creature the camera follows and the
// apple counter of the last-apple line.
struct TPlaybackRun {
  TCreature* Player = nullptr;
  int32_t AppleCount = 0;
  int32_t LastAppleTime = 0;
};

// `PlayReplayStep`: applies every track and event of replay at time t (GameTicks) to
// level, then lets every element follow its body. Tracks find their element lazily and
// drop an ID the level does not hold for good.
void PlayReplayStep(TReplay& replay, TLevel& level, int32_t t, TPlaybackRun& run);

// Forgets every track's element and read positions; needed after the level is rebuilt.
void UnbindReplay(TReplay& replay);
