// The text form of numbers in the game's files. The decimal point is always "."
// whatever the locale, so files move between machines unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Fixed notation with four decimals, then trailing zeros and a trailing point dropped:
// 1.5 -> "1.5", 2 -> "2", 1234.56789 -> "1234.5679". A value that rounds to zero prints
// "0", never "-0". Infinities and NaN print as "inf", "-inf" and "nan".
std::string FloatToText(double v);

// An optional sign, digits, an optional "." with fraction digits and an optional exponent
// "E" or "e" with an optional sign; at least one digit before or after the point. The
// whole text must match. Rounded once to single precision; a magnitude too small for a
// single rounds to zero. Nothing when the text does not match or the value overflows.
std::optional<float> TextToFloat(std::string_view text);

// A whole number: an optional sign, then decimal digits, or hexadecimal after "$" or
// "0x" (up to 32 bits, so "$FFFFFFFF" is -1). The whole text must match. Nothing for any
// other text or an overflow.
std::optional<int32_t> TextToInteger(std::string_view text);

// The value of c as a digit of base (10 or 16, either letter case), or -1.
int DigitValue(char c, int base);
// Moves i past a "$" or "0x"/"0X" prefix at i and gives the base it announces: 16, or
// 10 without a prefix.
int ReadIntegerBase(std::string_view text, size_t& i);
