// Test helpers: a compact one-line picture of a block tree, so that tests compare whole
// trees. Parameters show as "Name=Value;", lines as 'line';, an angle-bracket child as
// <Name>{...} and a text block child as [Name]{...}.
#pragma once

#include <initializer_list>
#include <string>

#include "data/dat_file.h"

inline std::string TreeText(const TDatBlock& block) {
  std::string out;
  for (const auto& param : block.Params)
    out += param->Name + "=" + param->Value + ";";
  for (const std::string& line : block.Lines)
    out += "'" + line + "';";
  for (const auto& child : block.Blocks) {
    out += child->IsText ? "[" + child->Name + "]" : "<" + child->Name + ">";
    out += "{" + TreeText(*child) + "}";
  }
  return out;
}

// Lines joined with CR LF after each, the way the game writes files.
inline std::string CrLfLines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\r\n";
  return text;
}
