#include "world/top_ten.h"

#include <algorithm>

TTopTen TopTen;
int32_t BestTime = 0;

void TTopTen::Clear() {
  Time.fill(0);
  Name.fill("");
}

int TTopTen::PlaceOf(int32_t hundredths) const {
  int place = 1;
  while (place <= kPlaces && Time[place - 1] != 0 && Time[place - 1] <= hundredths)
    ++place;
  return place;
}

void TTopTen::Insert(int place, int32_t hundredths, const std::string& name) {
  if (place < 1 || place > kPlaces) return;
  const size_t at = size_t(place - 1);
  std::move_backward(Time.begin() + at, Time.end() - 1, Time.end());
  std::move_backward(Name.begin() + at, Name.end() - 1, Name.end());
  Time[at] = hundredths;
  Name[at] = name;
}
