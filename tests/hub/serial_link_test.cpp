#include "hub/serial_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include "link/protocol.h"
#include "support/cpu_time.h"
#include "support/device_directory.h"
#include "support/opened.h"
#include "support/pty_pair.h"
#include "support/receiver_rig.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using testing::DeviceDirectory;
using testing::kPatience;
using testing::PtyPair;
using testing::ReceiverRig;

constexpr int kPort = 3;
constexpr std::string_view kLossCaption = "link lost";

// Records each reported loss as a message naming the port.
LinkLostHandler RecordLoss(testing::RecordingMessages& messages) {
  return [&messages](int port) {
    messages.Show({std::string(kLossCaption), std::to_string(port), MessageIcon::kWarning});
  };
}

// One controller on a pseudo-terminal mapped as COM3, and the link under test.
class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_.MapPort(kPort, pty_.SlavePath()); }

  // Opens the link and takes the first screen request at the controller.
  void OpenAndTakeFirstRequest() {
    ASSERT_TRUE(testing::Opened(link_.OpenLink(kPort)));
    ASSERT_EQ(pty_.ReadUntil(kScreenRequest), kScreenRequest);
  }

  PtyPair pty_;
  DeviceDirectory dir_;
  ReceiverRig rig_;
  SerialLink link_{rig_.context, RecordLoss(rig_.messages), dir_.Path()};
};
using LinkOpen = LinkTest;
using LinkTraffic = LinkTest;
using LinkClose = LinkTest;
using LinkHangUp = LinkTest;
using LinkIdle = LinkTest;

TEST_F(LinkOpen, OpenSendsTheFirstScreenRequestAsPacedSingleBytes) {
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(testing::Opened(link_.OpenLink(kPort)));
  EXPECT_TRUE(link_.IsConnected());
  EXPECT_EQ(pty_.ReadCount(3), "<1>");
  // Three one-byte writes, each followed by a 1 ms pause: the third byte
  // cannot leave before two pauses have passed.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 2ms);
  EXPECT_EQ(link_.DevicePath(), (dir_.Path() / "com3").string());
}

TEST_F(LinkTraffic, FewerThanThirtyTwoBytesLeaveOneAtATime) {
  OpenAndTakeFirstRequest();
  const std::string keys(31, 'k');
  const auto start = std::chrono::steady_clock::now();
  rig_.queue.EnqueueBytes(keys);
  EXPECT_EQ(pty_.ReadCount(keys.size()), keys);
  // 31 single-byte writes: 30 pauses of 1 ms before the last one.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

TEST_F(LinkTraffic, RestoreOfManyBlocksArrivesByteExact) {
  OpenAndTakeFirstRequest();
  const auto file = dir_ / "many.spb";
  std::string lines;
  std::string expected = "<2>";
  for (int i = 0; i < 300; ++i) {
    const std::string record = std::to_string(7077888 + i) + " " + std::to_string(i * 37) + " ;";
    lines += record + "\r\n";
    expected += record;
  }
  expected += "}<1>";
  testing::WriteWholeFile(file, lines);
  rig_.restore.ArmRestore(file.string(), false, 0);
  pty_.Write("{A}");
  EXPECT_EQ(pty_.ReadUntil("}<1>"), expected);
  EXPECT_EQ(rig_.counters.LinesSent.load(), 300);
}

TEST_F(LinkOpen, PortThatCannotBeOpenedStartsNothing) {
  EXPECT_NE(link_.OpenLink(0), std::error_code());
  EXPECT_NE(link_.OpenLink(9), std::error_code());  // com9 is absent and /dev/ttyS8 is no pty
  EXPECT_FALSE(link_.IsOpen());
  EXPECT_FALSE(link_.IsConnected());
  EXPECT_TRUE(rig_.queue.IsEmpty());  // no receiver ran, so no screen request
  dir_.MapPort(8, (dir_.Path() / "unplugged").string());
  EXPECT_EQ(link_.OpenLink(8), std::errc::no_such_file_or_directory);
  link_.ReleaseLink();
}

TEST_F(LinkOpen, SecondLinkOnAHeldPortIsRefused) {
  OpenAndTakeFirstRequest();
  ReceiverRig other_rig;
  SerialLink other(other_rig.context, RecordLoss(other_rig.messages), dir_.Path());
  EXPECT_EQ(other.OpenLink(kPort), std::errc::device_or_resource_busy);
  EXPECT_TRUE(other_rig.queue.IsEmpty());
  // The first link is untouched.
  pty_.Write("{A}");
  EXPECT_EQ(pty_.ReadUntil(kScreenRequest), kScreenRequest);
}

TEST_F(LinkTraffic, MirrorsImagesWrittenInPiecesAndBackToBack) {
  OpenAndTakeFirstRequest();
  for (std::string_view piece : {"{", "A", "B", "1", "}"}) pty_.Write(piece);
  EXPECT_EQ(pty_.ReadUntil(kScreenRequest), kScreenRequest);
  pty_.Write("{C}{D2}");
  EXPECT_EQ(pty_.ReadCount(6), "<1><1>");
  rig_.display.WaitForPictures(3);
  EXPECT_EQ(rig_.display.Payloads(), (std::vector<std::string>{"AB1", "C", "D2"}));
}

TEST_F(LinkTraffic, EveryByteValuePassesTheLineUnchanged) {
  OpenAndTakeFirstRequest();
  const std::string payload("\r\n\x03\x11\x13\x1a\x7f\xff\x00z", 10);
  pty_.Write("{" + payload + "}");
  EXPECT_EQ(pty_.ReadUntil(kScreenRequest), kScreenRequest);
  rig_.display.WaitForPictures(1);
  EXPECT_EQ(rig_.display.Payloads(), std::vector<std::string>{payload});
}

TEST_F(LinkTraffic, PayloadFarBeyondOneReadIsReadWhole) {
  OpenAndTakeFirstRequest();
  // Many times the 10,000-byte read and the pseudo-terminal's buffer.
  std::string payload(50'000, '9');
  for (size_t i = 0; i < payload.size(); i += 7) payload[i] = 'B';
  pty_.Write("{" + payload + "}");
  EXPECT_EQ(pty_.ReadUntil(kScreenRequest), kScreenRequest);
  rig_.display.WaitForPictures(1);
  const auto payloads = rig_.display.Payloads();
  ASSERT_EQ(payloads.size(), 1u);
  EXPECT_EQ(payloads[0], payload);
}

TEST_F(LinkOpen, KeysQueuedBetweenLinksGoOutOnTheNext) {
  rig_.queue.EnqueueByte(0x41);
  ASSERT_TRUE(testing::Opened(link_.OpenLink(kPort)));
  // The waiting key goes out first, ahead of the link's screen request.
  EXPECT_EQ(pty_.ReadUntil(kScreenRequest), "A<1>");
  rig_.queue.EnqueueByte(0x42);
  EXPECT_EQ(pty_.ReadCount(1), "B");
}

TEST_F(LinkTraffic, BackupAndRestoreEndToEnd) {
  OpenAndTakeFirstRequest();
  const auto file = dir_ / "station1.spb";
  ASSERT_TRUE(rig_.capture.StartBackup(file.string(), BackupCommand(1)));
  EXPECT_EQ(pty_.ReadCount(4), "<12>");

  const size_t texts_before = rig_.display.TextCount();
  pty_.Write("[1 2 ;\n3 4 ;\n]");
  // ";", ";" and the block end each show a text; the file is closed first.
  rig_.display.WaitForTexts(texts_before + 3);
  EXPECT_EQ(testing::ReadWholeFile(file), "1 2 ;\r\n3 4 ;\r\n");
  EXPECT_EQ(rig_.counters.ParametersReceived.load(), 2);

  rig_.restore.ArmRestore(file.string(), false, 0);
  pty_.Write("{A}");
  EXPECT_EQ(pty_.ReadUntil("}<1>"), "<2>1 2 ;3 4 ;}<1>");
  rig_.display.WaitForPictures(1);
  EXPECT_FALSE(rig_.restore.Armed());
  EXPECT_EQ(rig_.messages.Count(), 0u);
}

TEST_F(LinkClose, CloseWhileTheReceiverWaitsReturnsAndReopenWorks) {
  OpenAndTakeFirstRequest();
  link_.ReleaseLink();
  EXPECT_FALSE(link_.IsOpen());
  EXPECT_TRUE(rig_.queue.IsEmpty());
  // The same port again, after its events were released.
  EXPECT_EQ(link_.PrepareLinkEvents(), 1);
  OpenAndTakeFirstRequest();
  EXPECT_TRUE(link_.IsConnected());
}

TEST_F(LinkClose, CloseDuringARestoreDrainEndsTheRestore) {
  OpenAndTakeFirstRequest();
  // Far more than the pseudo-terminal takes while the controller reads
  // nothing: the sender's write blocks and the queue cannot drain.
  const auto file = dir_ / "big.spb";
  std::string lines;
  for (int i = 0; i < 4000; ++i) lines += std::to_string(1000000 + i) + " 123456 ;\r\n";
  testing::WriteWholeFile(file, lines);
  rig_.restore.ArmRestore(file.string(), false, 0);
  pty_.Write("{A}");
  // "Images: n", then the sending text once the restore waits for the drain.
  rig_.display.WaitForTexts(2);
  EXPECT_EQ(rig_.display.Texts()[1].rfind("Sending Parameters", 0), 0u);

  link_.ReleaseLink();  // returns only when both workers have ended
  EXPECT_FALSE(link_.IsOpen());
  // The restore was cut off and said so; what it left queued was dropped.
  EXPECT_EQ(rig_.messages.Count(), 1u);
  EXPECT_TRUE(rig_.queue.IsEmpty());
}

TEST_F(LinkClose, ReopenOnAnotherPortMovesTheLink) {
  OpenAndTakeFirstRequest();
  PtyPair second;
  dir_.MapPort(4, second.SlavePath());
  link_.ReleaseLink();
  link_.PrepareLinkEvents();
  ASSERT_TRUE(testing::Opened(link_.OpenLink(4)));
  EXPECT_EQ(second.ReadUntil(kScreenRequest), kScreenRequest);
  rig_.queue.EnqueueByte('K');
  EXPECT_EQ(second.ReadCount(1), "K");
  // The old port is free again for anybody.
  SerialPort probe;
  EXPECT_TRUE(testing::Opened(probe.OpenSerialPort(kPort, dir_.Path())));
}

TEST_F(LinkOpen, ImageLeftOpenByTheLastLinkEndsWithTheNewLinksBytes) {
  // As a link closed in the middle of an image leaves it.
  rig_.state.image_mode = true;
  rig_.image.count = 2;
  OpenAndTakeFirstRequest();
  pty_.Write("CD}");
  EXPECT_EQ(pty_.ReadUntil(kScreenRequest), kScreenRequest);
  rig_.display.WaitForPictures(1);
  EXPECT_EQ(rig_.display.Payloads(), std::vector<std::string>{"CD"});
}

TEST_F(LinkClose, BlockCutOffByACloseIsReportedAndNotContinued) {
  OpenAndTakeFirstRequest();
  const auto file = dir_ / "cut.spb";
  ASSERT_TRUE(rig_.capture.StartBackup(file.string(), BackupCommand(0)));
  EXPECT_EQ(pty_.ReadCount(4), "<11>");
  pty_.Write("[1 2 ;");
  rig_.display.WaitForTexts(1);  // the ";" was captured
  link_.ReleaseLink();
  EXPECT_EQ(rig_.messages.Count(), 1u);  // reported as incomplete
  EXPECT_FALSE(rig_.capture.Capturing());
  EXPECT_FALSE(rig_.state.parameter_block_mode);

  // The next link's images are mirrored, not poured into the backup file.
  link_.PrepareLinkEvents();
  OpenAndTakeFirstRequest();
  pty_.Write("{EF}");
  EXPECT_EQ(pty_.ReadUntil(kScreenRequest), kScreenRequest);
  rig_.display.WaitForPictures(1);
  EXPECT_EQ(rig_.display.Payloads(), std::vector<std::string>{"EF"});
  EXPECT_EQ(testing::ReadWholeFile(PartialBackupPath(file.string())), "1 2 ;");
}

TEST_F(LinkHangUp, FarSideHangingUpMarksTheLinkDownOnceAndTheSamePortReconnects) {
  OpenAndTakeFirstRequest();
  pty_.CloseMaster();
  rig_.messages.WaitForMessages(1);
  const auto messages = rig_.messages.Messages();
  EXPECT_EQ(messages[0].caption, kLossCaption);
  EXPECT_EQ(messages[0].text, std::to_string(kPort));
  EXPECT_TRUE(link_.LinkLost());
  EXPECT_FALSE(link_.IsConnected());

  // Neither worker spins on the dead line, not even with a key queued.
  rig_.queue.EnqueueByte('Q');
  EXPECT_LT(testing::CpuShareOver(400ms), testing::kSpinningShare);
  EXPECT_EQ(rig_.messages.Count(), 1u);

  // The controller comes back on a new device under the same number.
  PtyPair again;
  dir_.MapPort(kPort, again.SlavePath());
  ASSERT_TRUE(testing::Opened(link_.OpenLink(kPort)));
  EXPECT_FALSE(link_.LinkLost());
  EXPECT_TRUE(link_.IsConnected());
  // A key pressed at the dead link is not sprung on the controller later.
  EXPECT_EQ(again.ReadUntil(kScreenRequest), "<1>");
}

TEST_F(LinkIdle, IdleLinkSleeps) {
  OpenAndTakeFirstRequest();
  // A sender that polled the empty queue would take a whole core.
  EXPECT_LT(testing::CpuShareOver(400ms), testing::kSpinningShare);
}

}  // namespace
}  // namespace corvane
