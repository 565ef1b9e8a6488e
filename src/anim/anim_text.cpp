#include "anim/anim_text.h"

#include "data/real_text.h"

namespace {

constexpr char kCtrlZ = '\x1A';

std::vector<std::string> SplitFileLines(std::string_view text) {
  text = text.substr(0, text.find(kCtrlZ));
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(i, end - i));
    size_t lf = text.find('\n', end);
    i = lf == std::string_view::npos ? text.size() : lf + 1;
  }
  return lines;
}

std::vector<std::string> SplitPackageLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\r') {
      lines.push_back(std::move(line));
      line.clear();
    } else if (c != '\n') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

int DigitValue(char c, int base) {
  int v = c >= '0' && c <= '9'   ? c - '0'
          : c >= 'a' && c <= 'f' ? c - 'a' + 10
          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                 : 99;
  return v < base ? v : -1;
}

}  // namespace

std::vector<std::string> SplitAnimLines(std::string_view text, LineEnds ends) {
  return ends == LineEnds::File ? SplitFileLines(text) : SplitPackageLines(text);
}

std::optional<int32_t> ReadWholeNumber(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X") {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 2147483648u : 2147483647u;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i], base);
    if (digit < 0) return std::nullopt;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > limit) return std::nullopt;
  }
  uint32_t bits = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

float ReadReal(std::string_view text) {
  return TextToFloat(text).value_or(0.0f);
}
