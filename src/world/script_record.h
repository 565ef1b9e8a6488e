// The stored form of a script: the lines as the file gives them, the source, and the
// compiled program the level run executes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script/exec.h"

// The text the game compiles from a script's lines: each line up to its first "//" (even
// inside a quoted string), followed by one space. Line breaks never reach the compiler, so
// every message of a game script stands on row 1.
std::string JoinScriptLines(const std::vector<std::string>& lines);

struct TScriptRecord {
  std::vector<std::string> Lines;
  std::string Source;  // every line followed by one blank, joined into one line
  // The compiled program; none until compiled, or when the script does not compile.
  std::unique_ptr<TPSExec> Program;
  // A guard of the engine (instruction budget, recursion, memory) stopped a run: the
  // script is not run again while its program lives.
  bool Stopped = false;

  // Sets Lines and builds Source from them.
  void SetLines(std::vector<std::string> lines);
  // Copies the lines and source (never a compiled program).
  void CopyText(const TScriptRecord& other) {
    Lines = other.Lines;
    Source = other.Source;
  }
};

// Turns script lines into a program with the game's routines bound, or none when they do
// not compile. The game sets it; without one (the tools) scripts are only stored.
using ScriptCompiler = std::function<std::unique_ptr<TPSExec>(const std::vector<std::string>&)>;
void SetScriptCompiler(ScriptCompiler compiler);
// Compiles the record's lines into Program when its source is not empty. False when a
// compiler was set, there was a source and it gave no program.
bool CompileRecord(TScriptRecord& script);
