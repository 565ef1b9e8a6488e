// tovi2-tool replay: the content of a replay file as JSON, key times absolute.
#include <cstdio>
#include <string>

#include "data/file_io.h"
#include "data/json_writer.h"
#include "replay/replay_file.h"
#include "tool_commands.h"
#include "tool_common.h"

namespace {

constexpr const char* kUsage =
    "usage: tovi2-tool replay dump FILE\n"
    "  {\"level\":NAME,\"checksum\":N,\"run_ticks\":N,\"tracks\":[{\"id\":N,\n"
    "   \"positions\":[[t,x,y]..],\"angles\":[[t,a]..],\"visibility\":[[t,v]..],\n"
    "   \"facing\":[[t,v]..],\"running\":[[t,v]..]}..],\"events\":[[t,kind,value]..],\n"
    "   \"has_event_block\":true|false}\n";

void WritePositions(JsonWriter& json, const std::vector<TPositionKey>& keys) {
  json.BeginArray();
  for (const TPositionKey& k : keys) {
    json.BeginArray();
    json.Int(k.Time);
    json.Single(k.X);
    json.Single(k.Y);
    json.EndArray();
  }
  json.EndArray();
}

void WriteAngles(JsonWriter& json, const std::vector<TAngleKey>& keys) {
  json.BeginArray();
  for (const TAngleKey& k : keys) {
    json.BeginArray();
    json.Int(k.Time);
    json.Single(k.Angle);
    json.EndArray();
  }
  json.EndArray();
}

void WriteBytes(JsonWriter& json, const std::vector<TByteKey>& keys) {
  json.BeginArray();
  for (const TByteKey& k : keys) {
    json.BeginArray();
    json.Int(k.Time);
    json.Int(k.Value);
    json.EndArray();
  }
  json.EndArray();
}

void WriteTrack(JsonWriter& json, const TReplayTrack& track) {
  json.BeginObject();
  json.Key("id");
  json.Int(track.ElementID);
  json.Key("positions");
  WritePositions(json, track.Positions.Keys);
  json.Key("angles");
  WriteAngles(json, track.Angles.Keys);
  json.Key("visibility");
  WriteBytes(json, track.Visibility.Keys);
  json.Key("facing");
  WriteBytes(json, track.Facing.Keys);
  json.Key("running");
  WriteBytes(json, track.Running.Keys);
  json.EndObject();
}

void WriteEvents(JsonWriter& json, const std::vector<TReplayEvent>& events) {
  json.BeginArray();
  for (const TReplayEvent& e : events) {
    json.BeginArray();
    json.Int(e.Time);
    json.Int(e.Kind);
    json.Int(e.Value);
    json.EndArray();
  }
  json.EndArray();
}

int Dump(const std::string& path) {
  const TReplayFile file = ParseReplay(ReadWholeFile(path));
  const TReplay& replay = file.Replay;
  JsonWriter json;
  json.BeginObject();
  json.Key("level");
  json.String(replay.LevelName);
  json.Key("checksum");
  json.Int(replay.Checksum);
  json.Key("run_ticks");
  json.Int(file.RunTicks);
  json.Key("tracks");
  json.BeginArray();
  for (const TReplayTrack& track : replay.Tracks)
    WriteTrack(json, track);
  json.EndArray();
  json.Key("events");
  WriteEvents(json, replay.Events);
  json.Key("has_event_block");
  json.Bool(file.HasEventBlock);
  json.EndObject();
  return PrintOutput(json.Text());
}

}  // namespace

int ReplayCommand(const ToolArgs& args) {
  if (args.size() != 2 || args[0] != "dump") return UsageError(kUsage);
  return RunReportingErrors([&] { return Dump(args[1]); });
}
