#include "world/script_record.h"

void TScriptRecord::SetLines(std::vector<std::string> lines) {
  Lines = std::move(lines);
  Source.clear();
  for (const std::string& line : Lines) {
    Source += line;
    Source += ' ';
  }
}

std::string JoinScriptLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text.append(line, 0, line.find("//"));
    text += ' ';
  }
  return text;
}

namespace {
ScriptCompiler& Compiler() {
  static ScriptCompiler compiler;
  return compiler;
}
}  // namespace

void SetScriptCompiler(ScriptCompiler compiler) {
  Compiler() = std::move(compiler);
}

bool CompileRecord(TScriptRecord& script) {
  script.Program.reset();
  script.Stopped = false;
  if (script.Source.empty() || !Compiler()) return true;
  script.Program = Compiler()(script.Lines);
  return script.Program != nullptr;
}
