#include "screen/payload_code.h"
#include "screen/screen_image.h"

namespace corvane {

// The controller's picture gets a fixed black border: rows 0 to 5, 598 and
// 599 over columns 0 to 798, and columns 0, 1, 798 and 799 over rows 0 to
// 598. Every line leaves out its end point, which is why the bottom-right
// pixel (799, 599) keeps what the image drew there.
void DrawScreenFrame(Surface& surface) {
  constexpr int kRight = Surface::kWidth - 1;
  constexpr int kBottom = Surface::kHeight - 1;
  SelectColourPen(surface, kFrameLetter);
  for (int y = 0; y <= 5; ++y) {
    surface.MoveTo(0, y);
    surface.LineTo(kRight, y);
  }
  for (const int x : {0, 1, kRight, kRight - 1}) {
    surface.MoveTo(x, 0);
    surface.LineTo(x, kBottom);
  }
  for (const int y : {kBottom, kBottom - 1}) {
    surface.MoveTo(0, y);
    surface.LineTo(kRight, y);
  }
}

}  // namespace corvane
