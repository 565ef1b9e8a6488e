// tovi2-tool script: compiles a script as the game would, runs one, or lists its code.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/file_io.h"
#include "data/text_lines.h"
#include "script/compiler.h"
#include "script/container.h"
#include "script/disassembler.h"
#include "script/exec.h"
#include "tool_commands.h"
#include "tool_common.h"
#include "world/script_record.h"
#include "world/script_unit.h"

namespace {

constexpr const char* kUsage =
    "usage: tovi2-tool script check FILE\n"
    "       tovi2-tool script run FILE [--budget N]\n"
    "       tovi2-tool script dis FILE\n"
    "  check: compiles FILE as the game compiles a level or object script (its lines joined,\n"
    "         each cut at \"//\") with the unit SYSTEM; prints every message, one a line\n"
    "  run:   compiles FILE as written, with the game's routines as no-ops and\n"
    "         procedure Print(S: string), which writes S and a newline; runs the main block\n"
    "         once, stopping after N instructions when --budget is given\n"
    "  dis:   the compiled code of FILE (compiled as for run), one instruction a line\n";

// The test tool's own routine, declared beside the game's.
constexpr std::string_view kPrintDeclaration = "procedure Print(S: string)";

// Compiles source with the unit SYSTEM (and Print when withPrint). Hints and warnings go to
// warnings, the error to errors; the container comes back in data.
bool Compile(const std::string& source, bool withPrint, FILE* warnings, FILE* errors,
             std::string& data) {
  std::vector<std::string_view> extra;
  if (withPrint) extra.push_back(kPrintDeclaration);
  TGameScriptCompile result = CompileGameSource(source, extra);
  for (const TPSPascalCompilerMessage& message : result.Messages) {
    FILE* to = message.Kind == TPSMessageKind::Error ? errors : warnings;
    std::fprintf(to, "%s\n", message.MessageToString().c_str());
  }
  if (!result.RefusedUnit.empty())
    std::fprintf(errors, "%s\n", UnknownUnitText(result.RefusedUnit).c_str());
  data = std::move(result.Data);
  return result.Compiled;
}

int Check(const std::string& path) {
  std::string source = JoinScriptLines(SplitFileLines(ReadWholeFile(path)));
  std::string data;
  bool compiled = Compile(source, false, stdout, stdout, data);
  int flushed = FlushOutput();
  return compiled ? flushed : 1;
}

int Run(const std::string& path, uint64_t budget) {
  std::string data;
  if (!Compile(ReadWholeFile(path), true, stderr, stderr, data)) return 1;
  TPSExec exec;
  for (const TGameScriptRoutine& routine : kGameScriptRoutines)
    exec.RegisterRoutine([](TPSExec&, TPSCall&) { return true; }, routine.Name);
  exec.RegisterRoutine(
      [](TPSExec&, TPSCall& call) {
        std::string text = call.Str(0);
        text += '\n';
        std::fwrite(text.data(), 1, text.size(), stdout);
        return true;
      },
      "PRINT");
  exec.SetInstructionBudget(budget);
  bool ran = exec.LoadCompiledData(data) && exec.RunMain();
  int flushed = FlushOutput();
  if (!ran) {
    std::fprintf(stderr, "%s\n", exec.LastErrorText().c_str());
    return 1;
  }
  return flushed;
}

int Dis(const std::string& path) {
  std::string data;
  if (!Compile(ReadWholeFile(path), true, stderr, stderr, data)) return 1;
  TPSContainer container;
  std::string param;
  if (TPSError error = ReadContainer(data, container, param); error != ErNoError) {
    std::fprintf(stderr, "%s\n", PSErrorToString(error, param).c_str());
    return 1;
  }
  return PrintOutput(Disassemble(container));
}

// The N of "--budget N": a whole positive number.
bool ParseBudget(const std::string& text, uint64_t& budget) {
  char* end = nullptr;
  budget = std::strtoull(text.c_str(), &end, 10);
  return !text.empty() && text[0] != '-' && *end == '\0' && budget > 0;
}

}  // namespace

int ScriptCommand(const ToolArgs& args) {
  if (args.size() < 2) return UsageError(kUsage);
  const std::string& command = args[0];
  const std::string& path = args[1];
  uint64_t budget = 0;
  if (command == "run" && args.size() == 4 && args[2] == "--budget") {
    if (!ParseBudget(args[3], budget)) return UsageError(kUsage);
  } else if (args.size() != 2) {
    return UsageError(kUsage);
  }
  return RunReportingErrors([&] {
    if (command == "check") return Check(path);
    if (command == "run") return Run(path, budget);
    if (command == "dis") return Dis(path);
    return UsageError(kUsage);
  });
}
