// The 7-digit time form and the result form, including times the forms cannot hold.
#include "gui/time_display.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct TimeForms {
  int32_t ms;
  std::string digits, result;
  bool operator==(const TimeForms&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TimeForms& t) {
  return out << t.ms << " ms: " << t.digits << " / " << t.result;
}

TEST(TimeDisplay, forms_of_run_times_with_clamping) {
  const std::vector<TimeForms> expected = {
      {83456, "0123456", "01:23:45"},      // 1 min 23.456 s
      {0, "0000000", "00:00:00"},          //
      {9, "0000009", "00:00:00"},          // below a hundredth
      {59999, "0059999", "00:59:99"},      // the last millisecond of the first minute
      {60000, "0100000", "01:00:00"},      //
      {600000, "1000000", "10:00:00"},     // two minute digits
      {5999999, "9959999", "99:59:99"},    // the longest time the forms hold
      {6000000, "9959999", "99:59:99"},    // 100 minutes: stays at the longest
      {INT32_MAX, "9959999", "99:59:99"},  //
      {-1, "0000000", "00:00:00"},         // negative times show zero
      {INT32_MIN, "0000000", "00:00:00"},  //
  };
  std::vector<TimeForms> actual;
  for (const TimeForms& t : expected)
    actual.push_back({t.ms, FormatTime(t.ms), ResultTime(t.ms)});
  EXPECT_EQ(actual, expected);
}

}  // namespace
