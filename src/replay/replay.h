// A recorded run: for every element that moved, timed keys of its position, angle and
// one-byte states, and a short list of timed events. Recording fills it during play;
// replay files store it; playback turns it back into motion without physics.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TElement;

// A position key: world position of the element's body (or sprite).
struct TPositionKey {
  int32_t Time = 0;
  float X = 0, Y = 0;
  bool operator==(const TPositionKey&) const = default;
};

// An angle key: the body angle in radians.
struct TAngleKey {
  int32_t Time = 0;
  float Angle = 0;
  bool operator==(const TAngleKey&) const = default;
};

// A one-byte key: visibility, facing or running.
struct TByteKey {
  int32_t Time = 0;
  uint8_t Value = 0;
  bool operator==(const TByteKey&) const = default;
};

// Keys in time order and the playback cursor over them (recording leaves it alone).
template <class Key>
struct TKeyList {
  std::vector<Key> Keys;
  int32_t Cursor = 0;
};

// The keys of one element, found by ID during playback.
struct TReplayTrack {
  int32_t ElementID = 0;          // 0: a track playback has given up on
  TElement* Element = nullptr;    // playback's live element; none while recording
  TKeyList<TPositionKey> Positions;
  TKeyList<TAngleKey> Angles;
  TKeyList<TByteKey> Visibility;  // 1 shown, 0 hidden or removed
  TKeyList<TByteKey> Facing;      // a creature's Facing
  TKeyList<TByteKey> Running;     // a creature's Walking, a sprite's Animated
};

// The only event kind: the player changed to the creature with the event's element ID.
inline constexpr uint8_t kPlayerChanged = 1;

struct TReplayEvent {
  int32_t Time = 0;
  uint8_t Kind = 0;
  int32_t Value = 0;
  bool operator==(const TReplayEvent&) const = default;
};

// The one recording of the program: made by a run, or read from a replay file. Its length
// is the run global RunTicks.
struct TReplay {
  std::vector<TReplayTrack> Tracks;
  std::vector<TReplayEvent> Events;
  // Of a loaded replay: the level file it was made on and that level's checksum.
  std::string LevelName;
  uint32_t Checksum = 0;
  // Playback: whether every element of the bound level has followed its body once (after
  // that only what the tracks move or what animates needs it), and the last time played.
  bool Followed = false;
  int32_t PlayedTime = 0;
};

extern TReplay Recording;
