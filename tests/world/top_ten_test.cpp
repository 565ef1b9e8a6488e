// Where a finishing time lands in the top ten, and what moves down or drops out.
#include "world/top_ten.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Entries = std::vector<std::string>;  // "time name", best first, up to the first empty

TTopTen TableOf(const Entries& entries) {
  TTopTen table;
  for (size_t i = 0; i < entries.size(); ++i) {
    size_t blank = entries[i].find(' ');
    table.Time[i] = std::stoi(entries[i].substr(0, blank));
    table.Name[i] = entries[i].substr(blank + 1);
  }
  return table;
}

Entries EntriesOf(const TTopTen& table) {
  Entries entries;
  for (size_t i = 0; i < table.Time.size() && table.Time[i] != 0; ++i)
    entries.push_back(std::to_string(table.Time[i]) + " " + table.Name[i]);
  return entries;
}

TEST(TopTen, a_time_goes_after_equal_ones_and_the_tenth_drops_out) {
  const Entries ten = {"100 A", "200 B", "300 C", "400 D", "500 E",
                       "600 F", "700 G", "800 H", "900 I", "1000 J"};
  struct Case {
    Entries before;
    int32_t time;
    int place;
    Entries after;  // once the entry is put at its place, when that is 1 to 10
  };
  const std::vector<Case> cases = {
      {{}, 500, 1, {"500 New"}},
      {{"500 A", "500 B", "600 C"}, 500, 3, {"500 A", "500 B", "500 New", "600 C"}},
      {ten,
       50,
       1,
       {"50 New", "100 A", "200 B", "300 C", "400 D", "500 E", "600 F", "700 G", "800 H", "900 I"}},
      {ten,
       999,
       10,
       {"100 A", "200 B", "300 C", "400 D", "500 E", "600 F", "700 G", "800 H", "900 I",
        "999 New"}},
      {ten, 1000, 11, ten},
  };
  for (const Case& c : cases) {
    TTopTen table = TableOf(c.before);
    const int place = table.PlaceOf(c.time);
    table.Insert(place, c.time, "New");  // place 11 is no place: nothing changes
    EXPECT_EQ(std::make_pair(place, EntriesOf(table)), std::make_pair(c.place, c.after)) << c.time;
  }
}

}  // namespace
