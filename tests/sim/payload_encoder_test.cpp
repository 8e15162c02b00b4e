#include "payload_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "panel_model.h"
#include "panel_renderer.h"
#include "sim_test_support.h"

namespace corvane::sim {
namespace {

using testing::DecodesTo;

// Every letter with a pen, the look-alikes (J/K, G/M, L/N) included.
constexpr char kLetters[] = "ABCDEGHIJKLMNOP";

uint8_t RandomLetter(std::mt19937& rng) {
  return static_cast<uint8_t>(kLetters[std::uniform_int_distribution<int>(0, 14)(rng)]);
}

// Runs of random length laid over the image as one long line, so runs cross
// row ends at every possible column.
LetterImage RandomRunImage(std::mt19937& rng, int max_run) {
  LetterImage image;
  std::uniform_int_distribution<int> length(1, max_run);
  size_t i = 0;
  while (i < image.letters.size()) {
    const uint8_t c = RandomLetter(rng);
    const size_t n = std::min<size_t>(static_cast<size_t>(length(rng)), image.letters.size() - i);
    std::fill_n(image.letters.begin() + static_cast<std::ptrdiff_t>(i), n, c);
    i += n;
  }
  return image;
}

TEST(PayloadEncoderRoundTrip, RandomImagesDecodeBackExactly) {
  std::mt19937 rng(20261207);
  for (const int max_run : {1, 2, 3, 5, 9, 40, 300, 1700}) {
    for (int round = 0; round < 3; ++round) {
      const LetterImage image = RandomRunImage(rng, max_run);
      std::string payload;
      ASSERT_TRUE(EncodeScreenPayload(image, payload));
      EXPECT_TRUE(DecodesTo(payload, image)) << "max run " << max_run << ", round " << round;
    }
  }
}

TEST(PayloadEncoderRoundTrip, EveryRunLengthAtEveryRowEnd) {
  // A run of each length 1..40 ending at the row end, after one of each
  // length 1..40 starting the row; the middle filled with another letter.
  for (int head = 1; head <= 40; ++head) {
    LetterImage image;
    for (int y = 0; y < LetterImage::kHeight; ++y) {
      const int tail = 1 + (y % 40);
      uint8_t* row = image.Row(y);
      std::fill(row, row + LetterImage::kWidth, kColourPale);
      std::fill(row, row + head, kColourRed);
      std::fill(row + LetterImage::kWidth - tail, row + LetterImage::kWidth,
                (y & 1) ? kColourBlue : kColourRed);
    }
    std::string payload;
    ASSERT_TRUE(EncodeScreenPayload(image, payload));
    ASSERT_TRUE(DecodesTo(payload, image)) << "head " << head;
  }
}

TEST(PayloadEncoderRoundTrip, DefaultPanelDecodesExactly) {
  PanelModel model(1);
  model.AdvanceFrame();
  LetterImage image;
  RenderPanel(model, image);
  std::string payload;
  ASSERT_TRUE(EncodeScreenPayload(image, payload));
  EXPECT_TRUE(DecodesTo(payload, image));
  // A realistic size: tens of kilobytes, not the worst case.
  EXPECT_GT(payload.size(), 10'000u);
  EXPECT_LT(payload.size(), 100'000u);
}

TEST(PayloadEncoderCode, SpellsRunsAsTheDecoderReadsThem) {
  LetterImage image;
  std::fill(image.letters.begin(), image.letters.end(), kColourGreen);
  uint8_t* row = image.Row(0);
  row[0] = kColourBlack;                             // one pixel: a letter before a letter
  std::fill(row + 1, row + 6, kColourRed);           // five: one single, then "1"
  std::fill(row + 6, row + 9, kColourBlue);          // three singles
  std::fill(row + 9, row + 9 + 516, kColourYellow);  // 516 = 512 + 4: "8" then "1"
  std::string payload;
  ASSERT_TRUE(EncodeScreenPayload(image, payload));
  EXPECT_EQ(payload.substr(0, 18), "ABB1EEEH81C9C9C9C9");
  // A row equal to the one above costs the same bytes again.
  EXPECT_EQ(payload.size(), 12u + 599u * 2u);
  EXPECT_TRUE(DecodesTo(payload, image));
}

TEST(PayloadEncoderCode, HoldsOnlyLettersAndRunDigits) {
  std::mt19937 rng(7);
  const LetterImage image = RandomRunImage(rng, 6);
  std::string payload;
  ASSERT_TRUE(EncodeScreenPayload(image, payload));
  for (const char c : payload) {
    const bool letter = c >= 'A' && c <= 'P' && c != 'F';
    const bool digit = c >= '1' && c <= '9';
    ASSERT_TRUE(letter || digit) << "byte " << static_cast<int>(static_cast<uint8_t>(c));
  }
  EXPECT_LE(payload.size(), kMaxPayloadBytes);
  // The decoder's row ends must be the image's: a payload is whole rows, so
  // the last byte is the "9" that closes row 599.
  EXPECT_EQ(payload.back(), '9');
}

TEST(PayloadEncoderCode, WorstCaseStaysWithinTheBound) {
  LetterImage image;
  for (size_t i = 0; i < image.letters.size(); ++i)
    image.letters[i] = (i & 1) ? kColourBlack : kColourWhite;
  std::string payload;
  ASSERT_TRUE(EncodeScreenPayload(image, payload));
  EXPECT_LE(payload.size(), kMaxPayloadBytes);
  EXPECT_LT(payload.size(), static_cast<size_t>(ScreenImageBuffer::kCapacity));
  EXPECT_TRUE(DecodesTo(payload, image));
}

TEST(PayloadEncoderCode, RefusesBytesWithoutAPen) {
  for (const uint8_t bad : {uint8_t{'F'}, uint8_t{'Q'}, uint8_t{'1'}, uint8_t{0}, uint8_t{'a'}}) {
    LetterImage image;
    image.Row(599)[799] = bad;
    std::string payload = "stale";
    EXPECT_FALSE(EncodeScreenPayload(image, payload)) << static_cast<int>(bad);
    EXPECT_TRUE(payload.empty());
  }
}

}  // namespace
}  // namespace corvane::sim
