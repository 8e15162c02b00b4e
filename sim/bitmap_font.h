// The panel's own 5x7 font: upper-case letters, digits and the few signs the
// panel prints. Characters without a glyph (lower case included, which is
// drawn as upper case) print as "?", so a text can never draw garbage.
//
// Threads: pure; the glyph table is constant.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "letter_image.h"

namespace corvane::sim {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
// Advance from one character to the next, one blank column between glyphs.
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;

// Rows top to bottom; bit 4 is the leftmost column.
using Glyph = std::array<uint8_t, kGlyphHeight>;

// The glyph of a character; "?" for one the font lacks.
const Glyph& GlyphFor(char c);
bool HasGlyph(char c);

// Width in pixels of `text` at `scale` (each glyph pixel a scale x scale block).
int TextWidth(std::string_view text, int scale = 1);

// Draws the set pixels of each glyph in `colour`; the background stays.
// (x, y) is the top-left corner of the first glyph. Clipped to the image.
void DrawText(LetterImage& image, int x, int y, std::string_view text, uint8_t colour,
              int scale = 1);

}  // namespace corvane::sim
