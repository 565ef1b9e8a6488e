#include "world/script_unit.h"

TGameScriptCompile CompileGameSource(const std::string& source,
                                     const std::vector<std::string_view>& extra) {
  TGameScriptCompile result;
  TPSPascalCompiler compiler;
  compiler.OnUses = [&extra, &result](TPSPascalCompiler& c, const std::string& unit) {
    if (unit != kGameScriptUnit) {
      result.RefusedUnit = unit;
      return false;
    }
    for (const TGameScriptRoutine& routine : kGameScriptRoutines)
      c.DeclareRoutine(routine.Declaration);
    for (std::string_view declaration : extra)
      c.DeclareRoutine(declaration);
    return true;
  };
  result.Compiled = compiler.CompileSource(source) && compiler.GetCompiledData(result.Data);
  result.Messages = compiler.Messages();
  return result;
}
