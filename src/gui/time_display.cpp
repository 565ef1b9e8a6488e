// The time texts: the 7-digit form, the result form, the last-apple form and the
// digit-image display.
//
// Times outside 0 .. 99:59.999 are clamped into that range. The forms have room for two
// minute digits only; a longer or negative time would shift every digit (or show a minus
// sign) instead of counting on, so a run that lasts over 100 minutes stays at 99:59:99.
#include "gui/time_display.h"

#include <algorithm>
#include <cstdio>

#include "gui/gui_resources.h"

namespace {

constexpr int32_t kLongestTime = 99 * 60000 + 59999;  // ms
constexpr float kDigitWidth = 16, kDigitHeight = 39;
constexpr int kColonFrame = 11;

}  // namespace

std::string FormatTime(int32_t ms) {
  ms = std::clamp(ms, 0, kLongestTime);
  const int minutes = ms / 60000;
  const int seconds = ms % 60000 / 1000;
  const int millis = ms % 1000;
  char text[40];  // room for any int, so the compiler sees no truncation
  std::snprintf(text, sizeof text, "%02d%02d%03d", minutes, seconds, millis);
  return text;
}

std::string ResultTime(int32_t ms) {
  const std::string d = FormatTime(ms);
  return d.substr(0, 2) + ":" + d.substr(2, 2) + ":" + d.substr(4, 2);
}

std::string ShortTime(int32_t ms) {
  const std::string text = ResultTime(ms);
  size_t start = 0;
  for (size_t digit : {0u, 1u, 3u}) {  // where the first three digits stand
    if (text[digit] != '0') break;
    start = digit + 1;
    if (text[start] == ':') ++start;
  }
  return text.substr(start);
}

void DrawTimeDigits(int32_t ms, float x, float y) {
  if (!DigitsTexture) return;
  const std::string text = ResultTime(ms);
  for (size_t i = 0; i < text.size(); ++i) {
    const int frame = text[i] == ':' ? kColonFrame : text[i] - '0' + 1;
    asprite2d_Draw(DigitsTexture, x + kDigitWidth * float(i), y, kDigitWidth, kDigitHeight, 0,
                   frame, 255);
  }
}
