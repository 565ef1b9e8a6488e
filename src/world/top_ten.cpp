#include "world/top_ten.h"

TTopTen TopTen;
int32_t BestTime = 0;

void TTopTen::Clear() {
  Time.fill(0);
  Name.fill("");
}
