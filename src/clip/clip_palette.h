// The colours a mirrored picture can hold, as one fixed palette: the pens
// of the controller's colour letters and the white of a picture nothing was
// drawn on yet, each once. A GIF coded with it shows every pixel exactly,
// which a palette found from the pictures (a quantiser) would not promise.
//
// Threads: pure functions and constants, any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "screen/surface.h"

namespace corvane {

inline constexpr size_t kClipPaletteCapacity = 16;

struct ClipPalette {
  std::array<Pixel, kClipPaletteCapacity> colours{};
  size_t count = 0;  // the colours in use, from the front
};

// The palette, in the order of the letters that first use each colour.
const ClipPalette& FixedClipPalette();

// The index of each of `count` pixels in the palette, into `indices`. A
// pixel outside it (which no decoded picture holds) takes the nearest
// colour.
void ToPaletteIndices(const Pixel* pixels, size_t count, uint8_t* indices);

}  // namespace corvane
