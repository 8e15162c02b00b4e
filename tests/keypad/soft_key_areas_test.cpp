#include "keypad/soft_key_areas.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// The soft keys S1 to S8 written out: code, and the exclusive left and right
// bounds of the area in client columns (rows: 42 < y < 90).
struct Area {
  int code, left, right;
};
constexpr Area kAreas[] = {{140, 154, 202}, {141, 205, 253}, {142, 258, 305}, {143, 310, 358},
                           {144, 361, 411}, {145, 414, 461}, {146, 465, 513}, {147, 519, 565}};

// Any client row from 43 to 89, column by column: the first and last column
// of each run and the code a click there sends (0: nothing).
struct Columns {
  int first, last, code;
};
constexpr Columns kBandRow[] = {
    {0, 154, 0},   {155, 201, 140}, {202, 205, 0}, {206, 252, 141}, {253, 258, 0}, {259, 304, 142},
    {305, 310, 0}, {311, 357, 143}, {358, 361, 0}, {362, 410, 144}, {411, 414, 0}, {415, 460, 145},
    {461, 465, 0}, {466, 512, 146}, {513, 519, 0}, {520, 564, 147}, {565, 799, 0},
};
constexpr int kFirstBandRow = 43;
constexpr int kLastBandRow = 89;

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

TEST(SoftKeyAreas, EveryPointOfTheWindowsTopSendsWhatTheBandRowSays) {
  for (int y = 0; y < 120; ++y) {
    const bool in_band = kFirstBandRow <= y && y <= kLastBandRow;
    for (const Columns& run : kBandRow) {
      for (int x = run.first; x <= run.last; ++x) {
        const auto got = SoftKeyAreas(x, y);
        if (in_band && run.code != 0) {
          ASSERT_EQ(got, run.code) << x << ", " << y;
        } else {
          ASSERT_FALSE(got.has_value()) << x << ", " << y;
        }
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
