// The zoom a first start takes from the monitor: the nearest to its scale,
// but never one whose picture the work area would cut off.
#include "app/zoom_for_scale.h"

#include <gtest/gtest.h>

#include <limits>

namespace corvane {
namespace {

TEST(ZoomForScale, NearestFixedZoomTheSmallerOnATieAndOnlyOneTheWorkAreaHolds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double scale : {1.0, 1.25, 0.75, 0.0, -2.0, nan}) {
    EXPECT_EQ(ZoomForScale({scale, {}}), ZoomMode::k100) << scale;
  }
  for (double scale : {1.26, 1.5, 1.75}) EXPECT_EQ(ZoomForScale({scale, {}}), ZoomMode::k150);
  for (double scale : {1.76, 2.0, 3.0}) EXPECT_EQ(ZoomForScale({scale, {}}), ZoomMode::k200);
  // 200 % needs 1620 x 1240 of client area, 150 % 1220 x 940.
  EXPECT_EQ(ZoomForScale({2.0, ClientSize{1620, 1240}}), ZoomMode::k200);
  EXPECT_EQ(ZoomForScale({2.0, ClientSize{1619, 2000}}), ZoomMode::k150);
  EXPECT_EQ(ZoomForScale({1.5, ClientSize{1900, 939}}), ZoomMode::k100);
}

}  // namespace
}  // namespace corvane
