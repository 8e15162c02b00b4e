// An 800x600 RGB pixel surface in memory with a current pen and a pen
// position: the drawing surface the screen payload is decoded onto.
//
// Threads: written by the receiver thread only; handed to ScreenDisplay by
// const reference while that thread waits.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace corvane {

// A pixel as 0xFFRRGGBB, the layout of an RGB32 image, so that a whole
// picture can be handed on with one copy.
using Pixel = uint32_t;

constexpr Pixel MakePixel(uint8_t r, uint8_t g, uint8_t b) {
  return 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | uint32_t{b};
}
constexpr uint8_t PixelRed(Pixel p) { return static_cast<uint8_t>(p >> 16); }
constexpr uint8_t PixelGreen(Pixel p) { return static_cast<uint8_t>(p >> 8); }
constexpr uint8_t PixelBlue(Pixel p) { return static_cast<uint8_t>(p); }

inline constexpr Pixel kBlack = MakePixel(0, 0, 0);
// A new surface is white, as a fresh window area would be.
inline constexpr Pixel kInitialSurfacePixel = MakePixel(255, 255, 255);

class Surface {
 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // The pen lines are drawn in. A new surface's pen is black.
  void SelectPen(Pixel colour) { pen_ = colour; }
  Pixel CurrentPen() const { return pen_; }

  // Sets the pen position; draws nothing. The position may lie outside.
  void MoveTo(int x, int y) {
    pen_x_ = x;
    pen_y_ = y;
  }
  // Draws from the pen position up to but not including (x, y), then moves
  // the pen there. Lines are horizontal (left to right) or vertical (top to
  // bottom); pixels outside the surface are clipped.
  void LineTo(int x, int y);

  // Colours pixels [x0, x1) of row y with the current pen, clipped. The pen
  // position is not touched: this is the decoder's fast path for a run, and
  // inline so that a run costs no call.
  void FillRowSpan(int y, int x0, int x1) {
    if (y < 0 || y >= kHeight) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, kWidth);
    if (x0 >= x1) return;
    FillPixels(pixels_.get() + static_cast<size_t>(y) * kWidth + x0, x1 - x0, pen_);
  }

  int PenX() const { return pen_x_; }
  int PenY() const { return pen_y_; }

  Pixel PixelAt(int x, int y) const { return pixels_[static_cast<size_t>(y) * kWidth + x]; }
  // Row-major, kWidth pixels a row, kHeight rows.
  const Pixel* Pixels() const { return pixels_.get(); }
  Pixel* MutablePixels() { return pixels_.get(); }

 private:
  // Whole rows are the common case (a "9", a fill): blocks of 16 pixels are
  // stored as vector words, which a plain element loop at -O2 is not.
  static void FillPixels(Pixel* p, int n, Pixel colour) {
    constexpr int kBlock = 16;
    for (; n >= kBlock; n -= kBlock, p += kBlock) {
      for (int k = 0; k < kBlock; ++k) p[k] = colour;
    }
    for (int k = 0; k < n; ++k) p[k] = colour;
  }

  std::unique_ptr<Pixel[]> pixels_;
  Pixel pen_ = kBlack;
  int pen_x_ = 0;
  int pen_y_ = 0;
};

}  // namespace corvane
