// The cores of the built-in string and number routines of the script language, on plain
// 8-bit strings and numbers. The executor's routine handlers read their arguments, call
// these and turn an empty result into the script exception the routine raises; nothing
// here knows the stack or the executor.
//
// Positions are 1-based, as scripts count them. Texts are byte strings; a byte is a
// character, and case rules beyond ASCII are those of Latin-1, the game's 8-bit text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The longest string Replicate and the Pad routines build (64 MiB); a longer result is
// refused before anything is allocated, and the executor raises its memory error.
inline constexpr size_t kPSMaxBuiltinString = size_t{64} << 20;

// The parameter of the erCustomError that StrGet, StrSet, WStrGet and WStrSet raise.
inline constexpr std::string_view kPSOutOfStringRange = "Out of string range";

// --- Conversions ---

// IntToStr and Int64ToStr: the decimal text of i, "-" before a negative value.
std::string PSIntToStr(int64_t i);

// An optional "+" or "-", then decimal digits, or hexadecimal digits after "$" or "0x"
// ("0X"), in either case. The whole text must match: no blanks, nothing after the digits.
// Hexadecimal is a value like decimal, so "$FFFFFFFF" is 4294967295, not -1. Nothing when
// the text does not match or the value lies outside the 64-bit signed range.
std::optional<int64_t> PSStrToInt64(std::string_view s);
// The same text rules for the 32-bit signed range: the one parser behind StrToInt and
// StrToIntDef.
std::optional<int32_t> PSParseInt32(std::string_view s);
// StrToInt: the value of s, or -1 when it does not convert (so "-1" and "x" look alike).
int32_t PSStrToInt(std::string_view s);
// StrToIntDef: the value of s, or def when it does not convert.
int32_t PSStrToIntDef(std::string_view s, int32_t def);
// "'s' is not a valid integer value": the parameter StrToInt64 raises with.
std::string PSInvalidIntegerText(std::string_view s);

// StrToFloat: an optional sign, digits with an optional "." (at least one digit on one
// side of it), then an optional "E" or "e" with an optional sign and digits. "." is the
// point whatever the process locale. The whole text must match: no blanks around it, no
// "inf", "nan" or hexadecimal. A value too large for long double does not convert; one
// too small rounds toward zero.
std::optional<long double> PSStrToFloat(std::string_view s);
// "'s' is not a valid floating point value": the parameter StrToFloat raises with.
std::string PSInvalidFloatText(std::string_view s);

// FloatToStr: 15 significant digits, trailing zeros and a trailing point dropped, "."
// as the point. Scientific form when the decimal exponent is below -4 or at least 15
// (more than 15 digits before the point): "E", a "-" for a negative exponent, no padding
// (1e20 -> "1E20", 1.5e-7 -> "1.5E-7", 0.0001 -> "0.0001", 1e14 -> "100000000000000").
// Negative zero prints "0"; NaN and the infinities print "NAN", "INF" and "-INF".
std::string PSFloatToStr(long double e);

// --- String editing ---

// Copy: count characters of s from position from, cut at the end of s. A position below
// 1 starts at 1 without shortening count; a position past the end or a count of 0 or
// less gives "".
std::string PSCopy(std::string_view s, int32_t from, int32_t count);
// Pos: the position of the first occurrence of sub in s; 0 when absent or sub is empty.
int32_t PSPos(std::string_view sub, std::string_view s);
// Delete: removes count characters of s from position from, up to the end of s. Nothing
// happens when from lies outside 1..Length(s) or count is 0 or less.
void PSDelete(std::string& s, int32_t from, int32_t count);
// Insert: puts src into s before position pos. A position below 1 puts it in front, one
// past the end appends it.
void PSInsert(std::string_view src, std::string& s, int32_t pos);
// StrGet and StrSet: whether index names a character of s (1 <= index <= Length(s)).
bool PSInStringRange(std::string_view s, int64_t index);

// --- Case, trimming, padding ---

// Uppercase and Lowercase: only the ASCII letters change; other bytes stay as they are.
std::string PSUppercase(std::string s);
std::string PSLowercase(std::string s);
// AnsiUppercase and AnsiLowercase: the ASCII letters and the Latin-1 letters from 0xC0
// to 0xFE change, fixed whatever the process locale. The byte pairs are 0xE0..0xFE and
// 0xC0..0xDE except the signs 0xF7 and 0xD7; 0xDF (sharp s), 0xFF (y with diaeresis) and
// 0xB5 (micro sign) have no partner in Latin-1 and stay.
std::string PSAnsiUppercase(std::string s);
std::string PSAnsiLowercase(std::string s);
// Trim: s without its leading and trailing bytes below 33 (control bytes and space;
// bytes from 0x80 count as letters and stay).
std::string PSTrim(std::string_view s);

// Padl, Padr and Padz: s with spaces in front, spaces behind, or "0" characters in front
// up to length n; s unchanged when it already has n characters or more (any n below 1).
// Nothing when n exceeds limit.
std::optional<std::string> PSPadl(std::string_view s, int32_t n,
                                  size_t limit = kPSMaxBuiltinString);
std::optional<std::string> PSPadr(std::string_view s, int32_t n,
                                  size_t limit = kPSMaxBuiltinString);
std::optional<std::string> PSPadz(std::string_view s, int32_t n,
                                  size_t limit = kPSMaxBuiltinString);
// Replicate and StringOfChar: n copies of c, "" for n below 1. Nothing when n exceeds
// limit.
std::optional<std::string> PSReplicate(char c, int32_t n, size_t limit = kPSMaxBuiltinString);

// --- Numbers ---

// Round: the nearest integer, an exact half to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2), which is what the C library's default rounding mode does; computed without
// reading the floating-point environment, so a changed mode cannot alter a replay.
// Nothing for NaN or a result outside the 32-bit signed range; the caller raises its math
// error then.
std::optional<int32_t> PSRound(long double e);
// Trunc: the integer part toward zero; nothing as for Round.
std::optional<int32_t> PSTrunc(long double e);
// Int: the integer part toward zero, as a float (NaN and infinities pass through).
long double PSInt(long double e);
// Abs, Sqrt, Sin and Cos (radians) on long double; Sqrt of a negative value gives NaN.
long double PSAbs(long double e);
long double PSSqrt(long double e);
long double PSSin(long double e);
long double PSCos(long double e);
// Pi to long double precision.
long double PSPi();
