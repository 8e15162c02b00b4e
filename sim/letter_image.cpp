#include "letter_image.h"

#include <algorithm>
#include <cstring>

namespace corvane::sim {

void LetterImage::FillRect(int x0, int y0, int x1, int y1, uint8_t colour) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, kWidth);
  y1 = std::min(y1, kHeight);
  if (x0 >= x1 || y0 >= y1) return;
  for (int y = y0; y < y1; ++y) std::memset(Row(y) + x0, colour, static_cast<size_t>(x1 - x0));
}

void LetterImage::OutlineRect(int x0, int y0, int x1, int y1, uint8_t colour) {
  if (x0 >= x1 || y0 >= y1) return;
  FillRect(x0, y0, x1, y0 + 1, colour);
  FillRect(x0, y1 - 1, x1, y1, colour);
  FillRect(x0, y0, x0 + 1, y1, colour);
  FillRect(x1 - 1, y0, x1, y1, colour);
}

}  // namespace corvane::sim
