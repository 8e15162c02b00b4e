#include "screen/surface.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

constexpr Pixel kRed = MakePixel(255, 0, 0);

// Coordinates of every pixel that differs from the initial surface.
std::vector<std::pair<int, int>> Drawn(const Surface& surface) {
  std::vector<std::pair<int, int>> drawn;
  for (int y = 0; y < Surface::kHeight; ++y) {
    for (int x = 0; x < Surface::kWidth; ++x) {
      if (surface.PixelAt(x, y) != kInitialSurfacePixel) drawn.emplace_back(x, y);
    }
  }
  return drawn;
}

TEST(Surface, NewSurfaceIsWhiteWithABlackPenAtTheOrigin) {
  Surface surface;
  EXPECT_TRUE(Drawn(surface).empty());
  EXPECT_EQ(surface.CurrentPen(), kBlack);
  EXPECT_EQ(surface.PenX(), 0);
  EXPECT_EQ(surface.PenY(), 0);
}

TEST(Surface, LinesLeaveOutTheirEndPoint) {
  Surface surface;
  surface.SelectPen(kRed);
  surface.MoveTo(3, 7);
  surface.LineTo(6, 7);
  surface.MoveTo(10, 2);
  surface.LineTo(10, 4);
  EXPECT_EQ(Drawn(surface),
            (std::vector<std::pair<int, int>>{{10, 2}, {10, 3}, {3, 7}, {4, 7}, {5, 7}}));
  EXPECT_EQ(surface.PixelAt(3, 7), kRed);
  EXPECT_EQ(surface.PenX(), 10);
  EXPECT_EQ(surface.PenY(), 4);
}

TEST(Surface, LinesAreClippedAndThePenMayLieOutside) {
  Surface surface;
  surface.MoveTo(790, 0);
  surface.LineTo(2000, 0);
  EXPECT_EQ(surface.PenX(), 2000);
  surface.MoveTo(-5, 599);
  surface.LineTo(2, 599);
  surface.MoveTo(5, 595);
  surface.LineTo(5, 700);
  surface.MoveTo(799, -3);
  surface.LineTo(799, 1);
  // Wholly outside: nothing.
  surface.MoveTo(0, 600);
  surface.LineTo(800, 600);
  surface.MoveTo(800, 0);
  surface.LineTo(800, 600);
  surface.MoveTo(-1, 0);
  surface.LineTo(-1, 600);
  // Row 0 from 790 (the vertical line adds nothing new), 0 and 1 of row
  // 599, and 595 to 599 of column 5.
  EXPECT_EQ(Drawn(surface).size(), 10u + 2u + 5u);
  for (int x = 790; x < 800; ++x) EXPECT_EQ(surface.PixelAt(x, 0), kBlack);
  EXPECT_EQ(surface.PixelAt(799, 1), kInitialSurfacePixel);
  for (int y = 595; y < 600; ++y) EXPECT_EQ(surface.PixelAt(5, y), kBlack);
  EXPECT_EQ(surface.PixelAt(0, 599), kBlack);
  EXPECT_EQ(surface.PixelAt(1, 599), kBlack);
  EXPECT_EQ(surface.PixelAt(2, 599), kInitialSurfacePixel);
}

TEST(Surface, FillRowSpanClipsAndLeavesThePenPosition) {
  Surface surface;
  surface.SelectPen(kRed);
  surface.MoveTo(40, 40);
  surface.FillRowSpan(1, 795, 900);
  surface.FillRowSpan(2, -10, 2);
  surface.FillRowSpan(600, 0, 800);
  surface.FillRowSpan(-1, 0, 800);
  surface.FillRowSpan(3, 10, 10);
  surface.FillRowSpan(3, 12, 11);
  EXPECT_EQ(Drawn(surface), (std::vector<std::pair<int, int>>{
                                {795, 1}, {796, 1}, {797, 1}, {798, 1}, {799, 1}, {0, 2}, {1, 2}}));
  EXPECT_EQ(surface.PenX(), 40);
  EXPECT_EQ(surface.PenY(), 40);
}

}  // namespace
}  // namespace corvane
