#include "tool_common.h"

#include <cstdio>
#include <exception>

#include "world/script_unit.h"

int UsageError(const char* usage) {
  std::fputs(usage, stderr);
  return 1;
}

int FlushOutput() {
  if (std::fflush(stdout) != 0) {
    std::perror("tovi2-tool: standard output");
    return 1;
  }
  return 0;
}

int PrintOutput(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  return FlushOutput();
}

int RunReportingErrors(const std::function<int()>& command) {
  try {
    return command();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

std::string UnknownUnitText(const std::string& unit) {
  return "Unknown unit " + unit + ": a script knows only " + std::string(kGameScriptUnit);
}
