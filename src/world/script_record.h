// The stored form of a script: the lines as the file gives them and the source the
// compiler reads. The compiled program is added by the script engine.
#pragma once

#include <string>
#include <vector>

// The text the game compiles from a script's lines: each line up to its first "//" (even
// inside a quoted string), followed by one space. Line breaks never reach the compiler, so
// every message of a game script stands on row 1.
std::string JoinScriptLines(const std::vector<std::string>& lines);

struct TScriptRecord {
  std::vector<std::string> Lines;
  std::string Source;  // every line followed by one blank, joined into one line

  // Sets Lines and builds Source from them.
  void SetLines(std::vector<std::string> lines);
  // Copies the lines and source (never a compiled program).
  void CopyText(const TScriptRecord& other) {
    Lines = other.Lines;
    Source = other.Source;
  }
};
