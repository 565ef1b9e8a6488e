// Test helper: one member of a JSON text such as the game's state dump, without a parser.
#pragma once

#include <string>

// The raw JSON text of the first member named `key` in `json` (a string with its quotes,
// a number, or a whole object or array); "" when there is none.
inline std::string Field(const std::string& json, const std::string& key) {
  size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) return "";
  size_t start = at + key.size() + 3;
  int depth = 0;
  bool inString = false;
  for (size_t i = start; i < json.size(); ++i) {
    char c = json[i];
    if (inString) {
      if (c == '\\') ++i;
      if (c == '"') inString = false;
      if (!inString && depth == 0) return json.substr(start, i + 1 - start);
      continue;
    }
    if (c == '"') inString = true;
    if (c == '{' || c == '[') ++depth;
    if (c == '}' || c == ']') {
      if (depth == 0) return json.substr(start, i - start);
      if (--depth == 0) return json.substr(start, i + 1 - start);
    }
    if (c == ',' && depth == 0) return json.substr(start, i - start);
  }
  return "";
}
