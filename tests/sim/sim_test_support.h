// Helpers shared by the simulator's tests: decoding a payload with
// Corvane's own decoder and comparing the result with a letter image.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "letter_image.h"
#include "screen/screen_image.h"
#include "screen/surface.h"

namespace corvane::sim::testing {

// A colour no letter has, so a pixel the payload failed to draw shows.
inline constexpr Pixel kUndrawn = MakePixel(1, 2, 3);

inline void FillSurface(Surface& surface, Pixel p) {
  Pixel* px = surface.MutablePixels();
  for (int i = 0; i < Surface::kWidth * Surface::kHeight; ++i) px[i] = p;
}

inline std::span<const uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Every pixel of the surface against the pen of the image's letter there.
// Reports the first few differences and how many there were.
inline ::testing::AssertionResult SurfaceMatches(const Surface& surface, const LetterImage& image) {
  int mismatches = 0;
  std::string first;
  for (int y = 0; y < LetterImage::kHeight; ++y) {
    for (int x = 0; x < LetterImage::kWidth; ++x) {
      const Pixel want = PenTable(image.At(x, y)).value_or(0);
      if (surface.PixelAt(x, y) != want) {
        if (mismatches++ < 5) {
          first += " (" + std::to_string(x) + "," + std::to_string(y) + ") letter " +
                   std::string(1, static_cast<char>(image.At(x, y)));
        }
      }
    }
  }
  if (mismatches == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << mismatches << " pixels differ, first:" << first;
}

// Decodes onto a surface pre-filled with kUndrawn and a pen that is not black,
// so neither leftover pixels nor the initial pen can hide a fault.
inline ::testing::AssertionResult DecodesTo(std::string_view payload, const LetterImage& image) {
  Surface surface;
  FillSurface(surface, kUndrawn);
  surface.SelectPen(MakePixel(255, 0, 0));
  DecodeScreenPayload(Bytes(payload), surface);
  return SurfaceMatches(surface, image);
}

}  // namespace corvane::sim::testing
