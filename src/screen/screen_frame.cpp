#include "screen/image_decoder.h"
#include "screen/payload_code.h"
#include "screen/screen_image.h"

namespace corvane {

// The controller's picture gets a fixed black border; the next image starts
// with the frame's pen.
void DrawScreenFrame(Surface& surface) {
  ChangedSpans unused;
  DrawScreenFrame(surface.MutablePixels(), unused);
  SelectColourPen(surface, kFrameLetter);
}

}  // namespace corvane
