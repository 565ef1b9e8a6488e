// tovi2-tool dat: the block/parameter tree of a file, and typed reads of its parameters.
#include <string>
#include <vector>

#include "data/dat_file.h"
#include "data/json_writer.h"
#include "tool_commands.h"
#include "tool_common.h"

namespace {

constexpr const char* kUsage =
    "usage: tovi2-tool dat dump FILE\n"
    "       tovi2-tool dat params FILE KEY...\n"
    "  dump:   {\"name\",\"text\",\"lines\",\"params\":[{\"name\",\"value\"}],\"blocks\":[...]}\n"
    "  params: {KEY:{\"present\",\"string\",\"integer\",\"float\",\"bool\"}}, a typed read\n"
    "          that falls back to its default is null\n";

void WriteParams(JsonWriter& json, const TDatBlock& block) {
  json.BeginArray();
  for (const auto& param : block.Params) {
    json.BeginObject();
    json.Key("name");
    json.String(param->Name);
    json.Key("value");
    json.String(param->Value);
    json.EndObject();
  }
  json.EndArray();
}

// Everything of a block up to its open list of children.
void BeginBlock(JsonWriter& json, const TDatBlock& block) {
  json.BeginObject();
  json.Key("name");
  json.String(block.Name);
  json.Key("text");
  json.Bool(block.IsText);
  json.Key("lines");
  json.Strings(block.Lines);
  json.Key("params");
  WriteParams(json, block);
  json.Key("blocks");
  json.BeginArray();
}

void EndBlock(JsonWriter& json) {
  json.EndArray();
  json.EndObject();
}

// A file of a million nested tags dumps as well as a flat one: the walk keeps its own
// stack.
std::string DumpJson(const TDat& dat) {
  JsonWriter json;
  dat.WalkDepthFirst([&json](const TDatBlock& block) { BeginBlock(json, block); },
                     [&json](const TDatBlock&) { EndBlock(json); });
  return json.Text();
}

// Each typed read is made with two different defaults: when the results differ, the
// value could not be read and the field is null.
void WriteTypedReads(JsonWriter& json, const TDatParam& param) {
  json.BeginObject();
  json.Key("present");
  json.Bool(!param.IsNull);
  json.Key("string");
  if (param.IsNull)
    json.Null();
  else
    json.String(param.Value);
  json.Key("integer");
  int32_t integer = param.AsInteger(0);
  if (integer == param.AsInteger(-1))
    json.Int(integer);
  else
    json.Null();
  json.Key("float");
  float real = param.AsFloat(0.0f);
  if (real == param.AsFloat(1.0f))
    json.Number(real);
  else
    json.Null();
  json.Key("bool");
  bool flag = param.AsBool(false);
  if (flag == param.AsBool(true))
    json.Bool(flag);
  else
    json.Null();
  json.EndObject();
}

std::string ParamsJson(const TDat& dat, const ToolArgs& keys) {
  JsonWriter json;
  json.BeginObject();
  for (const std::string& key : keys) {
    json.Key(key);
    WriteTypedReads(json, dat.Param(key));
  }
  json.EndObject();
  return json.Text();
}

}  // namespace

int DatCommand(const ToolArgs& args) {
  bool dump = args.size() == 2 && args[0] == "dump";
  bool params = args.size() >= 3 && args[0] == "params";
  if (!dump && !params) return UsageError(kUsage);
  return RunReportingErrors([&] {
    TDat dat;
    dat.LoadFromFile(args[1]);
    if (dump) return PrintOutput(DumpJson(dat));
    return PrintOutput(ParamsJson(dat, ToolArgs(args.begin() + 2, args.end())));
  });
}
