#include <gtest/gtest.h>

#include <map>

#include "screen/screen_image.h"

namespace corvane {
namespace {

TEST(PenTable, EveryLetterHasItsColour) {
  const std::map<char, Pixel> expected = {
      {'A', MakePixel(0, 0, 0)},       {'B', MakePixel(255, 0, 0)},
      {'C', MakePixel(0, 255, 0)},     {'D', MakePixel(240, 240, 240)},
      {'E', MakePixel(0, 0, 255)},     {'G', MakePixel(0, 255, 255)},
      {'H', MakePixel(255, 255, 0)},   {'I', MakePixel(127, 127, 127)},
      {'J', MakePixel(220, 220, 220)}, {'K', MakePixel(220, 220, 220)},
      {'L', MakePixel(200, 200, 200)}, {'M', MakePixel(0, 255, 255)},
      {'N', MakePixel(200, 200, 200)}, {'O', MakePixel(128, 128, 128)},
      {'P', MakePixel(247, 247, 247)},
  };
  for (int c = 0; c < 256; ++c) {
    const auto pen = PenTable(static_cast<uint8_t>(c));
    const auto it = expected.find(static_cast<char>(c));
    if (it == expected.end()) {
      EXPECT_FALSE(pen.has_value()) << "byte " << c;
    } else {
      ASSERT_TRUE(pen.has_value()) << it->first;
      EXPECT_EQ(*pen, it->second) << it->first;
    }
  }
  // The neighbouring greys must not collapse into one.
  EXPECT_NE(*PenTable('I'), *PenTable('O'));
}

TEST(PenTable, ColourLettersAreAToPIncludingF) {
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(IsColourLetter(static_cast<uint8_t>(c)), c >= 'A' && c <= 'P') << "byte " << c;
  }
}

TEST(PenTable, RunDigits) {
  const int expected[] = {4, 8, 16, 32, 64, 128, 256, 512, 800};
  for (int c = 0; c < 256; ++c) {
    const std::optional<int> want =
        (c >= '1' && c <= '9') ? std::optional<int>(expected[c - '1']) : std::nullopt;
    EXPECT_EQ(RunLength(static_cast<uint8_t>(c)), want) << "byte " << c;
  }
}

TEST(PenTable, SelectColourPenKeepsThePenForF) {
  Surface surface;
  EXPECT_EQ(surface.CurrentPen(), kBlack);
  SelectColourPen(surface, 'E');
  EXPECT_EQ(surface.CurrentPen(), MakePixel(0, 0, 255));
  SelectColourPen(surface, 'F');
  EXPECT_EQ(surface.CurrentPen(), MakePixel(0, 0, 255));
  SelectColourPen(surface, 'Q');
  SelectColourPen(surface, 'b');
  EXPECT_EQ(surface.CurrentPen(), MakePixel(0, 0, 255));
}

}  // namespace
}  // namespace corvane
