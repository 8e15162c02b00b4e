#include "screen/image_decoder.h"
#include "screen/screen_image.h"

namespace corvane {

// The whole payload at once, with no frame: the decoder's own rules, on a
// surface that carries the pen and the pen position.
void DecodeScreenPayload(std::span<const uint8_t> payload, Surface& surface) {
  ImageDecoder decoder(ImageDecoder::Framing::kNone);
  decoder.SelectPen(surface.CurrentPen());
  decoder.Begin(surface.MutablePixels());
  decoder.Feed(payload);
  decoder.Finish();
  surface.SelectPen(decoder.Pen());
  surface.MoveTo(decoder.X(), decoder.Y());
}

}  // namespace corvane
