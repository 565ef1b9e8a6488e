// The replay file ".cre": little-endian, no magic number and no version. The level file
// name and checksum, RunTicks, the tracks with their five key lists (position and angle
// times delta-coded in 16-bit chains), then the events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/game_error.h"
#include "replay/replay.h"

// A replay file that is cut short or holds impossible counts or times.
class ReplayError : public GameError {
 public:
  using GameError::GameError;
};

// What a replay file holds.
struct TReplayFile {
  TReplay Replay;  // tracks, events, level file name and checksum
  int32_t RunTicks = 0;
  bool HasEventBlock = false;  // files from before events existed end after the tracks
};

// The bytes of a replay file of the tracks and events of replay, made on the level file
// levelName (relative to the level folder) with the given checksum. Throws ReplayError
// for a level name over 255 bytes.
std::string ReplayBytes(const TReplay& replay, int32_t runTicks, const std::string& levelName,
                        uint32_t checksum);
// Parses the bytes of a replay file; every count is checked against the bytes left before
// anything is allocated. Throws ReplayError naming what is damaged.
TReplayFile ParseReplay(std::string_view bytes);
// Writes Recording and RunTicks as ReplayBytes does to path, through the atomic writer:
// the old file stays whole on failure. Throws ReplayError or FileError.
void SaveReplay(const std::string& path, const std::string& levelName, uint32_t checksum);
