#include "screen/image_decoder.h"
#include "screen/screen_display.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"

namespace corvane {
namespace {

// The decoder has a picture to draw in, the payload fed so far is the
// stored one's start, and the rest is fed.
void DecodeStored(const ScreenImageBuffer& image, ImageDecoder& decoder, ScreenDisplay& display) {
  const std::span<const uint8_t> payload = image.Payload();
  if (decoder.Drawing() && decoder.BytesFed() > payload.size()) {
    // The store started over without the image being dropped: what was
    // drawn belongs to no image.
    DropImage(decoder, display);
  }
  if (!decoder.Drawing()) {
    decoder.Begin(display.PictureToDraw());
  } else if (!decoder.HasPicture()) {
    decoder.GoOnIn(display.PictureToDraw());
  }
  decoder.Feed(payload.subspan(decoder.BytesFed()));
}

}  // namespace

// The count goes up before decoding, so the first image of the process
// shows "Images: 0". The decoder draws into the display's own picture, and
// the picture leaves only once it is decoded and framed.
void RenderScreenImage(const ScreenImageBuffer& image, ImageDecoder& decoder,
                       StatusCounters& counters, ScreenDisplay& display) {
  ShowImagesStatus(display, counters);
  DecodeStored(image, decoder, display);
  decoder.Finish();
  display.ShowPicture(decoder.Changes(), Surface::kHeight);
  decoder.End();
}

void DrawArrivedRows(const ScreenImageBuffer& image, ImageDecoder& decoder,
                     ScreenDisplay& display) {
  DecodeStored(image, decoder, display);
  display.ShowPicture(decoder.Changes(), decoder.RowsDecoded());
  // The display has that picture now; the rest goes on in another.
  decoder.ReleasePicture();
}

void DropImage(ImageDecoder& decoder, ScreenDisplay& display) {
  if (!decoder.Drawing()) return;
  if (decoder.HasPicture()) display.DropPicture(decoder.Changes());
  decoder.End();
}

}  // namespace corvane
