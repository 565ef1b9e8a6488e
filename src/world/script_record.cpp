#include "world/script_record.h"

void TScriptRecord::SetLines(std::vector<std::string> lines) {
  Lines = std::move(lines);
  Source.clear();
  for (const std::string& line : Lines) {
    Source += line;
    Source += ' ';
  }
}
