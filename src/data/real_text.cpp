#include "data/real_text.h"

#include <charconv>
#include <system_error>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The shape of a decimal real in text, found by one scan.
struct RealShape {
  bool valid = false;
  bool negative = false;
  // Where from_chars starts: after a "+", which it does not accept.
  size_t start = 0;
  // The power of ten just above the value (the count of digits before the point, less
  // the zeros after it, plus the exponent); tells an overflow from an underflow.
  long order = 0;
};

// Reads an exponent's digits, saturating so that a long run cannot overflow.
long ReadExponent(std::string_view text, size_t& i) {
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  size_t first = i;
  long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (value < 1000000) value = value * 10 + (text[i] - '0');
  }
  if (i == first) i = std::string_view::npos;  // "1e" and "1e+" are not numbers
  return negative ? -value : value;
}

// Scans the digits of the mantissa, tracking the position of the first non-zero digit.
void ScanMantissa(std::string_view text, size_t& i, RealShape& shape, size_t& digits) {
  bool seenNonZero = false;
  bool afterPoint = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !afterPoint) {
      afterPoint = true;
      continue;
    }
    if (!IsDigit(c)) break;
    ++digits;
    if (c != '0') seenNonZero = true;
    if (!afterPoint && seenNonZero) ++shape.order;
    if (afterPoint && !seenNonZero) --shape.order;
  }
}

RealShape Scan(std::string_view text) {
  RealShape shape;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    shape.negative = text[i] == '-';
    shape.start = text[i] == '+' ? 1 : 0;
    ++i;
  }
  size_t digits = 0;
  ScanMantissa(text, i, shape, digits);
  if (digits == 0) return shape;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    shape.order += ReadExponent(text, i);
  }
  shape.valid = i == text.size();
  return shape;
}

}  // namespace

std::string FloatToText(double v) {
  char buf[400];  // the largest double in fixed notation with four decimals fits
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
  std::string text(buf, ec == std::errc() ? end : buf);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0')
      text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") return "0";
  return text;
}

std::optional<float> TextToFloat(std::string_view text) {
  RealShape shape = Scan(text);
  if (!shape.valid) return std::nullopt;
  float value = 0;
  auto [end, ec] = std::from_chars(text.data() + shape.start, text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    if (shape.order > 0) return std::nullopt;
    return shape.negative ? -0.0f : 0.0f;
  }
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<int32_t> TextToInteger(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = ReadIntegerBase(text, i);
  // Hexadecimal is a 32-bit pattern, so it may reach FFFFFFFF.
  uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 2147483648u : 2147483647u;
  if (i == text.size()) return std::nullopt;
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

int DigitValue(char c, int base) {
  int d = -1;
  if (c >= '0' && c <= '9') d = c - '0';
  if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  return d < base ? d : -1;
}

int ReadIntegerBase(std::string_view text, size_t& i) {
  if (text.substr(i, 1) == "$") {
    i += 1;
    return 16;
  }
  if (text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X") {
    i += 2;
    return 16;
  }
  return 10;
}
