// After a link goes down by itself: the tries to reconnect, and what the
// commands do while it is down.
#include "app/reconnect.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/commands.h"
#include "app/connection_message.h"
#include "app/menu_table.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/status_counters.h"
#include "support/front_end_fakes.h"
#include "support/scratch_dir.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

class ReconnectTest : public ::testing::Test {
 protected:
  testing::FakePortSetting port_;
  testing::FakeLink link_{port_};
  testing::FakeWindow window_;
  testing::ManualScheduler scheduler_;
  Reconnector reconnector_{link_, port_, window_, scheduler_};
};

TEST_F(ReconnectTest, TriesTheSamePortOnceASecondUntilItOpens) {
  reconnector_.LinkLost(3);
  EXPECT_TRUE(reconnector_.Waiting());
  EXPECT_EQ(window_.captions.back(), "Corvane - COM3 (reconnecting...)");
  scheduler_.Advance(999ms);
  EXPECT_TRUE(link_.calls.empty());
  scheduler_.Advance(1ms);
  scheduler_.Advance(2s);
  EXPECT_EQ(link_.calls, (std::vector<std::string>{"open 3", "open 3", "open 3"}));
  link_.working = {3};  // the adapter is plugged back in
  scheduler_.Advance(1s);
  EXPECT_TRUE(link_.up);
  EXPECT_FALSE(reconnector_.Waiting());
  EXPECT_EQ(window_.captions.back(), "Corvane - COM3");
  EXPECT_EQ(scheduler_.Pending(), 0u);
  // A second loss starts over.
  link_.up = false;
  reconnector_.LinkLost(3);
  scheduler_.Advance(1s);
  EXPECT_EQ(link_.calls.size(), 5u);
  EXPECT_TRUE(link_.up);
}

TEST_F(ReconnectTest, StopsWhenTheOperatorChoseAnotherPortOrTheLinkIsBackOrItEnds) {
  reconnector_.LinkLost(3);
  port_.port = 5;
  scheduler_.Advance(5s);
  EXPECT_TRUE(link_.calls.empty());
  EXPECT_FALSE(reconnector_.Waiting());

  port_.port = 3;
  reconnector_.LinkLost(3);
  link_.up = true;  // the operator's OK in the port dialog brought it back
  scheduler_.Advance(5s);
  EXPECT_TRUE(link_.calls.empty());

  link_.up = false;
  reconnector_.LinkLost(3);
  reconnector_.Stop();
  scheduler_.Advance(5s);
  EXPECT_TRUE(link_.calls.empty());
  EXPECT_EQ(scheduler_.Pending(), 0u);
}

TEST_F(ReconnectTest, ADeviceServerIsTriedAgainUntilItAnswersOrCommPortIsChosen) {
  const std::string plc7 = "rfc2217://plc7:4001";
  port_.address = plc7;
  reconnector_.LinkLost(0, plc7);
  EXPECT_EQ(window_.captions.back(), "Corvane - plc7:4001 (reconnecting...)");
  scheduler_.Advance(1s);
  link_.working_addresses = {plc7};  // the server is switched on again
  scheduler_.Advance(1s);
  EXPECT_EQ(link_.calls, (std::vector<std::string>{"open " + plc7, "open " + plc7}));
  EXPECT_EQ(window_.captions.back(), "Corvane - plc7:4001");
  link_.up = false;
  reconnector_.LinkLost(0, plc7);
  port_.address.clear();
  scheduler_.Advance(5s);
  EXPECT_EQ(link_.calls.size(), 2u);
}

// A device server may take seconds to answer a try; the window goes on
// meanwhile, and the operator's own open from the dialog overtakes it.
TEST_F(ReconnectTest, ASlowServerIsTriedOnceAtATimeAndTheOperatorsOwnOpenWins) {
  const std::string plc7 = "rfc2217://plc7:4001";
  port_.address = plc7;
  link_.hold_addresses = true;
  reconnector_.LinkLost(0, plc7);
  scheduler_.Advance(11s);
  EXPECT_EQ(link_.calls.size(), 1u);
  link_.AnswerHeldOpen();  // refused
  EXPECT_EQ(reconnector_.FailedTries(), 1u);
  scheduler_.Advance(1s);
  ASSERT_TRUE(link_.Opening());

  link_.ReleaseLink();
  link_.OpenLink([](std::error_code) {});
  scheduler_.Advance(3s);  // no try of its own while the operator's runs
  EXPECT_EQ(link_.calls,
            (std::vector<std::string>{"open " + plc7, "open " + plc7, "release", "open " + plc7}));
  EXPECT_EQ(reconnector_.FailedTries(), 1u);
  link_.working_addresses = {plc7};
  link_.AnswerHeldOpen();
  scheduler_.Advance(1s);
  EXPECT_FALSE(reconnector_.Waiting());
  EXPECT_EQ(link_.calls.size(), 4u);
}

// A backup or restore chosen while the link is down is refused at once:
// no dialog, no file, nothing queued or armed.
TEST(CommandsWhileDown, BackupAndRestoreAreRefusedBeforeAnyFileIsChosen) {
  testing::ScratchDir dir;
  TransmitQueue queue;
  StatusCounters counters;
  testing::RecordingMessages messages;
  CaptureState capture{queue, counters, messages, [](std::chrono::milliseconds) {}};
  RestoreRequest restore;
  testing::FakePortSetting port;
  testing::FakeLink link{port};
  testing::FakeChooser chooser;
  testing::FakePortDialog port_dialog;
  testing::FakeWindow window;
  testing::FakePictureView picture;
  testing::FakeClipboard clipboard;
  testing::FakeSettings settings;
  CommandDispatch dispatch{CommandParts{counters, capture, restore, messages, link, port, chooser,
                                        port_dialog, window, picture, clipboard, settings,
                                        [](std::chrono::milliseconds) {}}};
  const std::string path = (dir.Path() / "down.spb").string();
  chooser.answers.push_back(FileChoice{path, "down.spb"});
  chooser.answers.push_back(FileChoice{path, "down.spb"});

  ASSERT_TRUE(dispatch.Run(command_id::kBackupAll));
  ASSERT_TRUE(dispatch.Run(command_id::kRestoreStation[2]));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_FALSE(capture.Capturing());
  EXPECT_FALSE(restore.Armed());
  EXPECT_TRUE(chooser.asked.empty()) << "no file dialog was shown";
  ASSERT_EQ(messages.Count(), 2u);
  for (const OperatorMessage& shown : messages.Messages()) {
    EXPECT_EQ(shown.caption, kConnectionCaption);
    EXPECT_EQ(shown.text.rfind(kNotConnectedText, 0), 0u) << shown.text;
    EXPECT_NE(shown.text.find("COM3"), std::string::npos) << shown.text;
  }
}

}  // namespace
}  // namespace corvane
