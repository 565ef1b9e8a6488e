// The top ten of the level now loaded: finishing times in hundredths of a second, best
// first, 0 marking an empty entry.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct TTopTen {
  std::array<int32_t, 10> Time{};
  std::array<std::string, 10> Name;

  void Clear();
};

extern TTopTen TopTen;
// The best time in milliseconds: 10 x the first time when a level is loaded.
extern int32_t BestTime;
