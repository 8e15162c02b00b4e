// The replay's clock under a fake time: speeds, pause, seek, the end, the
// stretch, and the texts the controls show.
#include "app/replay_model.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr uint64_t kSecond = 1'000'000;

TEST(ReplayModel, PlaysAtEachSpeedAndHoldsWhilePaused) {
  ReplayModel model;
  model.Load(3600 * kSecond);
  const ReplayClock::time_point t0{};
  EXPECT_EQ(model.Position(t0 + seconds(5)), 0u);  // loaded paused

  model.Play(t0);
  EXPECT_EQ(model.Position(t0 + milliseconds(1500)), 1'500'000u);
  model.SetSpeed(10, t0 + seconds(2));  // 2 s at 1x, then 10x
  EXPECT_EQ(model.Position(t0 + seconds(3)), 12 * kSecond);
  model.SetSpeed(7, t0 + seconds(3));  // not offered: unchanged
  model.SetSpeed(100, t0 + seconds(3));
  EXPECT_EQ(model.Position(t0 + seconds(4)), 112 * kSecond);

  model.Pause(t0 + seconds(4));
  EXPECT_FALSE(model.Playing());
  EXPECT_EQ(model.Position(t0 + seconds(60)), 112 * kSecond);
  model.Play(t0 + seconds(60));
  EXPECT_EQ(model.Position(t0 + seconds(61)), 212 * kSecond);
}

TEST(ReplayModel, SeeksWithinTheRecordingAndStopsAtItsEnd) {
  ReplayModel model;
  model.Load(10 * kSecond);
  const ReplayClock::time_point t0{};
  model.Seek(99 * kSecond, t0);
  EXPECT_EQ(model.Position(t0), 10 * kSecond);

  // Playing from the end starts again; seeking while playing plays on
  // from there.
  model.Play(t0);
  EXPECT_EQ(model.Position(t0 + seconds(1)), 1 * kSecond);
  model.Seek(8 * kSecond, t0 + seconds(1));
  EXPECT_EQ(model.Tick(t0 + seconds(2)), 9 * kSecond);
  EXPECT_TRUE(model.Playing());
  EXPECT_EQ(model.Tick(t0 + seconds(30)), 10 * kSecond);
  EXPECT_FALSE(model.Playing());
  EXPECT_EQ(model.Position(t0 + seconds(40)), 10 * kSecond);
}

TEST(ReplayModel, TheStretchStaysInsideTheRecording) {
  ReplayModel model;
  model.Load(10 * kSecond);
  EXPECT_EQ(model.Stretch().to_us, 10 * kSecond);
  model.SetStretch({12 * kSecond, 40 * kSecond});
  EXPECT_EQ(model.Stretch().from_us, 10 * kSecond);
  EXPECT_EQ(model.Stretch().to_us, 10 * kSecond);
}

TEST(ReplayModel, AMarkPastTheOtherEndMovesThatEndOutOfTheWay) {
  ReplayModel model;
  model.Load(60 * kSecond);
  model.MarkStart(10 * kSecond);
  model.MarkEnd(20 * kSecond);
  EXPECT_EQ(model.Stretch().from_us, 10 * kSecond);
  EXPECT_EQ(model.Stretch().to_us, 20 * kSecond);
  EXPECT_EQ(ReplayStretchText(model.Stretch()), "Clip 0:00:10 to 0:00:20");
  model.MarkStart(30 * kSecond);  // after the end: the end goes to the recording's
  EXPECT_EQ(model.Stretch().from_us, 30 * kSecond);
  EXPECT_EQ(model.Stretch().to_us, 60 * kSecond);
  model.MarkEnd(5 * kSecond);  // before the start: the start goes to 0
  EXPECT_EQ(model.Stretch().from_us, 0u);
  EXPECT_EQ(model.Stretch().to_us, 5 * kSecond);
  model.MarkEnd(99 * kSecond);
  EXPECT_EQ(model.Stretch().to_us, 60 * kSecond);
}

TEST(ReplayTexts, RecordedTimeIsLocalAndPositionCountsHours) {
  // 2026-12-08 00:45:10.9 UTC, shown in a zone two hours ahead.
  const int64_t start = int64_t{1796690710} * 1'000'000 + 900'000;
  const auto plus_two = [](std::time_t when) -> std::optional<std::tm> {
    when += 2 * 3600;
    std::tm utc{};
    if (const std::tm* t = std::gmtime(&when)) utc = *t;
    return utc;
  };
  EXPECT_EQ(RecordedTimeText(start, 200'000, plus_two), "2026-12-08 02:45:11 local time");
  EXPECT_EQ(RecordedTimeText(start, 0, [](std::time_t) { return std::optional<std::tm>(); }),
            std::nullopt);
  EXPECT_EQ(ReplayPositionText(3723 * kSecond, 90000 * kSecond), "1:02:03 / 25:00:00");
}

}  // namespace
}  // namespace corvane
