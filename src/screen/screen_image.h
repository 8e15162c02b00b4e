// Screen image payloads: the store the receiver fills, the colour letters
// and run digits of the controller's run-length code, and the renderer that
// turns a payload into the framed picture.
//
// Threads: all of it runs on the receiver thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "screen/surface.h"

namespace corvane {

class ImageDecoder;
class ScreenDisplay;
struct StatusCounters;

// The payload of the current screen image, allocated once per process.
struct ScreenImageBuffer {
  static constexpr int32_t kCapacity = 2'000'000;
  ScreenImageBuffer() : bytes(new uint8_t[kCapacity]) {}
  // A count outside 0..kCapacity would read past the store; it is held to
  // the store's bounds instead.
  std::span<const uint8_t> Payload() const {
    const int32_t n = count < 0 ? 0 : (count > kCapacity ? kCapacity : count);
    return {bytes.get(), static_cast<size_t>(n)};
  }
  std::unique_ptr<uint8_t[]> bytes;
  int32_t count = 0;
};

// The pen of a colour letter "A" to "P"; none for "F" (the current pen
// stays) and for every other byte.
std::optional<Pixel> PenTable(uint8_t letter);
bool IsColourLetter(uint8_t byte);
// Run length of a run digit "1" to "9" (4, 8, ... 512, 800); none for any
// other byte.
std::optional<int> RunLength(uint8_t byte);

// Makes the pen of a colour letter the surface's current pen; "F" leaves it.
void SelectColourPen(Surface& surface, uint8_t letter);

// Decodes one payload onto the surface from (0, 0) with the surface's
// current pen, leaving undrawn pixels as they were. Afterwards the surface's
// pen is the one the payload's last pen letter selected (unchanged if none).
// Rows from 600 on are clipped whole and not followed, so the pen position
// is left where drawing stopped, at most (0, 600). Allocates nothing.
void DecodeScreenPayload(std::span<const uint8_t> payload, Surface& surface);
// Draws the fixed black frame; leaves pen A (black) selected.
void DrawScreenFrame(Surface& surface);

// "Images: %d" into the status line, then the rest of the stored payload
// decoded into the display's picture (all of it, unless the image was
// drawn while it arrived), the frame, and the finished picture handed to
// the display. Decoding starts only now, after the text, unless the image
// was drawn while it arrived.
void RenderScreenImage(const ScreenImageBuffer& image, ImageDecoder& decoder,
                       StatusCounters& counters, ScreenDisplay& display);

// While an image arrives: decodes what of its payload is stored and not yet
// decoded, and hands the picture to the display as it is, rows above the
// one being decoded final.
void DrawArrivedRows(const ScreenImageBuffer& image, ImageDecoder& decoder, ScreenDisplay& display);

// The image being drawn will not end (it was started over, abandoned or
// given up after a silence): what it drew and did not hand on is put back.
// What was handed on stays until the next image draws over it and repaints
// what differs. Nothing happens while no image is being drawn.
void DropImage(ImageDecoder& decoder, ScreenDisplay& display);

}  // namespace corvane
