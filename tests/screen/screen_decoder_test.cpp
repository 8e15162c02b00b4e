#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "screen/screen_image.h"

namespace corvane {
namespace {

constexpr Pixel kMarker = MakePixel(1, 2, 3);
constexpr Pixel kRed = MakePixel(255, 0, 0);
constexpr Pixel kGreen = MakePixel(0, 255, 0);
constexpr Pixel kBlue = MakePixel(0, 0, 255);

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A surface whose every pixel shows kMarker, so that untouched pixels stand out.
std::unique_ptr<Surface> MarkedSurface(Pixel pen = kBlack) {
  auto surface = std::make_unique<Surface>();
  std::fill_n(surface->MutablePixels(), Surface::kWidth * Surface::kHeight, kMarker);
  surface->SelectPen(pen);
  return surface;
}

std::unique_ptr<Surface> Decode(std::string_view payload, Pixel pen = kBlack) {
  auto surface = MarkedSurface(pen);
  DecodeScreenPayload(Bytes(payload), *surface);
  return surface;
}

// Expects pixels [x0, x1) of row y to be `colour`.
void ExpectSpan(const Surface& surface, int y, int x0, int x1, Pixel colour) {
  for (int x = x0; x < x1; ++x) {
    ASSERT_EQ(surface.PixelAt(x, y), colour) << "pixel (" << x << ", " << y << ")";
  }
}

int CountPixels(const Surface& surface, Pixel colour) {
  return static_cast<int>(
      std::count(surface.Pixels(), surface.Pixels() + Surface::kWidth * Surface::kHeight, colour));
}

// "87321" moves x from 0 to 796 (512 + 256 + 16 + 8 + 4), "541" to 100.
constexpr std::string_view kTo796 = "87321";
constexpr std::string_view kTo100 = "541";

TEST(ScreenDecoderRowEnd, NineFillsTheRestOfTheRow) {
  auto whole = Decode("B9C1");
  ExpectSpan(*whole, 0, 0, 800, kRed);
  ExpectSpan(*whole, 1, 0, 4, kGreen);
  EXPECT_EQ(whole->PixelAt(4, 1), kMarker);

  auto part = Decode(std::string(kTo100) + "B9C1");
  ExpectSpan(*part, 0, 0, 100, kBlack);
  ExpectSpan(*part, 0, 100, 800, kRed);
  ExpectSpan(*part, 1, 0, 4, kGreen);
  EXPECT_EQ(part->PixelAt(4, 1), kMarker);
}

TEST(ScreenDecoderRowEnd, RunPastTheLastColumnIsDroppedNotCarried) {
  // From 796 the 4-pixel run just reaches the end.
  auto exact = Decode(std::string(kTo796) + "B1C1");
  ExpectSpan(*exact, 0, 796, 800, kRed);
  ExpectSpan(*exact, 1, 0, 4, kGreen);
  EXPECT_EQ(exact->PixelAt(4, 1), kMarker);

  // From 797 (one black single pixel first) a pixel of the run is lost.
  auto over = Decode(std::string(kTo796) + "AB1C1", kBlue);
  EXPECT_EQ(over->PixelAt(796, 0), kBlack);
  ExpectSpan(*over, 0, 797, 800, kRed);
  ExpectSpan(*over, 1, 0, 4, kGreen);
  EXPECT_EQ(over->PixelAt(4, 1), kMarker);
}

TEST(ScreenDecoderRowEnd, SinglePixelInTheLastColumnEndsTheRow) {
  auto surface = Decode(std::string(kTo796) + "BBBBC1");
  ExpectSpan(*surface, 0, 796, 800, kRed);
  ExpectSpan(*surface, 1, 0, 4, kGreen);
  EXPECT_EQ(surface->PixelAt(4, 1), kMarker);
}

TEST(ScreenDecoderRowEnd, PayloadEndingMidRowLeavesTheRestUntouched) {
  auto surface = Decode("B5");
  ExpectSpan(*surface, 0, 0, 64, kRed);
  EXPECT_EQ(CountPixels(*surface, kMarker), 800 * 600 - 64);
  EXPECT_EQ(surface->PenX(), 64);
  EXPECT_EQ(surface->PenY(), 0);
}

TEST(ScreenDecoderRowEnd, RowsBelowTheSurfaceAreDecodedAndClipped) {
  std::string payload = "B" + std::string(599, '9') + "C9";  // row 599 green
  for (int i = 0; i < 50; ++i) payload += "D9AB8";           // rows 600 on
  payload += "EF";
  auto surface = Decode(payload);
  EXPECT_EQ(CountPixels(*surface, kRed), 800 * 599);
  ExpectSpan(*surface, 599, 0, 800, kGreen);
  // The last letter with a pen decides the pen even below the surface.
  EXPECT_EQ(surface->CurrentPen(), kBlue);
  EXPECT_EQ(surface->PenX(), 0);
  EXPECT_EQ(surface->PenY(), 600);
}

TEST(ScreenDecoderSinglePixel, LetterBeforeLetterDrawsOnePixelInItsOwnPen) {
  auto a1b9 = Decode("A1B9C1", kBlue);
  ExpectSpan(*a1b9, 0, 0, 4, kBlack);
  ExpectSpan(*a1b9, 0, 4, 800, kRed);
  ExpectSpan(*a1b9, 1, 0, 4, kGreen);

  auto ab3 = Decode("AB3C1", kBlue);
  EXPECT_EQ(ab3->PixelAt(0, 0), kBlack);
  ExpectSpan(*ab3, 0, 1, 17, kRed);
  ExpectSpan(*ab3, 0, 17, 21, kGreen);
  EXPECT_EQ(ab3->PixelAt(21, 0), kMarker);
}

TEST(ScreenDecoderSinglePixel, NoPixelBeforeADigitOrAnotherByte) {
  auto a3 = Decode("A3", kBlue);
  ExpectSpan(*a3, 0, 0, 16, kBlack);
  EXPECT_EQ(a3->PixelAt(16, 0), kMarker);

  auto a0b3 = Decode("A0B3");
  ExpectSpan(*a0b3, 0, 0, 16, kRed);
  EXPECT_EQ(a0b3->PixelAt(16, 0), kMarker);
}

TEST(ScreenDecoderSinglePixel, FDrawsInTheCurrentPen) {
  // B's pixel, then F's in B's pen; the final A only selects black.
  auto bfa = Decode("C1BFA");
  ExpectSpan(*bfa, 0, 0, 4, kGreen);
  ExpectSpan(*bfa, 0, 4, 6, kRed);
  EXPECT_EQ(bfa->PixelAt(6, 0), kMarker);
  EXPECT_EQ(bfa->CurrentPen(), kBlack);

  // F as the last byte draws nothing; C's pixel is drawn since F is a letter.
  auto cf = Decode("B1CF");
  ExpectSpan(*cf, 0, 0, 4, kRed);
  EXPECT_EQ(cf->PixelAt(4, 0), kGreen);
  EXPECT_EQ(cf->PixelAt(5, 0), kMarker);
  EXPECT_EQ(cf->CurrentPen(), kGreen);

  // F first uses the pen the surface came with.
  auto fb = Decode("FB1", kBlue);
  EXPECT_EQ(fb->PixelAt(0, 0), kBlue);
  ExpectSpan(*fb, 0, 1, 5, kRed);
}

TEST(ScreenDecoderSinglePixel, LastLetterDrawsNothing) {
  auto surface = Decode("1B");
  ExpectSpan(*surface, 0, 0, 4, kBlack);
  EXPECT_EQ(surface->PixelAt(4, 0), kMarker);
  EXPECT_EQ(surface->CurrentPen(), kRed);
}

TEST(ScreenDecoder, FirstRunUsesTheSurfacesPen) {
  auto surface = Decode("2", kBlue);
  ExpectSpan(*surface, 0, 0, 8, kBlue);
  EXPECT_EQ(surface->PixelAt(8, 0), kMarker);
}

TEST(ScreenDecoder, EveryOtherByteIsSkipped) {
  for (int b = 0; b < 256; ++b) {
    if ((b >= '1' && b <= '9') || (b >= 'A' && b <= 'P')) continue;
    const char other = static_cast<char>(b);
    // The byte neither draws, nor moves, nor joins two letters into a pixel.
    const std::string payload = std::string("B") + other + "C" + other + "C" + other + "1";
    auto surface = Decode(payload);
    ExpectSpan(*surface, 0, 0, 4, kGreen);
    EXPECT_EQ(CountPixels(*surface, kMarker), 800 * 600 - 4) << "byte " << b;
  }
}

TEST(ScreenDecoder, EmptyPayloadChangesNothing) {
  auto surface = Decode("", kRed);
  EXPECT_EQ(CountPixels(*surface, kMarker), 800 * 600);
  EXPECT_EQ(surface->CurrentPen(), kRed);
}

// The decoder exactly as the controller's code reads: one line operation per
// run or single pixel on a plain pixel array, every row decoded, clipping
// done pixel by pixel. Its own copy of the colours, so a slip in the shared
// table does not hide in both.
struct ReferenceCanvas {
  std::vector<Pixel> pixels;
  Pixel pen;
  int pen_x = 0;
  int pen_y = 0;

  void MoveTo(int x, int y) {
    pen_x = x;
    pen_y = y;
  }
  void LineTo(int x, int y) {
    for (int px = pen_x; px < x && y < Surface::kHeight; ++px) {
      if (px >= 0 && px < Surface::kWidth && y >= 0) {
        pixels[static_cast<size_t>(y) * Surface::kWidth + static_cast<size_t>(px)] = pen;
      }
    }
    MoveTo(x, y);
  }
};

void ReferenceDecode(std::span<const uint8_t> payload, ReferenceCanvas& canvas) {
  static const std::array<Pixel, 16> kColours = {
      MakePixel(0, 0, 0),       MakePixel(255, 0, 0),     MakePixel(0, 255, 0),
      MakePixel(240, 240, 240), MakePixel(0, 0, 255),     0,
      MakePixel(0, 255, 255),   MakePixel(255, 255, 0),   MakePixel(127, 127, 127),
      MakePixel(220, 220, 220), MakePixel(220, 220, 220), MakePixel(200, 200, 200),
      MakePixel(0, 255, 255),   MakePixel(200, 200, 200), MakePixel(128, 128, 128),
      MakePixel(247, 247, 247)};
  auto is_letter = [](uint8_t c) { return c >= 'A' && c <= 'P'; };
  int x = 0;
  int y = 0;
  canvas.MoveTo(0, 0);
  for (size_t i = 0; i < payload.size(); ++i) {
    const uint8_t c = payload[i];
    if (c >= '1' && c <= '9') {
      x += c == '9' ? 800 : 4 << (c - '1');
      canvas.LineTo(x, y);
    } else if (is_letter(c)) {
      if (c != 'F') canvas.pen = kColours[c - 'A'];
      if (i + 1 < payload.size() && is_letter(payload[i + 1])) {
        x += 1;
        canvas.LineTo(x, y);
      }
    }
    if (x >= 800) {
      x = 0;
      y += 1;
      canvas.MoveTo(0, y);
    }
  }
}

std::vector<uint8_t> RandomPayload(std::mt19937& rng) {
  static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOP";
  static constexpr std::string_view kDigits = "123456789";
  std::uniform_int_distribution<int> pick(0, 99);
  // Mostly short payloads; now and then one that runs far below the surface.
  const int shape = pick(rng);
  const size_t length = shape < 70   ? std::uniform_int_distribution<size_t>(0, 3000)(rng)
                        : shape < 90 ? std::uniform_int_distribution<size_t>(3000, 60000)(rng)
                                     : std::uniform_int_distribution<size_t>(200000, 500000)(rng);
  // How often letters, digits and other bytes come.
  const int letters = pick(rng);
  const int digits = std::uniform_int_distribution<int>(0, 100 - letters)(rng);
  std::vector<uint8_t> payload(length);
  for (auto& byte : payload) {
    const int roll = pick(rng);
    if (roll < letters) {
      byte = static_cast<uint8_t>(kLetters[static_cast<size_t>(pick(rng)) % kLetters.size()]);
    } else if (roll < letters + digits) {
      byte = static_cast<uint8_t>(kDigits[static_cast<size_t>(pick(rng)) % kDigits.size()]);
    } else {
      byte = static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng));
    }
  }
  return payload;
}

TEST(ScreenDecoderProperty, MatchesThePixelByPixelReference) {
  std::mt19937 rng(20261207);
  // One surface for all payloads: each decode starts from what the last one
  // left, pixels and pen, as on the real drawing surface.
  auto surface = MarkedSurface();
  ReferenceCanvas reference{std::vector<Pixel>(surface->Pixels(), surface->Pixels() + 800 * 600),
                            kBlack};
  for (int trial = 0; trial < 150; ++trial) {
    const std::vector<uint8_t> payload = RandomPayload(rng);
    DecodeScreenPayload(payload, *surface);
    ReferenceDecode(payload, reference);
    ASSERT_EQ(surface->CurrentPen(), reference.pen) << "trial " << trial;
    ASSERT_TRUE(std::equal(reference.pixels.begin(), reference.pixels.end(), surface->Pixels()))
        << "trial " << trial << ", payload of " << payload.size() << " bytes";
  }
}

}  // namespace
}  // namespace corvane
