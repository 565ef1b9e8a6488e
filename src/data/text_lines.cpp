#include "data/text_lines.h"

namespace {

constexpr char kCtrlZ = '\x1A';

}  // namespace

std::vector<std::string> SplitFileLines(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find(kCtrlZ));
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = bytes.size();
    lines.emplace_back(bytes.substr(i, end - i));
    size_t lf = bytes.find('\n', end);
    i = lf == std::string_view::npos ? bytes.size() : lf + 1;
  }
  return lines;
}

std::vector<std::string> SplitPackageLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = text.size();
    std::string& line = lines.emplace_back(text.substr(i, end - i));
    std::erase(line, kCtrlZ);
    i = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++i;
  }
  return lines;
}
