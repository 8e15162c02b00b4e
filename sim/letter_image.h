// The simulated controller's screen before it goes on the wire: one colour
// letter per pixel, 800 by 600, row-major. Keeping the picture in letters
// (rather than RGB) means the run-length encoder never has to map colours
// back to letters, and the panel can only ever use colours the wire can carry.
//
// Threads: the simulator is single-threaded; an image belongs to its user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::sim {

// One letter per colour the panel draws with. The wire has a few letters that
// share a colour (J and K, G and M, L and N); the panel always uses the first.
enum Colour : uint8_t {
  kColourBlack = 'A',
  kColourRed = 'B',
  kColourGreen = 'C',
  kColourLight = 'D',  // grey 240
  kColourBlue = 'E',
  kColourCyan = 'G',
  kColourYellow = 'H',
  kColourDark = 'I',   // grey 127
  kColourPale = 'J',   // grey 220
  kColourMid = 'L',    // grey 200
  kColourShade = 'O',  // grey 128
  kColourWhite = 'P',  // grey 247
};

// True for the bytes an image may hold: "A" to "P" except "F", which on the
// wire keeps the current pen and so has no colour of its own.
constexpr bool IsImageLetter(uint8_t b) { return b >= 'A' && b <= 'P' && b != 'F'; }

struct LetterImage {
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  LetterImage() : letters(static_cast<size_t>(kWidth) * kHeight, kColourBlack) {}

  uint8_t At(int x, int y) const { return letters[static_cast<size_t>(y) * kWidth + x]; }
  uint8_t* Row(int y) { return letters.data() + static_cast<size_t>(y) * kWidth; }
  const uint8_t* Row(int y) const { return letters.data() + static_cast<size_t>(y) * kWidth; }

  // Clipped to the image; an empty or inverted rectangle draws nothing.
  void FillRect(int x0, int y0, int x1, int y1, uint8_t colour);  // [x0, x1) x [y0, y1)
  void Set(int x, int y, uint8_t colour) {
    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight)
      letters[static_cast<size_t>(y) * kWidth + x] = colour;
  }
  // One-pixel outline just inside [x0, x1) x [y0, y1).
  void OutlineRect(int x0, int y0, int x1, int y1, uint8_t colour);

  std::vector<uint8_t> letters;
};

}  // namespace corvane::sim
