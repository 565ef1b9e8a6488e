// The 7-digit time form, the result form and the last-apple form, including times the
// forms cannot hold.
#include "gui/time_display.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct TimeForms {
  int32_t ms;
  std::string digits, result, last;
  bool operator==(const TimeForms&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TimeForms& t) {
  return out << t.ms << " ms: " << t.digits << " / " << t.result << " / " << t.last;
}

TEST(TimeDisplay, forms_of_run_times_with_clamping) {
  const std::vector<TimeForms> expected = {
      {83456, "0123456", "01:23:45", "1:23:45"},       // 1 min 23.456 s
      {12340, "0012340", "00:12:34", "12:34"},         // the leading zeros go with their ":"
      {5670, "0005670", "00:05:67", "5:67"},           //
      {75500, "0115500", "01:15:50", "1:15:50"},       //
      {500, "0000500", "00:00:50", "0:50"},            // only the first three digits drop
      {0, "0000000", "00:00:00", "0:00"},              //
      {9, "0000009", "00:00:00", "0:00"},              // below a hundredth
      {59999, "0059999", "00:59:99", "59:99"},         // the last ms of the first minute
      {60000, "0100000", "01:00:00", "1:00:00"},       //
      {600000, "1000000", "10:00:00", "10:00:00"},     // two minute digits
      {5999999, "9959999", "99:59:99", "99:59:99"},    // the longest time the forms hold
      {6000000, "9959999", "99:59:99", "99:59:99"},    // 100 minutes: stays at the longest
      {INT32_MAX, "9959999", "99:59:99", "99:59:99"},  //
      {-1, "0000000", "00:00:00", "0:00"},             // negative times show zero
      {INT32_MIN, "0000000", "00:00:00", "0:00"},      //
  };
  std::vector<TimeForms> actual;
  for (const TimeForms& t : expected)
    actual.push_back({t.ms, FormatTime(t.ms), ResultTime(t.ms), ShortTime(t.ms)});
  EXPECT_EQ(actual, expected);
}

}  // namespace
