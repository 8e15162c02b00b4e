#include "clip/clip_palette.h"

#include <algorithm>
#include <cstdlib>

#include "screen/payload_code.h"

namespace corvane {

namespace {

constexpr ClipPalette MakePalette() {
  ClipPalette palette;
  auto add = [&palette](Pixel colour) {
    for (size_t i = 0; i < palette.count; ++i) {
      if (palette.colours[i] == colour) return;
    }
    palette.colours[palette.count++] = colour;
  };
  for (size_t i = 0; i < kLetterPens.size(); ++i) {
    if (kFirstColourLetter + i != kKeepPenLetter) add(kLetterPens[i]);
  }
  add(kInitialSurfacePixel);
  return palette;
}

constexpr ClipPalette kPalette = MakePalette();
static_assert(kPalette.count <= kClipPaletteCapacity);

int Distance(Pixel a, Pixel b) {
  return std::abs(PixelRed(a) - PixelRed(b)) + std::abs(PixelGreen(a) - PixelGreen(b)) +
         std::abs(PixelBlue(a) - PixelBlue(b));
}

uint8_t IndexOf(Pixel pixel) {
  size_t best = 0;
  for (size_t i = 0; i < kPalette.count; ++i) {
    if (kPalette.colours[i] == pixel) return static_cast<uint8_t>(i);
    if (Distance(kPalette.colours[i], pixel) < Distance(kPalette.colours[best], pixel)) best = i;
  }
  return static_cast<uint8_t>(best);
}

}  // namespace

const ClipPalette& FixedClipPalette() { return kPalette; }

void ToPaletteIndices(const Pixel* pixels, size_t count, uint8_t* indices) {
  if (count == 0) return;
  // Pictures are mostly runs of one colour: look a colour up once a run.
  Pixel last = pixels[0];
  uint8_t last_index = IndexOf(last);
  for (size_t i = 0; i < count; ++i) {
    if (pixels[i] != last) {
      last = pixels[i];
      last_index = IndexOf(last);
    }
    indices[i] = last_index;
  }
}

}  // namespace corvane
