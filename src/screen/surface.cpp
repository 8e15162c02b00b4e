#include "screen/surface.h"

#include <algorithm>

namespace corvane {

Surface::Surface() : pixels_(new Pixel[static_cast<size_t>(kWidth) * kHeight]) {
  std::fill_n(pixels_.get(), static_cast<size_t>(kWidth) * kHeight, kInitialSurfacePixel);
}

void Surface::LineTo(int x, int y) {
  if (y == pen_y_) {
    FillRowSpan(y, pen_x_, x);
  } else if (x == pen_x_ && x >= 0 && x < kWidth) {
    const int y0 = std::max(pen_y_, 0);
    const int y1 = std::min(y, kHeight);
    for (int row = y0; row < y1; ++row) pixels_[static_cast<size_t>(row) * kWidth + x] = pen_;
  }
  pen_x_ = x;
  pen_y_ = y;
}

}  // namespace corvane
