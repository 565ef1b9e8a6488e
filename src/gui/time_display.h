// The three forms in which run times appear.
#pragma once

#include <cstdint>
#include <string>

// Minutes, two-digit seconds and three-digit milliseconds, padded with "0" in front to
// 7 characters: 1 min 23.456 s is "0123456".
std::string FormatTime(int32_t ms);
// "mm:ss:hh" (minutes, seconds, hundredths) from the first six digits of FormatTime:
// 1 min 23.456 s is "01:23:45".
std::string ResultTime(int32_t ms);
// The six digits of the result form drawn from the digit strip (16 x 39 cells, frame
// digit + 1, frame 11 the colon) with its top-left corner at (x, y), in screen space.
void DrawTimeDigits(int32_t ms, float x, float y);
