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
