// tovi2-tool level: a level file or package as the game reads it, written back in the
// game's own form, and a check of what it refers to and of the scripts it runs.
#include <algorithm>
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
#include "world/script_record.h"
#include "world/script_unit.h"
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
    "          \"broken_links\":[{\"id\":N,\"link\":N}...],\n"
    "          \"scripts\":[{\"script\":NAME,\"compiled\":BOOL,\"messages\":[TEXT...]}...],\n"
    "          \"ok\":BOOL}\n"
    "         scripts: each script the level runs, compiled as the game compiles it, under\n"
    "         the game's name for it: \"Start Level\", \"Update Level\", Object \"NAME\" (ID: N)\n"
    "         for an object's own touch script, Object \"NAME\" for the touch script of a\n"
    "         pattern that objects without their own use; TEXT as \"script check\" prints it\n"
    "         status 1 when a pattern file is missing (\"File Not Found: \" messages), a\n"
    "         joint end or a LinkID names no element, or a script does not compile\n"
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

// One script of the level compiled: the game's name for it and what the compiler said.
struct ScriptCheck {
  std::string name;
  bool compiled = false;
  std::vector<std::string> messages;
};

// What a check found.
struct CheckReport {
  std::vector<std::string> messages;
  std::vector<const TElement*> brokenJoints;
  std::vector<const TElement*> brokenLinks;
  std::vector<ScriptCheck> scripts;

  bool MissesFiles() const {
    for (const std::string& message : messages) {
      if (message.starts_with(kNotFound)) return true;
    }
    return false;
  }
  bool ScriptsCompile() const { return std::ranges::all_of(scripts, &ScriptCheck::compiled); }
  bool Ok() const {
    return !MissesFiles() && brokenJoints.empty() && brokenLinks.empty() && ScriptsCompile();
  }
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

// Compiles a script as the game does when its source is not empty.
void CheckScript(const std::string& name, const TScriptRecord& script, CheckReport& report) {
  if (script.Source.empty()) return;
  TGameScriptCompile result = CompileGameSource(JoinScriptLines(script.Lines));
  ScriptCheck check{name, result.Compiled, {}};
  for (const TPSPascalCompilerMessage& message : result.Messages)
    check.messages.push_back(message.MessageToString());
  if (!result.RefusedUnit.empty()) check.messages.push_back(UnknownUnitText(result.RefusedUnit));
  report.scripts.push_back(std::move(check));
}

// The level's two scripts, then in element order each object's own touch script, or the
// touch script of its pattern the first time an object without its own uses it. As in the
// game, an object whose LinkID names nothing never compiles its own script and runs its
// pattern's.
void CheckScripts(const TLevel& level, CheckReport& report) {
  CheckScript("Start Level", level.StartScript, report);
  CheckScript("Update Level", level.UpdateScript, report);
  std::vector<const TObjPat*> patternsDone;
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      const TObj* obj = e->As<TObj>();
      if (!obj || !obj->Pattern) continue;
      std::string name = "Object \"" + obj->Pattern->Name + "\"";
      bool linked = e->LinkID == 0 || level.FindElement(e->LinkID);
      if (linked && !obj->TouchScript.Source.empty()) {
        CheckScript(name + " (ID: " + std::to_string(e->ID) + ")", obj->TouchScript, report);
      } else if (std::ranges::find(patternsDone, obj->Pattern) == patternsDone.end()) {
        patternsDone.push_back(obj->Pattern);
        CheckScript(name, obj->Pattern->TouchScript, report);
      }
    }
  }
}

void WriteElementCounts(JsonWriter& json, const TLevel& level) {
  int counts[ekJoint + 1] = {};
  for (const auto& layer : level.Layers) {
    for (const auto& e : layer->Elements) {
      if (e->Kind >= ekPoly && e->Kind <= ekJoint) ++counts[e->Kind];
    }
  }
  json.BeginObject();
  for (int kind = ekPoly; kind <= ekJoint; ++kind) {
    json.Key(ElementKindName(uint8_t(kind)));
    json.Int(counts[kind]);
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

void WriteScripts(JsonWriter& json, const std::vector<ScriptCheck>& scripts) {
  json.BeginArray();
  for (const ScriptCheck& script : scripts) {
    json.BeginObject();
    json.Key("script");
    json.String(script.name);
    json.Key("compiled");
    json.Bool(script.compiled);
    json.Key("messages");
    json.Strings(script.messages);
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
  json.Strings(report.messages);
  json.Key("broken_joints");
  WriteBrokenJoints(json, report.brokenJoints);
  json.Key("broken_links");
  WriteBrokenLinks(json, report.brokenLinks);
  json.Key("scripts");
  WriteScripts(json, report.scripts);
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
  CheckScripts(level, report);
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
