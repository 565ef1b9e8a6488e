// The top ten of the level now loaded: finishing times in hundredths of a second, best
// first, 0 marking an empty entry.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct TTopTen {
  static constexpr int kPlaces = 10;

  std::array<int32_t, kPlaces> Time{};
  std::array<std::string, kPlaces> Name;

  void Clear();
  // The place (1 to 10) that a time of `hundredths` takes: after every entry that is
  // better or equal. kPlaces + 1 when the ten entries all are.
  int PlaceOf(int32_t hundredths) const;
  // Puts the entry at `place` (1 to 10); the entries from there move one place down and
  // the tenth drops out.
  void Insert(int place, int32_t hundredths, const std::string& name);
};

extern TTopTen TopTen;
// The best time in milliseconds: 10 x the first time when a level is loaded, the exact
// run time when a run takes the first place.
extern int32_t BestTime;
