// tovi2-tool level: a level file or package as the game reads it, written back in the
// game's own form, and a check of what it refers to.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/dat_file.h"
#include "data/json_writer.h"
#include "tool_commands.h"
#include "tool_common.h"
#include "world/elements.h"
#include "world/level.h"
#include "world/level_file.h"
#include "world/pattern.h"
#include "world/world_messages.h"

namespace {

constexpr const char* kUsage =
    "usage: tovi2-tool level dump FILE\n"
    "       tovi2-tool level check FILE\n"
    "  FILE ending in \".vle\" (any case) is a level file, anything else a package; the\n"
    "  global patterns come from \"Data\" in the current folder, as in the game.\n"
    "  dump:  the level text the game would write, on standard output; the loader's\n"
    "         messages on standard error\n"
    "  check: {\"layers\":N,\"elements\":{\"polygon\":N,\"circle\":N,\"sprite\":N,\"creature\":N,\n"
    "          \"object\":N,\"joint\":N},\"messages\":[TEXT...],\n"
    "          \"broken_joints\":[{\"id\":N,\"e1\":N,\"e2\":N}...],\n"
    "          \"broken_links\":[{\"id\":N,\"link\":N}...],\"ok\":BOOL}\n"
    "         status 1 when a pattern file is missing (\"File Not Found: \" messages), a\n"
    "         joint end or a LinkID names no element\n"
    "  Both end with status 1 when the level text's Type is not \"Level\".\n";

constexpr const char* kNotFound = "File Not Found: ";

// Collects the messages of loading while it lives.
class MessageCollector {
 public:
  explicit MessageCollector(std::vector<std::string>& messages) {
    SetMessageSink([&messages](const std::string& text) { messages.push_back(text); });
  }
  ~MessageCollector() { SetMessageSink(nullptr); }
  MessageCollector(const MessageCollector&) = delete;
  MessageCollector& operator=(const MessageCollector&) = delete;
};

// Frees the patterns and the package a load brought in. The pattern lists are freed
// before the program ends, as the game does on exit, because an animation's textures
// must go before the animation module's own state does.
class PatternsInUse {
 public:
  PatternsInUse() = default;
  ~PatternsInUse() {
    FreeLevelPackage();
    FreePatternList(GlobalPatterns);
  }
  PatternsInUse(const PatternsInUse&) = delete;
  PatternsInUse& operator=(const PatternsInUse&) = delete;
};

// Loads as the game does, collecting every message the loading reports. The game shows
// a text of another Type as an empty level without a word; a level maker is told.
void Load(TLevel& level, const std::string& path, std::vector<std::string>& messages) {
  MessageCollector collector(messages);
  LoadPatternsFromFolder("Data");
  LoadGlobalImagePatterns("./");
  bool isLevel = IsLevelFileName(path) ? LoadLevel(level, path) : LoadLevelPackage(level, path);
  if (!isLevel)
    throw std::runtime_error("\"" + path + "\" is not a level: its Type is not \"Level\".");
}

int Dump(const std::string& path) {
  TLevel level;
  std::vector<std::string> messages;
  Load(level, path, messages);
  for (const std::string& message : messages)
    std::fprintf(stderr, "%s\n", message.c_str());
  TDat dat;
  SaveLevel(level, path, &dat);
  return PrintOutput(dat.ToText());
}

// What a check found.
struct CheckReport {
  std::vector<std::string> messages;
  std::vector<const TElement*> brokenJoints;
  std::vector<const TElement*> brokenLinks;

  bool MissesFiles() const {
    for (const std::string& message : messages) {
      if (message.starts_with(kNotFound)) return true;
    }
    return false;
  }
  bool Ok() const { return !MissesFiles() && brokenJoints.empty() && brokenLinks.empty(); }
};

// An ID of 0 names nothing on purpose (a joint end on the ground, no link).
bool NamesNoElement(const TLevel& level, int32_t id) {
  return id != 0 && level.FindElement(id) == nullptr;
}

void FindBrokenReferences(const TLevel& level, CheckReport& report) {
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      if (NamesNoElement(level, e->LinkID)) report.brokenLinks.push_back(e.get());
      const TJoint* joint = e->As<TJoint>();
      if (joint && (NamesNoElement(level, joint->E1ID) || NamesNoElement(level, joint->E2ID)))
        report.brokenJoints.push_back(e.get());
    }
  }
}

void WriteElementCounts(JsonWriter& json, const TLevel& level) {
  static constexpr const char* kNames[] = {"polygon",  "circle", "sprite",
                                           "creature", "object", "joint"};
  int counts[6] = {};
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      if (e->Kind >= ekPoly && e->Kind <= ekJoint) ++counts[e->Kind - ekPoly];
    }
  }
  json.BeginObject();
  for (int i = 0; i < 6; ++i) {
    json.Key(kNames[i]);
    json.Int(counts[i]);
  }
  json.EndObject();
}

void WriteBrokenJoints(JsonWriter& json, const std::vector<const TElement*>& joints) {
  json.BeginArray();
  for (const TElement* e : joints) {
    const TJoint* joint = e->As<TJoint>();
    json.BeginObject();
    json.Key("id");
    json.Int(e->ID);
    json.Key("e1");
    json.Int(joint->E1ID);
    json.Key("e2");
    json.Int(joint->E2ID);
    json.EndObject();
  }
  json.EndArray();
}

void WriteBrokenLinks(JsonWriter& json, const std::vector<const TElement*>& links) {
  json.BeginArray();
  for (const TElement* e : links) {
    json.BeginObject();
    json.Key("id");
    json.Int(e->ID);
    json.Key("link");
    json.Int(e->LinkID);
    json.EndObject();
  }
  json.EndArray();
}

std::string CheckJson(const TLevel& level, const CheckReport& report) {
  JsonWriter json;
  json.BeginObject();
  json.Key("layers");
  json.Int(static_cast<int64_t>(level.Layers.size()));
  json.Key("elements");
  WriteElementCounts(json, level);
  json.Key("messages");
  json.BeginArray();
  for (const std::string& message : report.messages)
    json.String(message);
  json.EndArray();
  json.Key("broken_joints");
  WriteBrokenJoints(json, report.brokenJoints);
  json.Key("broken_links");
  WriteBrokenLinks(json, report.brokenLinks);
  json.Key("ok");
  json.Bool(report.Ok());
  json.EndObject();
  return json.Text();
}

int Check(const std::string& path) {
  TLevel level;
  CheckReport report;
  Load(level, path, report.messages);
  FindBrokenReferences(level, report);
  int status = PrintOutput(CheckJson(level, report));
  return report.Ok() ? status : 1;
}

}  // namespace

int LevelCommand(const ToolArgs& args) {
  if (args.size() != 2 || (args[0] != "dump" && args[0] != "check")) return UsageError(kUsage);
  return RunReportingErrors([&] {
    PatternsInUse patterns;
    return args[0] == "dump" ? Dump(args[1]) : Check(args[1]);
  });
}
