#include <cstddef>

#include "screen/payload_code.h"
#include "screen/screen_image.h"

namespace corvane {

// One pass over the payload with a table lookup per byte: a run digit is one
// span fill, a single pixel one store. Pixels past column 799 are clipped
// by the fill and never carried into the next row.
void DecodeScreenPayload(std::span<const uint8_t> payload, Surface& surface) {
  const uint8_t* const bytes = payload.data();
  const size_t count = payload.size();
  Pixel pen = surface.CurrentPen();
  Pixel* row = surface.MutablePixels();
  int x = 0;
  int y = 0;

  size_t i = 0;
  while (i < count) {
    const PayloadByteRole& role = kPayloadByteRoles[bytes[i]];
    ++i;
    if (role.run != 0) {
      surface.FillRowSpan(y, x, x + role.run);
      x += role.run;
    } else if (role.letter) {
      if (role.has_pen) {
        pen = role.pen;
        surface.SelectPen(pen);
      }
      // A letter followed by a letter draws one pixel at x in the pen just
      // selected (for "F", the pen that was current). x < 800 and y < 600
      // hold here: both are checked after every byte that moves x.
      if (i < count && kPayloadByteRoles[bytes[i]].letter) {
        row[x] = pen;
        ++x;
      }
    } else {
      continue;  // x did not move, so no row can end
    }
    if (x >= Surface::kWidth) {
      x = 0;
      ++y;
      row += Surface::kWidth;
      if (y == Surface::kHeight) break;
    }
  }

  // Every row from 600 on is clipped whole, so the rest of the payload can
  // only change the selected pen: the last letter with a pen decides it.
  for (size_t j = count; j > i; --j) {
    const PayloadByteRole& role = kPayloadByteRoles[bytes[j - 1]];
    if (role.has_pen) {
      surface.SelectPen(role.pen);
      break;
    }
  }
  // The column and row are not followed below the surface; the pen is left
  // where drawing stopped. Everything drawn afterwards starts with a move.
  surface.MoveTo(x, y);
}

}  // namespace corvane
