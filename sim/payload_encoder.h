// Run-length encoder for screen image payloads: the exact inverse of the
// receiving side's decoder, so the picture Corvane draws is pixel for pixel
// the panel the simulator rendered.
//
// The code is built row by row, each row self-contained:
//  - every run starts with its colour letter, so no row depends on the pen
//    the previous one left;
//  - a run of n pixels not reaching the row end is n mod 4 single pixels
//    (a letter followed by a letter draws one pixel) and then n - n mod 4
//    pixels as run digits, largest first: the lengths 4..512 are the powers
//    of two, so the greedy split is exact;
//  - the run that reaches the row end is its letter and "9": 800 pixels from
//    anywhere ends the row, and what lies past column 799 is dropped;
//  - a row equal to the one above reuses that row's bytes.
// Every row is coded in full, including the rows and columns that the frame
// later paints black: the decoder never clears its surface, so anything left
// uncoded would show the previous image.
//
// Threads: pure; no state.
#pragma once

#include <string>

#include "letter_image.h"

namespace corvane::sim {

// Replaces `payload` with the code of `image` (no "{" or "}"). Returns false,
// leaving `payload` empty, when the image holds a byte that is not a colour
// letter with a pen of its own (see IsImageLetter). The payload holds only
// "A".."P" and "1".."9", never a frame byte. `payload` keeps its capacity, so
// a caller that reuses one string allocates nothing per frame.
bool EncodeScreenPayload(const LetterImage& image, std::string& payload);

// Upper bound of an encoded image: a row costs at most one byte a pixel plus
// the closing letter and digit.
inline constexpr size_t kMaxPayloadBytes =
    static_cast<size_t>(LetterImage::kHeight) * (LetterImage::kWidth + 2);

}  // namespace corvane::sim
