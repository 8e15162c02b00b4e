#include "app/window_fit.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr ClientSize kUnzoomed{836, 700};
constexpr DesktopRect kWork{0, 30, 1920, 1010};  // a 1080p desktop under a top panel

TEST(FitWindowToWorkArea, GrowsOnlyAsFarAsTheWorkAreaAndMovesBackInside) {
  // Fits: stays exactly where the operator put it.
  EXPECT_EQ(FitWindowToWorkArea({1236, 1000}, kUnzoomed, 100, 30, kWork),
            (WindowPlace{100, 30, {1236, 1000}, false}));
  // Would stick out at the right and bottom: moved back, nothing cut.
  EXPECT_EQ(FitWindowToWorkArea({1236, 1000}, kUnzoomed, 900, 200, kWork),
            (WindowPlace{684, 40, {1236, 1000}, true}));
  // Taller than the work area: as tall as it, at its top.
  EXPECT_EQ(FitWindowToWorkArea({1636, 1300}, kUnzoomed, 50, 100, kWork),
            (WindowPlace{50, 30, {1636, 1010}, true}));
  // Left of a second monitor's work area: its left edge comes first.
  EXPECT_EQ(FitWindowToWorkArea({1236, 1000}, kUnzoomed, 1800, 30, {1920, 0, 1280, 1024}),
            (WindowPlace{1920, 24, {1236, 1000}, true}));
}

TEST(FitWindowToWorkArea, KeepsTheUnzoomedSizeOnAMonitorTooSmallForIt) {
  const WindowPlace place = FitWindowToWorkArea({1236, 1000}, kUnzoomed, 0, 0, {0, 0, 800, 600});
  EXPECT_EQ(place.size, kUnzoomed);
  EXPECT_EQ(place.x, 0);  // the top-left edge stays on the screen
  EXPECT_EQ(place.y, 0);
}

}  // namespace
}  // namespace corvane
