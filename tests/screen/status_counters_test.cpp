#include "screen/status_counters.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>

#include "support/test_doubles.h"

namespace corvane {
namespace {

std::string Blanks(size_t n) { return std::string(n, ' '); }

TEST(StatusTexts, CarryTheirTrailingBlanks) {
  EXPECT_EQ(FormatImagesStatus(0), "Images: 0" + Blanks(44));
  EXPECT_EQ(FormatReceivingStatus(1), "Receiving Parameters: 1" + Blanks(13));
  EXPECT_EQ(FormatBlockEndStatus(7, 0), "Images: 7, Parameters: 0" + Blanks(2));
  EXPECT_EQ(FormatSendingStatus(12, 4096), "Sending Parameters: 12, 4096" + Blanks(16));
}

TEST(StatusTexts, NumbersAreSignedDecimalOfAnyWidth) {
  EXPECT_EQ(FormatImagesStatus(123456), "Images: 123456" + Blanks(44));
  EXPECT_EQ(FormatSendingStatus(-3, INT_MIN), "Sending Parameters: -3, -2147483648" + Blanks(16));
  EXPECT_EQ(FormatBlockEndStatus(INT_MAX, INT_MAX),
            "Images: 2147483647, Parameters: 2147483647" + Blanks(2));
}

TEST(StatusLine, ImagesShowsTheCountBeforeItGrows) {
  StatusCounters counters;
  testing::RecordingDisplay display;
  ShowImagesStatus(display, counters);
  ShowImagesStatus(display, counters);
  ASSERT_EQ(display.Texts().size(), 2u);
  EXPECT_EQ(display.Texts()[0], FormatImagesStatus(0));
  EXPECT_EQ(display.Texts()[1], FormatImagesStatus(1));
  EXPECT_EQ(counters.ImagesShown.load(), 2);
}

TEST(StatusLine, BlockEndCountsEarlierBlocksNotParameters) {
  StatusCounters counters;
  counters.ImagesShown = 5;
  counters.ParametersReceived = 40;
  testing::RecordingDisplay display;
  ShowBlockEndStatus(display, counters);
  ShowBlockEndStatus(display, counters);
  EXPECT_EQ(display.Texts()[0], FormatBlockEndStatus(5, 0));
  EXPECT_EQ(display.Texts()[1], FormatBlockEndStatus(5, 1));
  EXPECT_EQ(counters.BlocksCompleted.load(), 2);
  EXPECT_EQ(counters.ImagesShown.load(), 5);
}

TEST(StatusLine, ReceivingAndSendingOnlyShow) {
  StatusCounters counters;
  counters.ParametersReceived = 1;
  counters.LinesSent = 9;
  testing::RecordingDisplay display;
  ShowReceivingStatus(display, counters);
  ShowSendingStatus(display, counters, 321);
  EXPECT_EQ(display.Texts()[0], FormatReceivingStatus(1));
  EXPECT_EQ(display.Texts()[1], FormatSendingStatus(9, 321));
  EXPECT_EQ(counters.ParametersReceived.load(), 1);
  EXPECT_EQ(counters.LinesSent.load(), 9);
}

// The receiver counts and shows while the UI thread resets the per-command
// counters; under ThreadSanitizer this is the check that they may meet.
TEST(StatusLine, ReceiverAndUiThreadShareTheCounters) {
  StatusCounters counters;
  testing::RecordingDisplay display;  // touched by the receiver only
  constexpr int kImages = 2000;
  std::thread receiver([&] {
    for (int i = 0; i < kImages; ++i) {
      ShowImagesStatus(display, counters);
      counters.ParametersReceived.fetch_add(1);
      ShowReceivingStatus(display, counters);
    }
  });
  for (int i = 0; i < kImages; ++i) {
    counters.ParametersReceived.store(0);
    counters.LinesSent.store(0);
  }
  receiver.join();
  EXPECT_EQ(counters.ImagesShown.load(), kImages);
  ASSERT_EQ(display.Texts().size(), 2u * kImages);
  EXPECT_EQ(display.Texts()[2 * (kImages - 1)], FormatImagesStatus(kImages - 1));
}

}  // namespace
}  // namespace corvane
