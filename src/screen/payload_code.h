// The controller's run-length colour code, one payload byte at a time: the
// pen of each colour letter and the run length of each run digit. Both the
// pen table and the decoder read this one table, so each colour and length
// is written down once.
#pragma once

#include <array>
#include <cstdint>

#include "screen/surface.h"

namespace corvane {

inline constexpr uint8_t kFirstColourLetter = 'A';
inline constexpr uint8_t kLastColourLetter = 'P';
// "F" is a colour letter without a pen: the current pen stays selected.
inline constexpr uint8_t kKeepPenLetter = 'F';
// The frame is drawn with the pen of "A".
inline constexpr uint8_t kFrameLetter = 'A';

// The pens of "A" to "P" in letter order; the entry of "F" is never used.
// The two neighbouring greys are deliberate: "I" is 127, "O" is 128.
inline constexpr std::array<Pixel, 16> kLetterPens = {
    MakePixel(0, 0, 0),        // A black
    MakePixel(255, 0, 0),      // B red
    MakePixel(0, 255, 0),      // C green
    MakePixel(240, 240, 240),  // D grey
    MakePixel(0, 0, 255),      // E blue
    MakePixel(0, 0, 0),        // F no pen of its own
    MakePixel(0, 255, 255),    // G cyan
    MakePixel(255, 255, 0),    // H yellow
    MakePixel(127, 127, 127),  // I grey
    MakePixel(220, 220, 220),  // J grey
    MakePixel(220, 220, 220),  // K grey
    MakePixel(200, 200, 200),  // L grey
    MakePixel(0, 255, 255),    // M cyan
    MakePixel(200, 200, 200),  // N grey
    MakePixel(128, 128, 128),  // O grey
    MakePixel(247, 247, 247),  // P grey
};

// Run digits "1" to "9". "9" is a whole row (800, not 1024), so it always
// reaches the end of the row it starts in.
inline constexpr uint8_t kFirstRunDigit = '1';
inline constexpr uint8_t kLastRunDigit = '9';
inline constexpr std::array<int16_t, 9> kRunLengths = {
    4, 8, 16, 32, 64, 128, 256, 512, Surface::kWidth};

struct PayloadByteRole {
  int16_t run = 0;       // a run digit: the pixels it moves and draws
  bool letter = false;   // a colour letter "A" to "P"
  bool has_pen = false;  // a colour letter that selects a pen (all but "F")
  Pixel pen = 0;
};

// Indexed by the byte value; bytes that are neither digits nor letters have
// the empty role and change nothing.
inline constexpr std::array<PayloadByteRole, 256> kPayloadByteRoles = [] {
  std::array<PayloadByteRole, 256> roles{};
  for (int c = kFirstRunDigit; c <= kLastRunDigit; ++c) {
    roles[static_cast<size_t>(c)].run = kRunLengths[static_cast<size_t>(c - kFirstRunDigit)];
  }
  for (int c = kFirstColourLetter; c <= kLastColourLetter; ++c) {
    auto& role = roles[static_cast<size_t>(c)];
    role.letter = true;
    role.has_pen = c != kKeepPenLetter;
    role.pen = kLetterPens[static_cast<size_t>(c - kFirstColourLetter)];
  }
  return roles;
}();

}  // namespace corvane
