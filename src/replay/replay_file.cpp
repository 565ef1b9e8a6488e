#include "replay/replay_file.h"

#include <limits>

#include "data/byte_io.h"
#include "data/file_io.h"
#include "replay/recording.h"

namespace {

// A 16-bit value of this or more in a time chain means that more values follow.
constexpr uint32_t kChainContinues = 65534;
constexpr size_t kMaxNameLength = 255;

// The fewest bytes each record can take, for checking counts before allocating.
constexpr size_t kMinTrackBytes = 4 + 5 * 4;
constexpr size_t kMinPositionKeyBytes = 2 + 8;
constexpr size_t kMinAngleKeyBytes = 2 + 4;
constexpr size_t kByteKeyBytes = 5;
constexpr size_t kEventBytes = 9;

// ---------------------------------------------------------------------------------------
// Writing

// The first key carries its time, every later one the difference to the one before.
// Times never go back within a list; a negative difference would be written as 0.
void WriteDelta(ByteWriter& out, int64_t delta) {
  if (delta < 0) delta = 0;
  while (delta >= kChainContinues) {
    out.U16(kChainContinues);
    delta -= kChainContinues;
  }
  out.U16(static_cast<uint16_t>(delta));
}

void WritePositions(ByteWriter& out, const std::vector<TPositionKey>& keys) {
  out.I32(static_cast<int32_t>(keys.size()));
  int64_t before = 0;
  for (const TPositionKey& k : keys) {
    WriteDelta(out, int64_t(k.Time) - before);
    before = k.Time;
    out.F32(k.X);
    out.F32(k.Y);
  }
}

void WriteAngles(ByteWriter& out, const std::vector<TAngleKey>& keys) {
  out.I32(static_cast<int32_t>(keys.size()));
  int64_t before = 0;
  for (const TAngleKey& k : keys) {
    WriteDelta(out, int64_t(k.Time) - before);
    before = k.Time;
    out.F32(k.Angle);
  }
}

// One-byte keys keep absolute times.
void WriteBytes(ByteWriter& out, const std::vector<TByteKey>& keys) {
  out.I32(static_cast<int32_t>(keys.size()));
  for (const TByteKey& k : keys) {
    out.I32(k.Time);
    out.U8(k.Value);
  }
}

void WriteTrack(ByteWriter& out, const TReplayTrack& track) {
  out.I32(track.ElementID);
  WritePositions(out, track.Positions.Keys);
  WriteAngles(out, track.Angles.Keys);
  WriteBytes(out, track.Visibility.Keys);
  WriteBytes(out, track.Facing.Keys);
  WriteBytes(out, track.Running.Keys);
}

// ---------------------------------------------------------------------------------------
// Reading

ByteReader::Failure ReplayFailure() {
  return [](std::string_view what) {
    throw ReplayError("Cannot read replay: " + std::string(what) + ".");
  };
}

// A count of records of at least minBytes each that the bytes left can hold.
size_t Count(ByteReader& in, size_t minBytes, std::string_view what) {
  const int32_t n = in.I32();
  if (n < 0) in.Fail("the number of " + std::string(what) + " is negative");
  if (size_t(n) > in.Remaining() / minBytes)
    in.Fail(std::to_string(n) + " " + std::string(what) + " run past the end of the file");
  return size_t(n);
}

// The next key time: the one before plus a chain of 16-bit values.
int32_t ReadTime(ByteReader& in, int64_t before) {
  int64_t time = before;
  uint32_t part = 0;
  do {
    part = in.U16();
    time += part;
    if (time > std::numeric_limits<int32_t>::max()) in.Fail("a key time is out of range");
  } while (part >= kChainContinues);
  return static_cast<int32_t>(time);
}

void ReadPositions(ByteReader& in, std::vector<TPositionKey>& keys) {
  keys.resize(Count(in, kMinPositionKeyBytes, "position keys"));
  int64_t before = 0;
  for (TPositionKey& k : keys) {
    k.Time = ReadTime(in, before);
    before = k.Time;
    k.X = in.F32();
    k.Y = in.F32();
  }
}

void ReadAngles(ByteReader& in, std::vector<TAngleKey>& keys) {
  keys.resize(Count(in, kMinAngleKeyBytes, "angle keys"));
  int64_t before = 0;
  for (TAngleKey& k : keys) {
    k.Time = ReadTime(in, before);
    before = k.Time;
    k.Angle = in.F32();
  }
}

void ReadBytes(ByteReader& in, std::vector<TByteKey>& keys) {
  keys.resize(Count(in, kByteKeyBytes, "one-byte keys"));
  for (TByteKey& k : keys) {
    k.Time = in.I32();
    k.Value = in.U8();
  }
}

void ReadTrack(ByteReader& in, TReplayTrack& track) {
  track.ElementID = in.I32();
  ReadPositions(in, track.Positions.Keys);
  ReadAngles(in, track.Angles.Keys);
  ReadBytes(in, track.Visibility.Keys);
  ReadBytes(in, track.Facing.Keys);
  ReadBytes(in, track.Running.Keys);
}

void ReadEvents(ByteReader& in, std::vector<TReplayEvent>& events) {
  events.resize(Count(in, kEventBytes, "events"));
  for (TReplayEvent& e : events) {
    e.Time = in.I32();
    e.Kind = in.U8();
    e.Value = in.I32();
  }
}

}  // namespace

std::string ReplayBytes(const TReplay& replay, int32_t runTicks, const std::string& levelName,
                        uint32_t checksum) {
  if (levelName.size() > kMaxNameLength)
    throw ReplayError("Cannot save replay: the level name is longer than 255 bytes.");
  ByteWriter out;
  out.U8(static_cast<uint8_t>(levelName.size()));
  out.Bytes(levelName);
  out.U32(checksum);
  out.I32(runTicks);
  out.I32(static_cast<int32_t>(replay.Tracks.size()));
  for (const TReplayTrack& track : replay.Tracks)
    WriteTrack(out, track);
  out.I32(static_cast<int32_t>(replay.Events.size()));
  for (const TReplayEvent& e : replay.Events) {
    out.I32(e.Time);
    out.U8(e.Kind);
    out.I32(e.Value);
  }
  return out.Take();
}

// A file that ends where the event count would start holds no events.
TReplayFile ParseReplay(std::string_view bytes) {
  TReplayFile file;
  ByteReader in(bytes, ReplayFailure());
  file.Replay.LevelName = in.String(in.U8(), "the level name");
  file.Replay.Checksum = in.U32();
  file.RunTicks = in.I32();
  file.Replay.Tracks.resize(Count(in, kMinTrackBytes, "tracks"));
  for (TReplayTrack& track : file.Replay.Tracks)
    ReadTrack(in, track);
  file.HasEventBlock = !in.AtEnd();
  if (file.HasEventBlock) ReadEvents(in, file.Replay.Events);
  return file;
}

// The level is named as it was chosen from the level list; the checksum is that of the
// level as loaded from its file, not of the running copy.
void SaveReplay(const std::string& path, const std::string& levelName, uint32_t checksum) {
  WriteFileAtomic(path, ReplayBytes(Recording, RunTicks, levelName, checksum));
}
