// The replay file: its exact bytes, the time-delta chains, files without events, and
// damaged files that fail with a text instead of crashing or allocating.
#include "replay/replay_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/byte_io.h"

namespace {

// A replay with one track of every kind of key and one event.
TReplay Sample() {
  TReplay r;
  TReplayTrack t;
  t.ElementID = 12;
  t.Positions.Keys = {{1, 1.5f, -2}, {65535, 3, 4}, {65535, 5, 6}, {200000, 0.1f, 7}};
  t.Angles.Keys = {{1, 0.25f}, {65535, -1}};
  t.Visibility.Keys = {{9, 0}};
  t.Facing.Keys = {{1, 1}, {70000, 0}};
  t.Running.Keys = {{3, 1}};
  r.Tracks = {t};
  r.Events = {{40, kPlayerChanged, 12}};
  return r;
}

// The tracks and events of two replays as the file keeps them.
void ExpectSameContent(const TReplay& a, const TReplay& b) {
  ASSERT_EQ(a.Tracks.size(), b.Tracks.size());
  for (size_t i = 0; i < a.Tracks.size(); ++i) {
    const TReplayTrack &x = a.Tracks[i], &y = b.Tracks[i];
    EXPECT_EQ(x.ElementID, y.ElementID);
    EXPECT_EQ(x.Positions.Keys, y.Positions.Keys);
    EXPECT_EQ(x.Angles.Keys, y.Angles.Keys);
    EXPECT_EQ(x.Visibility.Keys, y.Visibility.Keys);
    EXPECT_EQ(x.Facing.Keys, y.Facing.Keys);
    EXPECT_EQ(x.Running.Keys, y.Running.Keys);
  }
  EXPECT_EQ(a.Events, b.Events);
}

TEST(ReplayFile, an_empty_run_is_17_bytes_and_the_name) {
  ByteWriter expected;
  expected.U8(5);
  expected.Bytes("a.vle");
  expected.U32(0xBEEF);
  expected.I32(1234);
  expected.I32(0);
  expected.I32(0);
  EXPECT_EQ(ReplayBytes(TReplay{}, 1234, "a.vle", 0xBEEF), expected.Take());
}

// Position and angle times are 16-bit chains of differences: 65534 means more follows.
TEST(ReplayFile, a_track_is_written_byte_for_byte_and_reads_back) {
  ByteWriter w;
  w.U8(0);
  w.U32(7);
  w.I32(-1);
  w.I32(1);
  w.I32(12);
  w.I32(4);
  for (auto [deltas, x, y] : std::vector<std::tuple<std::vector<uint16_t>, float, float>>{
           {{1}, 1.5f, -2}, {{65534, 0}, 3, 4}, {{0}, 5, 6}, {{65534, 65534, 3397}, 0.1f, 7}}) {
    for (uint16_t d : deltas)
      w.U16(d);
    w.F32(x);
    w.F32(y);
  }
  w.I32(2);
  w.U16(1);
  w.F32(0.25f);
  w.U16(65534);
  w.U16(0);
  w.F32(-1);
  for (auto keys : std::vector<std::vector<std::pair<int32_t, uint8_t>>>{
           {{9, 0}}, {{1, 1}, {70000, 0}}, {{3, 1}}}) {
    w.I32(int32_t(keys.size()));
    for (auto [time, value] : keys) {
      w.I32(time);
      w.U8(value);
    }
  }
  w.I32(1);
  w.I32(40);
  w.U8(1);
  w.I32(12);
  const std::string bytes = w.Take();
  EXPECT_EQ(ReplayBytes(Sample(), -1, "", 7), bytes);

  const TReplayFile file = ParseReplay(bytes);
  EXPECT_EQ(
      (std::tuple(file.Replay.LevelName, file.Replay.Checksum, file.RunTicks, file.HasEventBlock)),
      (std::tuple(std::string(), 7u, -1, true)));
  ExpectSameContent(file.Replay, Sample());
}

TEST(ReplayFile, a_file_that_ends_after_the_tracks_has_no_events) {
  std::string bytes = ReplayBytes(Sample(), 5, "x.zle", 1);
  bytes.resize(bytes.size() - 4 - 9);
  const TReplayFile file = ParseReplay(bytes);
  EXPECT_FALSE(file.HasEventBlock);
  TReplay expected = Sample();
  expected.Events.clear();
  ExpectSameContent(file.Replay, expected);
}

// Every cut either reads as a file without events (the cut right after the tracks) or
// fails with a text; none crashes or reads past the end.
TEST(ReplayFile, every_truncation_fails_cleanly) {
  const std::string bytes = ReplayBytes(Sample(), 5, "x.zle", 1);
  std::vector<size_t> readable;
  for (size_t n = 0; n < bytes.size(); ++n) {
    try {
      ParseReplay(std::string_view(bytes).substr(0, n));
      readable.push_back(n);
    } catch (const ReplayError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Cannot read replay: ", 0), 0u) << e.what();
    }
  }
  EXPECT_EQ(readable, std::vector<size_t>{bytes.size() - 13});
}

TEST(ReplayFile, huge_or_negative_counts_fail_before_allocating) {
  struct Case {
    int32_t tracks, positions;
    const char* error;
  };
  const std::vector<Case> cases = {
      {0x7FFFFFFF, 0, "Cannot read replay: 2147483647 tracks run past the end of the file."},
      {-1, 0, "Cannot read replay: the number of tracks is negative."},
      {1, 0x7FFFFFFF, "Cannot read replay: 2147483647 position keys run past the end of the file."},
  };
  for (const Case& c : cases) {
    ByteWriter w;
    w.U8(0);
    w.U32(0);
    w.I32(0);
    w.I32(c.tracks);
    w.I32(5);
    w.I32(c.positions);
    w.Bytes(std::string(40, '\0'));
    try {
      ParseReplay(w.Take());
      ADD_FAILURE() << c.error;
    } catch (const ReplayError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
}

TEST(ReplayFile, a_level_name_over_255_bytes_is_not_written) {
  EXPECT_THROW(ReplayBytes(TReplay{}, 0, std::string(256, 'a'), 0), ReplayError);
}

}  // namespace
