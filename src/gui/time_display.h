// The forms in which run times appear.
#pragma once

#include <cstdint>
#include <string>

// Minutes, two-digit seconds and three-digit milliseconds, padded with "0" in front to
// 7 characters: 1 min 23.456 s is "0123456".
std::string FormatTime(int32_t ms);
// "mm:ss:hh" (minutes, seconds, hundredths) from the first six digits of FormatTime:
// 1 min 23.456 s is "01:23:45".
std::string ResultTime(int32_t ms);
// The last-apple form: the result form without the "0" digits that lead its first three
// digits, nor a ":" that would then come first: 12.340 s is "12:34", 5.67 s "5:67" and
// 75.5 s "1:15:50".
std::string ShortTime(int32_t ms);
// The six digits of the result form drawn from the digit strip (16 x 39 cells, frame
// digit + 1, frame 11 the colon) with its top-left corner at (x, y), in screen space.
void DrawTimeDigits(int32_t ms, float x, float y);
