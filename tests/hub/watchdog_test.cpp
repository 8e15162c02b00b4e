// The silence watchdog: a lost or stray byte, or a controller that went
// quiet, must not freeze the mirror for good.
#include "hub/silence_watchdog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "hub/receiver.h"
#include "hub/serial_link.h"
#include "link/protocol.h"
#include "support/device_directory.h"
#include "support/opened.h"
#include "support/pty_pair.h"
#include "support/receiver_rig.h"
#include "support/scratch_dir.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Clock = SilenceWatchdog::Clock;

void Feed(testing::ReceiverRig& rig, std::string_view bytes) {
  for (const char c : bytes) DemuxByte(rig.context, static_cast<uint8_t>(c), {});
}

TEST(SilenceWatchdogClock, CountsFromTheLastRestartAndNeverGoesBelowZero) {
  SilenceWatchdog watchdog(3000ms);
  const Clock::time_point start{};
  watchdog.Restart(start);
  EXPECT_EQ(watchdog.TimeLeft(start + 1ms), 2999ms);
  EXPECT_FALSE(watchdog.Silent(start + 2999ms));
  EXPECT_TRUE(watchdog.Silent(start + 3000ms));
  EXPECT_EQ(watchdog.TimeLeft(start + 1h), 0ms);
  // A part of a millisecond left is still a wait, never a busy zero.
  EXPECT_EQ(watchdog.TimeLeft(start + 2999500us), 1ms);
  watchdog.Restart(start + 1h);
  EXPECT_EQ(watchdog.TimeLeft(start + 1h), 3000ms);
}

TEST(RestartAfterSilence, DropsAnUnfinishedImageAndAsksAgainOnce) {
  testing::ReceiverRig rig;
  Feed(rig, "{B9B9");  // its "}" was lost on the line
  RestartAfterSilence(rig.context, {});
  EXPECT_EQ(rig.TakeQueued(), "<1>");
  EXPECT_EQ(rig.watchdog.Rerequests(), 1);
  EXPECT_EQ(rig.display.PictureCount(), 0);
  // A "}" that arrives late ends nothing: the next image is drawn whole.
  Feed(rig, "}{EF}");
  EXPECT_EQ(rig.display.Payloads(), std::vector<std::string>{"EF"});
}

TEST(RestartAfterSilence, EndsAStrayBlockAndReportsItsBackupIncomplete) {
  testing::ScratchDir dir;
  testing::ReceiverRig rig;
  const std::string path = (dir.Path() / "cut.spb").string();
  ASSERT_TRUE(rig.capture.StartBackup(path, "<1x>"));
  rig.TakeQueued();
  Feed(rig, "{B9[1 2 ;");  // a "[" inside an image opens a block no "]" ends
  RestartAfterSilence(rig.context, {});
  EXPECT_FALSE(rig.state.parameter_block_mode);
  EXPECT_FALSE(rig.capture.Capturing());
  ASSERT_EQ(rig.messages.Count(), 1u);
  EXPECT_EQ(
      rig.messages.Messages()[0].text,
      BackupIncompleteMessage(path, BackupCutOff::kControllerSilent, {}, PartialBackupPath(path))
          .text);
  EXPECT_EQ(rig.TakeQueued(), "<1>");
  // The screen bytes that follow are an image again, not block text.
  Feed(rig, "{EF}");
  EXPECT_EQ(rig.display.Payloads(), std::vector<std::string>{"EF"});
}

// A real link with a short quiet time: a controller that never answers gets
// one screen request per quiet time, not a flood, and one that answers late
// is mirrored again.
TEST(SilenceOnALink, AsksAgainOncePerQuietTimeUntilTheControllerAnswers) {
  constexpr auto kQuiet = 200ms;
  testing::PtyPair pty;
  testing::DeviceDirectory dir;
  ASSERT_TRUE(dir.MapPort(4, pty.SlavePath()));
  testing::ReceiverRig rig(kQuiet);
  SerialLink link(rig.context, {}, dir.Path());
  ASSERT_TRUE(testing::Opened(link.OpenLink(4)));
  ASSERT_EQ(pty.ReadUntil(kScreenRequest), kScreenRequest);
  // Counted from before the write: the n-th request cannot be sent before
  // n quiet times have passed, however late this thread reads each one.
  const auto written = Clock::now();
  pty.Write("{B9");  // and then nothing
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(pty.ReadUntil(kScreenRequest), kScreenRequest);
    EXPECT_GE(Clock::now() - written, i * kQuiet) << "re-request " << i << " came too soon";
  }
  EXPECT_GE(rig.watchdog.Rerequests(), 3);
  pty.Write("{EF}");
  ASSERT_TRUE(rig.display.WaitForPictures(1));
  EXPECT_EQ(rig.display.Payloads().back(), "EF");
  link.ReleaseLink();
}

}  // namespace
}  // namespace corvane
