// The cores of the built-in string and number routines: conversions both ways, editing
// by 1-based positions, case, trimming, padding and rounding.
#include "script/builtin_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace {

using Cases = std::pair<std::string, std::string>[];

template <typename T>
std::string Show(const std::optional<T>& value) {
  if (!value) return "none";
  if constexpr (std::is_same_v<T, std::string>) {
    return "'" + *value + "'";
  } else {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, *value).ptr);
  }
}

// The text of each integer conversion of s: "Int64 Int32 StrToInt StrToIntDef(s, 7)".
std::string Converted(const std::string& s) {
  return Show(PSStrToInt64(s)) + " " + Show(PSParseInt32(s)) + " " + std::to_string(PSStrToInt(s)) +
         " " + std::to_string(PSStrToIntDef(s, 7));
}

std::string Deleted(std::string s, int32_t from, int32_t count) {
  PSDelete(s, from, count);
  return s;
}

std::string Inserted(const std::string& src, std::string s, int32_t pos) {
  PSInsert(src, s, pos);
  return s;
}

}  // namespace

TEST(BuiltinText, integer_texts_convert_whole_or_not_at_all) {
  const Cases cases = {
      {"0", "0 0 0 0"},
      {"+5", "5 5 5 5"},
      {"-17", "-17 -17 -17 -17"},
      {"$FF", "255 255 255 255"},
      {"-$10", "-16 -16 -16 -16"},
      {"0x1f", "31 31 31 31"},
      {"0X1F", "31 31 31 31"},
      {"2147483647", "2147483647 2147483647 2147483647 2147483647"},
      {"-2147483648", "-2147483648 -2147483648 -2147483648 -2147483648"},
      {"2147483648", "2147483648 none -1 7"},
      {"$FFFFFFFF", "4294967295 none -1 7"},
      {"9223372036854775807", "9223372036854775807 none -1 7"},
      {"-9223372036854775808", "-9223372036854775808 none -1 7"},
      {"-$8000000000000000", "-9223372036854775808 none -1 7"},
      {"9223372036854775808", "none none -1 7"},
      {"$8000000000000000", "none none -1 7"},
      {"999999999999999999999", "none none -1 7"},
  };
  for (const auto& [text, want] : cases)
    EXPECT_EQ(Converted(text), want) << text;
  for (std::string junk : {"", "x", " 5", "5 ", "12a", "1.5", "$", "0x", "$-5", "--5", "+", "-"})
    EXPECT_EQ(Converted(junk), "none none -1 7") << "'" << junk << "'";

  EXPECT_EQ(
      PSIntToStr(0) + " " + PSIntToStr(-5) + " " + PSIntToStr(std::numeric_limits<int64_t>::min()),
      "0 -5 -9223372036854775808");
  EXPECT_EQ(PSInvalidIntegerText("1x"), "'1x' is not a valid integer value");
}

TEST(BuiltinText, real_texts_convert_whole_or_not_at_all) {
  const Cases cases = {
      {"1.5", "1.5"},    {"-2.5e3", "-2500"}, {".5", "0.5"},    {"5.", "5"},      {"+3E-2", "0.03"},
      {"1e-99999", "0"}, {"1e99999", "none"}, {"", "none"},     {" 1", "none"},   {"1 ", "none"},
      {"1,5", "none"},   {".", "none"},       {"e5", "none"},   {"1e", "none"},   {"1e+", "none"},
      {"inf", "none"},   {"nan", "none"},     {"0x10", "none"}, {"1.5x", "none"}, {"-", "none"},
  };
  for (const auto& [text, want] : cases)
    EXPECT_EQ(Show(PSStrToFloat(text)), want) << text;
  EXPECT_EQ(PSInvalidFloatText("a"), "'a' is not a valid floating point value");
}

TEST(BuiltinText, floats_print_in_the_general_format) {
  const std::pair<long double, std::string> cases[] = {
      {0.1, "0.1"},
      {1.0L, "1"},
      {-2.5L, "-2.5"},
      {-0.0L, "0"},
      {1e20L, "1E20"},
      {-1.5e-7L, "-1.5E-7"},
      {1e14L, "100000000000000"},
      {1e15L, "1E15"},
      {999999999999999.5L, "1E15"},
      {0.0001L, "0.0001"},
      {0.00001L, "1E-5"},
      {2.0L / 3, "0.666666666666667"},
      {123456789012345678.0L, "1.23456789012346E17"},
      {1e-300L, "1E-300"},
      {1e4000L, "1E4000"},
      {std::nanl(""), "NAN"},
      {-HUGE_VALL, "-INF"},
  };
  for (const auto& [value, want] : cases)
    EXPECT_EQ(PSFloatToStr(value), want) << want;
}

TEST(BuiltinText, editing_counts_positions_from_one_and_clips) {
  const int32_t kMax = std::numeric_limits<int32_t>::max();
  auto pos = [](const char* sub, const char* s) { return std::to_string(PSPos(sub, s)); };
  const Cases cases = {
      {PSCopy("abc", 5, 2), ""},
      {PSCopy("abc", 4, 1), ""},
      {PSCopy("abc", 2, 10), "bc"},
      {PSCopy("abc", 0, 2), "ab"},
      {PSCopy("abc", -5, 1), "a"},
      {PSCopy("abc", 2, 0), ""},
      {PSCopy("abc", 2, -1), ""},
      {PSCopy("abc", 1, kMax), "abc"},
      {pos("b", "abc"), "2"},
      {pos("", "abc"), "0"},
      {pos("x", "abc"), "0"},
      {pos("abc", "ab"), "0"},
      {pos("ab", "abab"), "1"},
      {pos("c", "abc"), "3"},
      {pos("", ""), "0"},
      {Deleted("abcde", 2, 2), "ade"},
      {Deleted("abcde", 0, 2), "abcde"},
      {Deleted("abcde", 6, 1), "abcde"},
      {Deleted("abcde", 5, 9), "abcd"},
      {Deleted("abcde", 1, 0), "abcde"},
      {Deleted("abcde", 1, kMax), ""},
      {Inserted("XY", "abc", 1), "XYabc"},
      {Inserted("XY", "abc", 2), "aXYbc"},
      {Inserted("XY", "abc", 4), "abcXY"},
      {Inserted("XY", "abc", 9), "abcXY"},
      {Inserted("XY", "abc", -3), "XYabc"},
      {Inserted("XY", "", 1), "XY"},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;

  std::string inRange;
  for (int64_t index : {int64_t{-1}, int64_t{0}, int64_t{1}, int64_t{3}, int64_t{4},
                        std::numeric_limits<int64_t>::max()})
    inRange += PSInStringRange("abc", index) ? "1" : "0";
  EXPECT_EQ(inRange, "001100");
  EXPECT_EQ(kPSOutOfStringRange, "Out of string range");
}

// Latin-1 bytes are written in octal, which stops after three digits: \344 is a-umlaut,
// \304 its capital, \337 sharp s, \377 y-diaeresis, \367 and \327 the division and
// multiplication signs.
TEST(BuiltinText, case_trim_and_padding_work_on_bytes) {
  const int32_t kMax = std::numeric_limits<int32_t>::max();
  const Cases cases = {
      {PSUppercase("\344b`az{"), "\344B`AZ{"},
      {PSLowercase("\304@AZ["), "\304@az["},
      {PSAnsiUppercase("\344b\340\376\367\337\377\265"), "\304B\300\336\367\337\377\265"},
      {PSAnsiLowercase("\304B\300\336\327\337\237"), "\344b\340\376\327\337\237"},
      {PSTrim(" \t\r\n a b \001"), "a b"},
      {PSTrim(std::string("\0a\0", 3)), "a"},
      {PSTrim("\240a\200"), "\240a\200"},
      {PSTrim(" \037 "), ""},
      {Show(PSPadl("abcde", 3)), "'abcde'"},
      {Show(PSPadz("7", 3)), "'007'"},
      {Show(PSPadl("ab", 4)), "'  ab'"},
      {Show(PSPadr("ab", 4)), "'ab  '"},
      {Show(PSPadz("-7", 4)), "'00-7'"},
      {Show(PSPadr("ab", -1)), "'ab'"},
      {Show(PSPadl("ab", 5, 4)), "none"},
      {Show(PSPadl("abcdef", 5, 4)), "'abcdef'"},
      {Show(PSReplicate('x', 3)), "'xxx'"},
      {Show(PSReplicate('x', -2)), "''"},
      {Show(PSReplicate('x', 4, 4)), "'xxxx'"},
      {Show(PSReplicate('x', 5, 4)), "none"},
      {Show(PSReplicate('x', kMax)), "none"},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

TEST(BuiltinText, rounding_takes_halves_to_even_and_refuses_overflow) {
  // Each value with "Round Trunc".
  const std::pair<long double, std::string> cases[] = {
      {2.5L, "2 2"},
      {3.5L, "4 3"},
      {-2.5L, "-2 -2"},
      {-3.5L, "-4 -3"},
      {0.5L, "0 0"},
      {2.5000001L, "3 2"},
      {-0.4L, "0 0"},
      {-2.9L, "-3 -2"},
      {2147483647.4L, "2147483647 2147483647"},
      {2147483647.5L, "none 2147483647"},
      {-2147483648.5L, "-2147483648 -2147483648"},
      {-2147483648.9L, "none -2147483648"},
      {2147483648.0L, "none none"},
      {std::nanl(""), "none none"},
      {HUGE_VALL, "none none"},
  };
  for (const auto& [value, want] : cases)
    EXPECT_EQ(Show(PSRound(value)) + " " + Show(PSTrunc(value)), want) << PSFloatToStr(value);

  std::string math;
  for (long double e : {PSInt(-2.9L), PSAbs(-1.5L), PSSqrt(2.25L), PSSqrt(-1), PSSin(PSPi() / 6),
                        PSCos(PSPi()), PSPi()})
    math += PSFloatToStr(e) + " ";
  EXPECT_EQ(math, "-2 1.5 1.5 NAN 0.5 -1 3.14159265358979 ");
}
