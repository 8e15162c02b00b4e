#include <gtest/gtest.h>

#include <algorithm>

#include "screen/screen_image.h"

namespace corvane {
namespace {

constexpr Pixel kMarker = MakePixel(1, 2, 3);

bool InFrame(int x, int y) {
  const bool frame_row = (y <= 5 || y == 598 || y == 599) && x <= 798;
  const bool frame_column = (x <= 1 || x >= 798) && y <= 598;
  return frame_row || frame_column;
}

TEST(ScreenFrame, ExactPixelsWithTheLastOneLeftOut) {
  Surface surface;
  std::fill_n(surface.MutablePixels(), Surface::kWidth * Surface::kHeight, kMarker);
  surface.SelectPen(MakePixel(255, 0, 0));
  DrawScreenFrame(surface);
  int wrong = 0;
  for (int y = 0; y < Surface::kHeight; ++y) {
    for (int x = 0; x < Surface::kWidth; ++x) {
      const Pixel want = InFrame(x, y) ? kBlack : kMarker;
      if (surface.PixelAt(x, y) != want && ++wrong <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  for (const auto& [x, y] : {std::pair{0, 0}, {799, 0}, {0, 599}, {798, 599}, {799, 598}}) {
    EXPECT_EQ(surface.PixelAt(x, y), kBlack) << x << ", " << y;
  }
  EXPECT_EQ(surface.PixelAt(799, 599), kMarker);
  EXPECT_EQ(surface.PixelAt(2, 6), kMarker);
  EXPECT_EQ(surface.PixelAt(797, 597), kMarker);
  // The next image starts with pen A.
  EXPECT_EQ(surface.CurrentPen(), kBlack);
}

}  // namespace
}  // namespace corvane
