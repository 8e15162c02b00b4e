// The screen payload decoder and the frame against a plain canvas that
// follows the controller's drawing rules one pixel at a time: every pixel,
// the pen and the pen position must agree.
//
// Input: a switch byte (bits 0-4: the pen the surface starts with, bit 5:
// frame the picture), then the payload.

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "screen/screen_image.h"
#include "screen/surface.h"

namespace corvane::fuzz {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr size_t kPixels = static_cast<size_t>(kWidth) * kHeight;
// No letter's colour, so an undrawn pixel stands out.
constexpr Pixel kUndrawn = 0xFF010203u;

// The controller's colours for "A" to "P"; "F" has none of its own.
constexpr std::array<std::array<uint8_t, 3>, 16> kColours = {{
    {0, 0, 0},
    {255, 0, 0},
    {0, 255, 0},
    {240, 240, 240},
    {0, 0, 255},
    {0, 0, 0},
    {0, 255, 255},
    {255, 255, 0},
    {127, 127, 127},
    {220, 220, 220},
    {220, 220, 220},
    {200, 200, 200},
    {0, 255, 255},
    {200, 200, 200},
    {128, 128, 128},
    {247, 247, 247},
}};

Pixel Colour(uint8_t letter) {
  const auto& c = kColours[static_cast<size_t>(letter - 'A')];
  return 0xFF000000u | (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
}

bool IsLetter(uint8_t b) { return b >= 'A' && b <= 'P'; }

// The rules, read literally: a cursor that walks the rows without end, a
// pixel plotted only where it lies on the canvas. Neither instrumented for
// coverage nor sanitized: it is the decoder's paths that should steer the
// fuzzer and the decoder's memory that is checked, and a payload of whole
// rows plots half a million pixels here.
#define CORVANE_FUZZ_REFERENCE __attribute__((no_sanitize("coverage", "address", "undefined")))

struct Canvas {
  std::vector<Pixel> store = std::vector<Pixel>(kPixels, kUndrawn);
  Pixel* pixels = store.data();  // plain indexing, which the plotting inlines
  Pixel pen = 0;
  int x = 0;
  int y = 0;

  // `n` pixels in a row from the cursor: those left of the row's end are
  // plotted, the cursor passes them all.
  // A loop of its own: std::fill_n would be a function of the library's,
  // instrumented like the decoder, and cost a third of the fuzzer's time.
  CORVANE_FUZZ_REFERENCE void Plot(int n = 1) {
    if (x < kWidth && y < kHeight) {
      Pixel* const row = pixels + static_cast<size_t>(y) * kWidth + x;
      const int count = std::min(n, kWidth - x);
      for (int i = 0; i < count; ++i) row[i] = pen;
    }
    x += n;
  }
  // A row is over once the cursor has passed its last column; the pixels a
  // run had left over are lost, not carried.
  CORVANE_FUZZ_REFERENCE void EndRowIfPassed() {
    if (x >= kWidth) {
      x = 0;
      ++y;
    }
  }
};

CORVANE_FUZZ_REFERENCE void DrawByRules(std::span<const uint8_t> payload, Canvas& canvas) {
  canvas.x = 0;
  canvas.y = 0;
  for (size_t i = 0; i < payload.size(); ++i) {
    const uint8_t b = payload[i];
    if (b >= '1' && b <= '8') {
      canvas.Plot(4 << (b - '1'));
    } else if (b == '9') {
      canvas.Plot(kWidth);
    } else if (IsLetter(b)) {
      if (b != 'F') canvas.pen = Colour(b);
      // One pixel only when the very next byte is a letter too.
      if (i + 1 < payload.size() && IsLetter(payload[i + 1])) canvas.Plot();
    }
    canvas.EndRowIfPassed();
  }
}

// The switch byte picks the pen the surface comes with: a letter's, or one
// no letter has.
Pixel StartPen(uint8_t flags) {
  const uint8_t letter = static_cast<uint8_t>('A' + (flags & 15));
  return (flags & 16) != 0 || letter == 'F' ? 0xFF123456u : Colour(letter);
}

const Pixel* Undrawn() {
  static const std::vector<Pixel> undrawn(kPixels, kUndrawn);
  return undrawn.data();
}

// Puts rows [first, last) of `pixels` back to undrawn.
void Blank(Pixel* pixels, int first, int last) {
  if (first >= last) return;
  std::memcpy(pixels + static_cast<size_t>(first) * kWidth, Undrawn(),
              static_cast<size_t>(last - first) * kWidth * sizeof(Pixel));
}

bool RowsEqual(const Pixel* a, const Pixel* b, int first, int last) {
  const size_t offset = static_cast<size_t>(first) * kWidth;
  return first >= last ||
         std::memcmp(a + offset, b + offset,
                     static_cast<size_t>(last - first) * kWidth * sizeof(Pixel)) == 0;
}

// Columns 0, 1, 798 and 799 of every row back to undrawn: where the last
// input's frame was.
CORVANE_FUZZ_REFERENCE void BlankFrameColumns(Pixel* pixels) {
  for (int y = 0; y < kHeight; ++y) {
    Pixel* const row = pixels + static_cast<size_t>(y) * kWidth;
    row[0] = row[1] = row[kWidth - 2] = row[kWidth - 1] = kUndrawn;
  }
}

}  // namespace
}  // namespace corvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  static Surface surface;
  static Canvas canvas;
  // Both start every input undrawn. Only the rows the last input drew are
  // put back (a whole surface per input would cost more than the decoding),
  // and the frame.
  static int drawn_rows = kHeight;
  Blank(surface.MutablePixels(), 0, drawn_rows);
  Blank(canvas.pixels, 0, drawn_rows);
  Blank(surface.MutablePixels(), 0, 6);
  Blank(surface.MutablePixels(), kHeight - 2, kHeight);
  BlankFrameColumns(surface.MutablePixels());

  std::span<const uint8_t> payload(data, size);
  const uint8_t flags = TakeFlags(payload);
  const Pixel start_pen = StartPen(flags);
  surface.SelectPen(start_pen);
  canvas.pen = start_pen;
  DecodeScreenPayload(payload, surface);
  DrawByRules(payload, canvas);

  FUZZ_REQUIRE(surface.CurrentPen() == canvas.pen, "the last pen letter decides the pen");
  // Below the surface nothing is followed: the position stops at (0, 600).
  const int want_x = canvas.y >= kHeight ? 0 : canvas.x;
  const int want_y = canvas.y >= kHeight ? kHeight : canvas.y;
  FUZZ_REQUIRE(surface.PenX() == want_x && surface.PenY() == want_y,
               "the pen position is where drawing stopped");
  // The rules drew rows 0 to canvas.y; one more row is compared whole, and
  // every row below must still be undrawn.
  drawn_rows = std::min(kHeight, std::max(canvas.y, surface.PenY()) + 2);
  FUZZ_REQUIRE(RowsEqual(surface.Pixels(), canvas.pixels, 0, drawn_rows),
               "every pixel as the rules draw it");
  FUZZ_REQUIRE(RowsEqual(surface.Pixels(), Undrawn(), drawn_rows, kHeight),
               "nothing drawn below the rows the payload reaches");

  // The frame: rows 0-5, 598 and 599 and columns 0, 1, 798 and 799 black,
  // but for the image's own pixel at (799, 599). Drawing it costs as much
  // as decoding a small payload, so only when the switch byte asks.
  if ((flags & 0x20) == 0) return 0;
  DrawScreenFrame(surface);
  const Pixel black = Colour('A');
  FUZZ_REQUIRE(surface.CurrentPen() == black, "the frame leaves pen A selected");
  static const std::vector<Pixel> black_rows(6 * kWidth, black);
  const Pixel* pixels = surface.Pixels();
  const auto row = [&](int y) { return pixels + static_cast<size_t>(y) * kWidth; };
  const Pixel corner = canvas.pixels[kPixels - 1];
  FUZZ_REQUIRE(
      std::memcmp(row(0), black_rows.data(), 6 * kWidth * sizeof(Pixel)) == 0 &&
          std::memcmp(row(598), black_rows.data(), (2 * kWidth - 1) * sizeof(Pixel)) == 0 &&
          row(599)[kWidth - 1] == corner,
      "the frame's rows, all but the last pixel");
  for (int y = 6; y < 598; ++y) {
    const Pixel* r = row(y);
    FUZZ_REQUIRE(r[0] == black && r[1] == black && r[kWidth - 2] == black && r[kWidth - 1] == black,
                 "the frame's columns");
  }
  return 0;
}
