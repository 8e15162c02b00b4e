#include "keypad/soft_key_areas.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct Area {
  int code, left, right;
};
constexpr Area kAreas[] = {{140, 154, 202}, {141, 205, 253}, {142, 258, 305}, {143, 310, 358},
                           {144, 361, 411}, {145, 414, 461}, {146, 465, 513}, {147, 519, 565}};

TEST(SoftKeyAreas, BoundsAreStrictOnAllFourSides) {
  for (const Area& area : kAreas) {
    EXPECT_EQ(SoftKeyAreas(area.left + 1, 60), area.code);
    EXPECT_EQ(SoftKeyAreas(area.right - 1, 60), area.code);
    EXPECT_EQ(SoftKeyAreas(area.left + 1, 43), area.code);
    EXPECT_EQ(SoftKeyAreas(area.right - 1, 89), area.code);
    EXPECT_FALSE(SoftKeyAreas(area.left, 60).has_value()) << area.code;
    EXPECT_FALSE(SoftKeyAreas(area.right, 60).has_value()) << area.code;
    EXPECT_FALSE(SoftKeyAreas(area.left + 1, 42).has_value()) << area.code;
    EXPECT_FALSE(SoftKeyAreas(area.right - 1, 90).has_value()) << area.code;
  }
}

TEST(SoftKeyAreas, EveryPointOfTheBandMapsToAtMostTheOneAreaAroundIt) {
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 800; ++x) {
      std::optional<int> want;
      for (const Area& area : kAreas) {
        if (area.left < x && x < area.right && 42 < y && y < 90) want = area.code;
      }
      const auto got = SoftKeyAreas(x, y);
      ASSERT_EQ(got.has_value(), want.has_value()) << x << ", " << y;
      if (want) {
        ASSERT_EQ(*got, *want) << x << ", " << y;
      }
    }
  }
  // Between the first two areas, and far outside.
  EXPECT_FALSE(SoftKeyAreas(203, 60).has_value());
  EXPECT_FALSE(SoftKeyAreas(65535, 65535).has_value());
  EXPECT_FALSE(SoftKeyAreas(-160, 60).has_value());
}

}  // namespace
}  // namespace corvane
