// Key lists at and between keys, before and after them, and the single-precision spline.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "anim/anim_play.h"

namespace {

struct KeyCase {
  std::string what;
  RigKeyList keys;
  float t;
  float expected1, expected2;
};

// Value2 starts at -99 so that a list that writes nothing shows.
std::pair<float, float> Eval(const RigKeyList& keys, float t, bool twoValues) {
  float v1 = -99, v2 = -99;
  EvalKeys(keys, t, twoValues, v1, v2);
  return {v1, v2};
}

TEST(EvalKeys, values_at_between_before_and_after_keys) {
  const RigKeyList linear = {{10, 1, 0, 1000}, {20, 1, 100, 2000}};
  const RigKeyList step = {{10, 0, 5, 50}, {20, 0, 7, 70}, {30, 0, 9, 90}};
  // Spline keys: P at 0, A at 10, B at 13, N at 20.
  const RigKeyList spline = {{0, 2, 0, 2}, {10, 2, 1, 5}, {13, 2, 3, -1}, {20, 2, 10, 7}};
  const KeyCase cases[] = {
      {"one key before it", {{5, 2, 3, 4}}, 0, 3, 4},
      {"one key at it", {{5, 2, 3, 4}}, 5, 3, 4},
      {"one key after it", {{5, 2, 3, 4}}, 1e6f, 3, 4},
      {"linear halfway", linear, 15, 50, 1500},
      {"linear a quarter", linear, 12.5f, 25, 1250},
      {"linear before the first", linear, 0, 0, 1000},
      {"linear at the first", linear, 10, 0, 1000},
      {"linear at the last", linear, 20, 100, 2000},
      {"linear after the last", linear, 25, 100, 2000},
      {"step holds the earlier key", step, 19.9f, 5, 50},
      {"step at a key", step, 20, 7, 70},
      {"step between later keys", step, 29, 7, 70},
      {"spline on consecutive frames is linear", {{4, 2, 10, 0}, {5, 2, 20, 8}}, 4.25f, 12.5f, 2},
      {"undefined type on consecutive frames is linear",
       {{4, 9, 10, 0}, {5, 0, 20, 8}},
       4.5f,
       15,
       4},
      {"undefined type far apart is a spline",
       {{0, 7, 0, 0}, {2, 0, 20, 0}, {3, 0, 100, 0}},
       1,
       5,
       0},
      {"spline with both neighbours", spline, 11, 0x1.684bdcp+0f, 0x1.92f684p+1f},
      {"spline at its end key", spline, 13, 3, -1},
  };
  for (const KeyCase& c : cases) {
    EXPECT_EQ(Eval(c.keys, c.t, true), std::make_pair(c.expected1, c.expected2)) << c.what;
  }
}

TEST(EvalKeys, spline_without_neighbours_uses_the_end_keys) {
  // Without a key before A, p0 is A; without one after B, p3 is B.
  const RigKeyList keys = {{10, 2, 1, 0}, {13, 2, 3, 0}};
  EXPECT_EQ(Eval(keys, 12, false).first, 0x1.3425fp+1f);
}

TEST(EvalKeys, writes_nothing_it_was_not_asked_for) {
  EXPECT_EQ(Eval({}, 5, true), std::make_pair(-99.0f, -99.0f)) << "empty list";
  EXPECT_EQ(Eval({{5, 1, 3, 4}}, 5, false), std::make_pair(3.0f, -99.0f)) << "one value";
}

TEST(EvalKeys, keys_far_apart_do_not_overflow) {
  const RigKeyList keys = {{-2147483647 - 1, 1, 0, 0}, {2147483647, 1, 100, 0}};
  EXPECT_EQ(Eval(keys, 0, false).first, 50.0f);
}

struct SplineCase {
  std::string what;
  float d, e, p3, p2, p1, p0;
  SplineGuard guard;
  float expected;
};

TEST(Spline, single_precision_values) {
  // Expected values follow the formula with every step rounded to single precision; the
  // odd ones differ in their last bit from the same formula worked in double.
  const SplineCase cases[] = {
      {"exact halfway", 2, 1, 40, 20, 10, 0, SplineGuard::None, 14.375f},
      {"starts at p1", 5, 0, 40, 20, 10, 0, SplineGuard::None, 10},
      {"ends at p2", 5, 5, 40, 20, 10, 0, SplineGuard::None, 20},
      {"a third", 3, 1, 10, 3, 1, 0, SplineGuard::None, 0x1.684bdcp+0f},
      {"two thirds", 3, 2, 7, 2, -3, 5, SplineGuard::None, -0x1.2f681p-3f},
      {"a seventh", 7, 1, 1.3f, 0.7f, 0.2f, 0.1f, SplineGuard::None, 0x1.ff1abap-3f},
      {"no duration, unguarded", 0, 0.05f, 10, 3, 1, 0, SplineGuard::None, 1},
      {"no duration, as a tenth", 0, 0.05f, 10, 3, 1, 0, SplineGuard::ZeroDurationAsTenth,
       0x1.ap+0f},
      {"guard leaves other durations", 2, 1, 40, 20, 10, 0, SplineGuard::ZeroDurationAsTenth,
       14.375f},
  };
  for (const SplineCase& c : cases) {
    EXPECT_EQ(Spline(c.d, c.e, c.p3, c.p2, c.p1, c.p0, c.guard), c.expected) << c.what;
  }
}

}  // namespace
