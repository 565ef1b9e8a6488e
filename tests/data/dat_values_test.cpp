// Typed reads of parameter values and the text form of real numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "data/dat_file.h"
#include "data/real_text.h"

namespace {

TDatParam Value(const std::string& value) {
  TDatParam p;
  p.Name = "Key";
  p.Value = value;
  return p;
}

}  // namespace

TEST(DatValues, as_integer_reads_decimal_and_hex_or_gives_the_default) {
  const int32_t d = 77;
  const struct {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"-5", -5},
      {"+7", 7},
      {"007", 7},
      {"$1F", 31},
      {"0x1f", 31},
      {"0X1F", 31},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", d},
      {"-2147483649", d},
      {"$100000000", d},
      {"99999999999999999999", d},
      {"12abc", d},
      {"", d},
      {"  ", d},
      {" 5", d},
      {"-", d},
      {"$", d},
      {"0x", d},
      {"0x1g", d},
      {"1.0", d},
      {"1e3", d},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Value(c.text).AsInteger(d), c.expected) << c.text;
}

TEST(DatValues, as_float_reads_decimal_reals_or_gives_the_default) {
  const float d = -99.5f;
  const float justAboveOne = std::nextafter(1.0f, 2.0f);
  const struct {
    const char* text;
    float expected;
  } cases[] = {
      {"1e3", 1000.0f},
      {".5", 0.5f},
      {"5.", 5.0f},
      {"-2.25", -2.25f},
      {"+3", 3.0f},
      {"2.5E+1", 25.0f},
      {"1e-2", 0.01f},
      {"0.1", 0.1f},
      {"16777217", 16777216.0f},
      {"1e-50", 0.0f},
      // Just above the midpoint between 1 and the next single: rounding through a
      // double would land on the midpoint and then round down to 1.
      {"1.00000005960464477539062500000001", justAboveOne},
      {"1,5", d},
      {"-", d},
      {"1e", d},
      {"1e+", d},
      {"  ", d},
      {"", d},
      {".", d},
      {"1..2", d},
      {"1.2.3", d},
      {"0x10", d},
      {"inf", d},
      {"nan", d},
      {"1e39", d},
      {" 1", d},
      {"1 ", d},
      {"e5", d},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Value(c.text).AsFloat(d), c.expected) << c.text;
}

TEST(DatValues, as_bool_reads_true_words_and_integers) {
  const struct {
    const char* text;
    bool withFalse;  // AsBool(false)
    bool withTrue;   // AsBool(true)
  } cases[] = {
      {"True", true, true},    {"TRUE", true, true},  {"true", true, true},
      {"False", false, false}, {"yes", false, false}, {"1", true, true},
      {"0", false, false},     {"-2", true, true},    {"", false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Value(c.text).AsBool(false), c.withFalse) << c.text;
    EXPECT_EQ(Value(c.text).AsBool(true), c.withTrue) << c.text;
  }
}

TEST(DatValues, null_param_gives_every_default) {
  TDat dat;
  const TDatParam& missing = dat.Param("FullScreen");
  EXPECT_TRUE(missing.IsNull);
  EXPECT_EQ(missing.AsString("dflt"), "dflt");
  EXPECT_EQ(missing.AsInteger(203), 203);
  EXPECT_EQ(missing.AsFloat(1.5f), 1.5f);
  EXPECT_EQ(missing.AsBool(true), true);
  EXPECT_EQ(Value("").AsString("dflt"), "");
}

TEST(RealText, four_decimals_without_trailing_zeros) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {1, "1"},
      {1.5, "1.5"},
      {-2.25, "-2.25"},
      {1234.56789, "1234.5679"},
      {0.00004, "0"},
      {1e7, "10000000"},
      {-0.00001, "0"},
      {-0.0, "0"},
      {0.1f, "0.1"},
      {-1.00004, "-1"},
      {100, "100"},
      {0.00006, "0.0001"},
      {2.5e-3, "0.0025"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToText(c.value), c.text) << c.value;
}
