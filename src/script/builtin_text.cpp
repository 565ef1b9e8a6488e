#include "script/builtin_text.h"

#include <locale.h>  // newlocale (POSIX)
#include <stdlib.h>  // strtold_l (glibc)
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <system_error>
#include <utility>

#include "data/ascii_case.h"
#include "data/real_text.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The magnitude of the digits from i on, or nothing when there are none, one is not a
// digit of base, or the magnitude passes limit.
std::optional<uint64_t> ReadMagnitude(std::string_view s, size_t i, int base, uint64_t limit) {
  if (i == s.size()) return std::nullopt;
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    int digit = DigitValue(s[i], base);
    if (digit < 0) return std::nullopt;
    uint64_t d = static_cast<uint64_t>(digit);
    if (value > (limit - d) / static_cast<uint64_t>(base)) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + d;
  }
  return value;
}

// Moves i past a run of decimal digits and tells how many there were.
size_t SkipDigits(std::string_view s, size_t& i) {
  size_t first = i;
  while (i < s.size() && IsDigit(s[i]))
    ++i;
  return i - first;
}

// Whether s is a whole decimal real as PSStrToFloat describes it.
bool IsDecimalReal(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = SkipDigits(s, i);
  if (i < s.size() && s[i] == '.') digits += SkipDigits(s, ++i);
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (SkipDigits(s, i) == 0) return false;
  }
  return i == s.size();
}

// "1.5e-07" -> "1.5E-7", "1e+20" -> "1E20"; a text without exponent stays.
std::string ScriptExponent(std::string text) {
  size_t e = text.find('e');
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  bool negative = text[e + 1] == '-';
  size_t first = text.find_first_not_of('0', e + 2);
  return mantissa + "E" + (negative ? "-" : "") + text.substr(first);
}

// s padded to n characters with fill, in front or behind.
std::optional<std::string> Pad(std::string_view s, int32_t n, char fill, bool front, size_t limit) {
  if (n <= 0 || static_cast<size_t>(n) <= s.size()) return std::string(s);
  if (static_cast<size_t>(n) > limit) return std::nullopt;
  std::string padding(static_cast<size_t>(n) - s.size(), fill);
  return front ? padding.append(s) : std::string(s).append(padding);
}

std::optional<int32_t> ToInt32(long double whole) {
  if (!(whole >= std::numeric_limits<int32_t>::min() &&
        whole <= std::numeric_limits<int32_t>::max()))
    return std::nullopt;
  return static_cast<int32_t>(whole);
}

unsigned char Byte(char c) {
  return static_cast<unsigned char>(c);
}

}  // namespace

// --- Conversions ---

std::string PSIntToStr(int64_t i) {
  return std::to_string(i);
}

std::optional<int64_t> PSStrToInt64(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = ReadIntegerBase(s, i);
  const uint64_t maxPositive = std::numeric_limits<int64_t>::max();
  // -2^63 has one more unit of magnitude than 2^63 - 1.
  uint64_t limit = negative ? maxPositive + 1 : maxPositive;
  std::optional<uint64_t> magnitude = ReadMagnitude(s, i, base, limit);
  if (!magnitude) return std::nullopt;
  // Two's complement wrap gives the negative value, -2^63 included, without overflow.
  return static_cast<int64_t>(negative ? 0 - *magnitude : *magnitude);
}

std::optional<int32_t> PSParseInt32(std::string_view s) {
  std::optional<int64_t> value = PSStrToInt64(s);
  if (!value || *value < std::numeric_limits<int32_t>::min() ||
      *value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*value);
}

int32_t PSStrToInt(std::string_view s) {
  return PSParseInt32(s).value_or(-1);
}

int32_t PSStrToIntDef(std::string_view s, int32_t def) {
  return PSParseInt32(s).value_or(def);
}

std::string PSInvalidIntegerText(std::string_view s) {
  return "'" + std::string(s) + "' is not a valid integer value";
}

// strtold in the "C" locale, so that "." is the point whatever locale the process runs in.
std::optional<long double> PSStrToFloat(std::string_view s) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  if (!IsDecimalReal(s)) return std::nullopt;
  std::string copy(s);
  long double value = strtold_l(copy.c_str(), nullptr, cLocale);
  if (std::isinf(value)) return std::nullopt;
  return value;
}

std::string PSInvalidFloatText(std::string_view s) {
  return "'" + std::string(s) + "' is not a valid floating point value";
}

// to_chars's general form is printf's %g, which already switches to the exponent below
// -4 and at the precision; only the exponent's spelling differs.
std::string PSFloatToStr(long double e) {
  if (std::isnan(e)) return "NAN";
  if (std::isinf(e)) return e < 0 ? "-INF" : "INF";
  if (e == 0) return "0";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, e, std::chars_format::general, 15);
  return ScriptExponent(std::string(buf, ec == std::errc() ? end : buf));
}

// --- String editing ---

std::string PSCopy(std::string_view s, int32_t from, int32_t count) {
  size_t start = from < 1 ? 0 : static_cast<size_t>(from) - 1;
  if (count <= 0 || start >= s.size()) return {};
  return std::string(s.substr(start, static_cast<size_t>(count)));
}

int32_t PSPos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  size_t at = s.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}

void PSDelete(std::string& s, int32_t from, int32_t count) {
  if (from < 1 || static_cast<size_t>(from) > s.size() || count <= 0) return;
  s.erase(static_cast<size_t>(from) - 1, static_cast<size_t>(count));
}

void PSInsert(std::string_view src, std::string& s, int32_t pos) {
  size_t at = pos < 1 ? 0 : static_cast<size_t>(pos) - 1;
  s.insert(std::min(at, s.size()), src);
}

bool PSInStringRange(std::string_view s, int64_t index) {
  return index >= 1 && static_cast<uint64_t>(index) <= s.size();
}

// --- Case, trimming, padding ---

std::string PSUppercase(std::string s) {
  return UpperAscii(std::move(s));
}

std::string PSLowercase(std::string s) {
  return LowerAscii(std::move(s));
}

std::string PSAnsiUppercase(std::string s) {
  for (char& c : s) {
    unsigned char b = Byte(c);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
      c = static_cast<char>(b - 0x20);
  }
  return s;
}

std::string PSAnsiLowercase(std::string s) {
  for (char& c : s) {
    unsigned char b = Byte(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
      c = static_cast<char>(b + 0x20);
  }
  return s;
}

std::string PSTrim(std::string_view s) {
  size_t first = 0;
  size_t last = s.size();
  while (first < last && Byte(s[first]) < 33)
    ++first;
  while (last > first && Byte(s[last - 1]) < 33)
    --last;
  return std::string(s.substr(first, last - first));
}

std::optional<std::string> PSPadl(std::string_view s, int32_t n, size_t limit) {
  return Pad(s, n, ' ', true, limit);
}

std::optional<std::string> PSPadr(std::string_view s, int32_t n, size_t limit) {
  return Pad(s, n, ' ', false, limit);
}

std::optional<std::string> PSPadz(std::string_view s, int32_t n, size_t limit) {
  return Pad(s, n, '0', true, limit);
}

std::optional<std::string> PSReplicate(char c, int32_t n, size_t limit) {
  if (n <= 0) return std::string();
  if (static_cast<size_t>(n) > limit) return std::nullopt;
  return std::string(static_cast<size_t>(n), c);
}

// --- Numbers ---

// e - floor(e) is exact in binary floating point, so the half is found without error.
std::optional<int32_t> PSRound(long double e) {
  if (!std::isfinite(e)) return std::nullopt;
  long double below = std::floor(e);
  long double fraction = e - below;
  bool up = fraction > 0.5L || (fraction == 0.5L && std::fmod(below, 2.0L) != 0);
  return ToInt32(up ? below + 1 : below);
}

std::optional<int32_t> PSTrunc(long double e) {
  return ToInt32(std::trunc(e));
}

long double PSInt(long double e) {
  return std::trunc(e);
}

long double PSAbs(long double e) {
  return std::fabs(e);
}

long double PSSqrt(long double e) {
  return std::sqrt(e);
}

long double PSSin(long double e) {
  return std::sin(e);
}

long double PSCos(long double e) {
  return std::cos(e);
}

long double PSPi() {
  return std::numbers::pi_v<long double>;
}
