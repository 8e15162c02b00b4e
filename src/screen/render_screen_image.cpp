#include "screen/screen_display.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"

namespace corvane {

// The count goes up before decoding, so the first image of the process
// shows "Images: 0". The picture leaves only once it is decoded and framed,
// and it is the drawing surface itself that the display copies: never a
// read-back of the window, which may be covered.
void RenderScreenImage(const ScreenImageBuffer& image, Surface& surface, StatusCounters& counters,
                       ScreenDisplay& display) {
  ShowImagesStatus(display, counters);
  DecodeScreenPayload(image.Payload(), surface);
  DrawScreenFrame(surface);
  display.ShowPicture(surface);
}

}  // namespace corvane
