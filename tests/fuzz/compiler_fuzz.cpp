// Feeds arbitrary text to the script compiler with the game's unit SYSTEM. A compile that
// succeeds must give a container the executor loads (unless it calls a routine that is only
// declared), and running it (with the game's routines as no-ops and a small instruction
// budget) must end, whatever it does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/exec.h"
#include "world/script_unit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TGameScriptCompile compiled =
      CompileGameSource(std::string(reinterpret_cast<const char*>(data), size));
  if (!compiled.Compiled) return 0;
  std::string& container = compiled.Data;
  TPSExec exec;
  for (const TGameScriptRoutine& routine : kGameScriptRoutines)
    exec.RegisterRoutine([](TPSExec&, TPSCall&) { return true; }, routine.Name);
  if (!exec.LoadCompiledData(container)) {
    // VarArrayGet and VarArraySet are declared for scripts, but no executor offers them.
    const std::string error = exec.LastErrorText();
    if (error != "Cannot Import VARARRAYGET" && error != "Cannot Import VARARRAYSET") std::abort();
    return 0;
  }
  exec.SetInstructionBudget(20000);
  exec.RunMain();
  exec.RunMain();
  return 0;
}
