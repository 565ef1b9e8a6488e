// tovi2-tool anim: what kind of animation a file holds, its frames and parts, and the box
// a rig covers at its start frame.
#include <cstdio>
#include <string>

#include "anim/anim_files.h"
#include "anim/anim_play.h"
#include "data/json_writer.h"
#include "tool_commands.h"
#include "tool_common.h"

namespace {

constexpr const char* kUsage =
    "usage: tovi2-tool anim info FILE\n"
    "  {\"kind\":\"image\"|\"frames\"|\"rig\",\"frames\":N,\"parts\":N,\n"
    "   \"box\":[minX,minY,maxX,maxY] of a rig at its start frame, else null}\n";

const char* KindName(AnimKind kind) {
  switch (kind) {
    case AnimKind::Image:
      return "image";
    case AnimKind::Frames:
      return "frames";
    case AnimKind::Rig:
      return "rig";
  }
  return "";
}

// For a rig: the frames of all its parts.
int FramesOf(const TSpr& spr) {
  if (!spr.Rig) return spr.FrameCount();
  int frames = 0;
  for (const auto& part : spr.Rig->Parts)
    frames += part->FrameCount();
  return frames;
}

void WriteBox(JsonWriter& json, TSpr& spr) {
  if (!spr.Rig) return json.Null();
  RigPart& root = *spr.Rig;
  EvaluateRig(root, RigMatrix{}, float(root.StartFrame));
  float box[4];
  RigBox(root, box[0], box[1], box[2], box[3]);
  json.BeginArray();
  for (float v : box)
    json.Number(v);
  json.EndArray();
}

int Info(const std::string& path) {
  TSpr spr;
  LoadAnimFile(spr, path);
  AnimKind kind = AnimKindOf(path);
  if (kind == AnimKind::Image && !spr.Tex) {
    std::fprintf(stderr, "Cannot decode image \"%s\": %s\n", path.c_str(), zgl_GetError().c_str());
    return 1;
  }
  JsonWriter json;
  json.BeginObject();
  json.Key("kind");
  json.String(KindName(kind));
  json.Key("frames");
  json.Int(FramesOf(spr));
  json.Key("parts");
  json.Int(spr.Rig ? int64_t(spr.Rig->Parts.size()) : 0);
  json.Key("box");
  WriteBox(json, spr);
  json.EndObject();
  return PrintOutput(json.Text());
}

}  // namespace

int AnimCommand(const ToolArgs& args) {
  if (args.size() != 2 || args[0] != "info") return UsageError(kUsage);
  return RunReportingErrors([&] { return Info(args[1]); });
}
