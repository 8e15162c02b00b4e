#include "app/commands.h"

#include <gtest/gtest.h>

#include "app/captions.h"
#include "app/connection_message.h"
#include "app/menu_table.h"
#include "app/view_messages.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/png_file.h"
#include "screen/status_counters.h"
#include "support/front_end_fakes.h"
#include "support/queue_drain.h"
#include "support/scratch_dir.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

using testing::ReadWholeFile;
using testing::TakeAllQueued;

class CommandsTest : public ::testing::Test {
 protected:
  // Backups and restores are given while the link is up.
  void SetUp() override { link_.up = true; }
  std::string PathOf(const std::string& name) { return (dir_.Path() / name).string(); }
  void AnswerWith(const std::string& name) {
    chooser_.answers.push_back(FileChoice{PathOf(name), name});
  }

  testing::ScratchDir dir_;
  TransmitQueue queue_;
  StatusCounters counters_;
  testing::RecordingMessages messages_;
  testing::RecordingDisplay display_;
  CaptureState capture_{queue_, counters_, messages_, [](std::chrono::milliseconds) {}};
  RestoreRequest restore_;
  testing::FakePortSetting port_;
  testing::FakeLink link_{port_};
  testing::FakeChooser chooser_;
  testing::FakePortDialog port_dialog_;
  testing::FakeWindow window_;
  testing::FakePictureView picture_;
  testing::FakeClipboard clipboard_;
  testing::FakeSettings settings_;
  std::vector<std::chrono::milliseconds> pauses_;
  CommandDispatch dispatch_{
      CommandParts{counters_,
                   capture_,
                   restore_,
                   messages_,
                   link_,
                   port_,
                   chooser_,
                   port_dialog_,
                   window_,
                   picture_,
                   clipboard_,
                   settings_,
                   [this](std::chrono::milliseconds pause) { pauses_.push_back(pause); },
                   {},
                   [] {
                     std::tm time{};
                     time.tm_year = 2026 - 1900;
                     time.tm_mon = 11;
                     time.tm_mday = 7;
                     time.tm_hour = 10;
                     time.tm_min = 15;
                     time.tm_sec = 3;
                     return time;
                   }}};
};
using BackupCommands = CommandsTest;
using RestoreCommands = CommandsTest;
using WindowCommands = CommandsTest;
using PortCommand = CommandsTest;
using ViewCommands = CommandsTest;

TEST_F(BackupCommands, EveryBackupItemAsksWithItsMenuTextAndSendsItsStationsCommand) {
  const std::string expected[9] = {"<11>", "<12>", "<13>", "<14>", "<15>",
                                   "<16>", "<17>", "<18>", "<19>"};
  for (int station = 0; station <= 8; ++station) {
    SCOPED_TRACE(station);
    const int command =
        station == 0 ? command_id::kBackupAll : command_id::kBackupStation1 + station - 1;
    counters_.ParametersReceived = 5;
    const std::string name = "backup" + std::to_string(station) + ".spb";
    AnswerWith(name);
    ASSERT_TRUE(dispatch_.Run(command));
    EXPECT_EQ(TakeAllQueued(queue_), expected[station]);
    EXPECT_EQ(counters_.ParametersReceived.load(), 0);
    EXPECT_TRUE(capture_.Capturing());
    EXPECT_EQ(window_.captions.back(), "Mirelon - " + name);
    ASSERT_FALSE(chooser_.asked.empty());
    EXPECT_TRUE(chooser_.asked.back().save);
    EXPECT_EQ(chooser_.asked.back().title, MenuTextOf(command));
    EXPECT_EQ(chooser_.asked.back().default_name, "Mirelon Parameters");
  }
  EXPECT_EQ(chooser_.asked[1].title, "Backup Station 1 Parameters");
  EXPECT_EQ(chooser_.asked[0].title, "Backup All Station Parameters");
}

TEST_F(BackupCommands, BackupOfStationOneCapturesTheBlockIntoTheChosenFile) {
  AnswerWith("station1.spb");
  dispatch_.Run(command_id::kBackupStation1);
  EXPECT_EQ(TakeAllQueued(queue_), "<12>");
  for (char c : std::string("100 1 5 ;]")) {
    capture_.CaptureParameterByte(static_cast<uint8_t>(c), display_);
  }
  EXPECT_FALSE(capture_.Capturing());
  EXPECT_EQ(ReadWholeFile(PathOf("station1.spb")), "100 1 5 ;");
  EXPECT_EQ(counters_.ParametersReceived.load(), 1);
}

TEST_F(BackupCommands, CancelledBackupResetsTheCountAndSendsNothing) {
  counters_.ParametersReceived = 12;
  ASSERT_TRUE(dispatch_.Run(command_id::kBackupStation1 + 2));
  EXPECT_EQ(counters_.ParametersReceived.load(), 0);
  EXPECT_TRUE(queue_.IsEmpty());
  EXPECT_FALSE(capture_.Capturing());
  EXPECT_TRUE(window_.captions.empty());
  EXPECT_EQ(chooser_.asked.size(), 1u);
}

TEST_F(BackupCommands, BackupToAFileThatCannotBeCreatedStillNamesItAndSendsNothing) {
  AnswerWith("no/such/dir/x.spb");
  dispatch_.Run(command_id::kBackupAll);
  EXPECT_EQ(window_.captions.back(), "Mirelon - no/such/dir/x.spb");
  EXPECT_TRUE(queue_.IsEmpty());
  EXPECT_FALSE(capture_.Capturing());
  // The capture tells the operator; the command adds nothing of its own.
  EXPECT_EQ(messages_.Count(), 1u);
}

TEST_F(RestoreCommands, RestoreToStationSixArmsStationIndexFive) {
  counters_.LinesSent = 9;
  AnswerWith("six.spb");
  ASSERT_TRUE(dispatch_.Run(32799));
  const std::optional<RestoreSnapshot> armed = restore_.SnapshotIfArmed();
  ASSERT_TRUE(armed.has_value());
  EXPECT_TRUE(armed->partial);
  EXPECT_EQ(armed->target_station, 5);
  EXPECT_EQ(armed->path, PathOf("six.spb"));
  EXPECT_EQ(counters_.LinesSent.load(), 0);
  EXPECT_EQ(window_.captions.back(), "Mirelon - six.spb");
  EXPECT_FALSE(chooser_.asked.back().save);
  EXPECT_EQ(chooser_.asked.back().title, "Restore Parameters to Station 6");
  // A restore is sent by the receiver at the next image, not by the command.
  EXPECT_TRUE(queue_.IsEmpty());
}

TEST_F(RestoreCommands, EveryRestoreItemArmsItsStationInMenuOrder) {
  for (uint16_t index = 0; index < 8; ++index) {
    SCOPED_TRACE(index);
    AnswerWith("r.spb");
    ASSERT_TRUE(dispatch_.Run(command_id::kRestoreStation[index]));
    const auto armed = restore_.SnapshotIfArmed();
    ASSERT_TRUE(armed.has_value());
    EXPECT_TRUE(armed->partial);
    EXPECT_EQ(armed->target_station, index);
    EXPECT_EQ(chooser_.asked.back().title,
              "Restore Parameters to Station " + std::to_string(index + 1));
  }
  AnswerWith("all.spb");
  ASSERT_TRUE(dispatch_.Run(command_id::kRestoreAll));
  const auto armed = restore_.SnapshotIfArmed();
  ASSERT_TRUE(armed.has_value());
  EXPECT_FALSE(armed->partial);
  EXPECT_EQ(armed->path, PathOf("all.spb"));
  EXPECT_EQ(chooser_.asked.back().title, "Restore All Station Parameters");
}

TEST_F(RestoreCommands, CancelledRestoreArmsNothingAndKeepsTheLineCount) {
  counters_.LinesSent = 4;
  ASSERT_TRUE(dispatch_.Run(command_id::kRestoreAll));
  ASSERT_TRUE(dispatch_.Run(command_id::kRestoreStation[2]));
  EXPECT_FALSE(restore_.Armed());
  EXPECT_EQ(counters_.LinesSent.load(), 4);
  EXPECT_TRUE(window_.captions.empty());
}

TEST_F(WindowCommands, IdentifiersNoItemRaisesDoNothing) {
  for (int unused : {0, 32774, 32796, 32800, 103}) {
    EXPECT_FALSE(dispatch_.Run(unused)) << unused;
    EXPECT_FALSE(dispatch_.Handles(unused)) << unused;
  }
  EXPECT_TRUE(chooser_.asked.empty());
  EXPECT_EQ(window_.abouts + window_.closes, 0);
}

TEST_F(WindowCommands, ExitClosesTheBackupFileBeforeTheWindowGoes) {
  AnswerWith("cut.spb");
  dispatch_.Run(command_id::kBackupAll);
  for (char c : std::string("1 2 3 ;4 5")) {
    capture_.CaptureParameterByte(static_cast<uint8_t>(c), display_);
  }
  ASSERT_TRUE(dispatch_.Run(command_id::kExit));
  EXPECT_FALSE(capture_.Capturing());
  EXPECT_EQ(window_.closes, 1);
  // Everything received so far is on disk, nothing held back in a buffer,
  // and beside the chosen name: a block cut off never takes it.
  EXPECT_EQ(ReadWholeFile(PartialBackupPath(PathOf("cut.spb"))), "1 2 3 ;4 5");
  EXPECT_FALSE(std::filesystem::exists(PathOf("cut.spb")));
}

TEST_F(WindowCommands, AboutShowsTheAboutBox) {
  ASSERT_TRUE(dispatch_.Run(command_id::kAbout));
  EXPECT_EQ(window_.abouts, 1);
}

// ---- The port dialog's OK ----

TEST_F(PortCommand, SameNumberOnAnOpenLinkOnlySetsTheCaption) {
  link_.up = true;
  port_dialog_.answer = "3";
  ASSERT_TRUE(dispatch_.Run(command_id::kCommPort));
  EXPECT_EQ(port_dialog_.shown_ports, std::vector<int>{3});
  EXPECT_TRUE(link_.calls.empty());
  EXPECT_EQ(port_.saves, 0);
  EXPECT_TRUE(pauses_.empty());
  EXPECT_EQ(window_.captions, std::vector<std::string>{"Corvane - COM3"});
}

TEST_F(PortCommand, SameNumberOnALinkThatWentDownReopensIt) {
  link_.working = {3};
  link_.up = false;
  dispatch_.ApplyPortNumber("3");
  EXPECT_EQ(link_.calls, (std::vector<std::string>{"release", "open 3"}));
  EXPECT_TRUE(link_.up);
  EXPECT_EQ(port_.saves, 0);
  EXPECT_EQ(messages_.Count(), 0u);
  EXPECT_EQ(window_.captions.back(), "Corvane - COM3");
}

TEST_F(PortCommand, ChangedNumberStoresReleasesPausesReopensAndSaves) {
  link_.working = {7};
  link_.up = true;
  dispatch_.ApplyPortNumber("7");
  EXPECT_EQ(port_.port, 7);
  EXPECT_EQ(link_.calls, (std::vector<std::string>{"release", "open 7"}));
  EXPECT_EQ(pauses_, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(200)});
  EXPECT_EQ(port_.saves, 1);
  EXPECT_EQ(messages_.Count(), 0u);
  EXPECT_EQ(window_.captions.back(), "Corvane - COM7");
}

TEST_F(PortCommand, ChangedNumberThatDoesNotOpenIsKeptSavedAndReported) {
  link_.up = true;
  dispatch_.ApplyPortNumber("100");
  EXPECT_EQ(port_.port, 100);
  EXPECT_FALSE(link_.up);
  EXPECT_EQ(port_.saves, 1);
  ASSERT_EQ(messages_.Count(), 1u);
  const OperatorMessage shown = messages_.Messages()[0];
  EXPECT_EQ(shown.caption, "Velkor");
  EXPECT_EQ(shown.text, "Connection Failed \nPort is either not available\nor busy (conflict)");
  EXPECT_EQ(shown.icon, MessageIcon::kWarning);
  // Like the one at start-up, the box has no owner: the operator can open
  // the port dialog again while it is up.
  EXPECT_FALSE(shown.owned);
  EXPECT_EQ(window_.captions.back(), "Corvane - COM100");
}

TEST(ConnectionLost, KeepsItsCaptionAndFirstLineAndNamesThePort) {
  const OperatorMessage lost = ConnectionLostMessage(7);
  EXPECT_EQ(lost.caption, "Velkor");
  EXPECT_EQ(lost.text.rfind("Connection Lost \nCOM7 was disconnected\n", 0), 0u) << lost.text;
  EXPECT_EQ(lost.text.find("again"), std::string::npos) << "the link comes back by itself";
}

TEST_F(PortCommand, ChangedNumberWhoseFileCannotBeWrittenIsUsedAndReported) {
  link_.working = {9};
  port_.save_error = std::make_error_code(std::errc::read_only_file_system);
  dispatch_.ApplyPortNumber("9");
  EXPECT_EQ(port_.port, 9);
  EXPECT_TRUE(link_.up);
  ASSERT_EQ(messages_.Count(), 1u);
  const std::string text = messages_.Messages()[0].text;
  EXPECT_NE(text.find("/settings/config.dpm"), std::string::npos) << text;
  EXPECT_NE(text.find(port_.save_error.message()), std::string::npos) << text;
  EXPECT_NE(text.find("COM9"), std::string::npos) << text;
  EXPECT_EQ(window_.captions.back(), "Corvane - COM9");
}

TEST_F(PortCommand, NumbersOutsideTheRangeAndNonNumbersChangeNothing) {
  link_.up = true;
  for (const char* text : {"0", "101", "abc", "", "-5", "1a", "+7", "4294967297", "99999999999"}) {
    SCOPED_TRACE(text);
    dispatch_.ApplyPortNumber(text);
  }
  EXPECT_EQ(port_.port, 3);
  EXPECT_TRUE(link_.calls.empty());
  EXPECT_EQ(port_.saves, 0);
  EXPECT_TRUE(window_.captions.empty());
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(PortCommand, NetworkPortMovesTheLinkRemembersTheAddressAndNamesIt) {
  const std::string plc7 = "rfc2217://plc7.example:4001";
  link_.working_addresses = {plc7};
  port_dialog_.address_answer = plc7;
  ASSERT_TRUE(dispatch_.Run(command_id::kNetworkPort));
  EXPECT_EQ(link_.calls, (std::vector<std::string>{"release", "open " + plc7}));
  EXPECT_EQ(settings_.values["NetworkPort"], plc7);
  EXPECT_EQ(port_.saves, 0) << "config.dpm keeps its COM port";
  EXPECT_EQ(window_.captions.back(), "Corvane - plc7.example:4001");
  // A server that refuses is remembered all the same; the box names it and
  // says why.
  port_dialog_.address_answer = "socket://10.0.0.9:23";
  dispatch_.Run(command_id::kNetworkPort);
  EXPECT_EQ(port_dialog_.shown_addresses, (std::vector<std::string>{"", plc7}));
  EXPECT_EQ(settings_.values["NetworkPort"], "socket://10.0.0.9:23");
  ASSERT_EQ(messages_.Count(), 1u);
  EXPECT_EQ(messages_.Messages()[0].text,
            "Connection Failed \nThe device server 10.0.0.9:23\ncannot be reached:\n" +
                std::make_error_code(std::errc::connection_refused).message() + ".");
  // While it is away, a backup is refused naming it.
  dispatch_.Run(command_id::kBackupAll);
  EXPECT_NE(messages_.Messages().back().text.find("(10.0.0.9:23)"), std::string::npos);
}

TEST(NetworkConnectionFailed, ASecondClientIsToldAsAConflictNotAsAnUnreachableServer) {
  const std::string text =
      NetworkConnectionFailedMessage("rfc2217://plc7:4001",
                                     std::make_error_code(std::errc::device_or_resource_busy))
          .text;
  EXPECT_EQ(text,
            "Connection Failed \nThe device server plc7:4001\nis busy: another client\n"
            "holds this line (conflict).");
}

TEST_F(PortCommand, CommPortOnADeviceServerGoesBackToTheComPortAndForgetsTheAddress) {
  port_.address = "rfc2217://plc7:4001";
  settings_.values["NetworkPort"] = port_.address;
  link_.working = {3};
  // The same number as config.dpm's: the link moves all the same.
  dispatch_.ApplyPortNumber("3");
  EXPECT_EQ(link_.calls, (std::vector<std::string>{"release", "open 3"}));
  EXPECT_EQ(port_.address, "");
  EXPECT_EQ(settings_.values["NetworkPort"], "");
  EXPECT_EQ(window_.captions.back(), "Corvane - COM3");
}

TEST_F(PortCommand, CancelInThePortDialogChangesNothing) {
  port_dialog_.answer.reset();
  dispatch_.Run(command_id::kCommPort);
  EXPECT_EQ(port_dialog_.shown_ports.size(), 1u);
  EXPECT_TRUE(link_.calls.empty());
  EXPECT_TRUE(window_.captions.empty());
}

// ---- The View menu ----

std::vector<Pixel> TestPicture() {
  std::vector<Pixel> picture(static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
  for (size_t i = 0; i < picture.size(); ++i) {
    picture[i] = MakePixel(static_cast<uint8_t>(i), static_cast<uint8_t>(i / 800),
                           static_cast<uint8_t>(i * 7 / 3));
  }
  return picture;
}

TEST_F(ViewCommands, SaveOffersATimeStampedPngAndWritesThePictureShownWhenAsked) {
  picture_.picture = TestPicture();
  AnswerWith("shot.png");
  ASSERT_TRUE(dispatch_.Run(command_id::kSaveScreenImage));
  ASSERT_EQ(chooser_.asked.size(), 1u);
  EXPECT_TRUE(chooser_.asked[0].save);
  EXPECT_EQ(chooser_.asked[0].title, "Save Screen Image");
  EXPECT_EQ(chooser_.asked[0].default_name, "Mirelon 2026-12-07 10-15-03.png");
  EXPECT_EQ(chooser_.asked[0].kind, FileKind::kScreenImage);
  const std::vector<uint8_t> png = EncodePng(picture_.picture, Surface::kWidth, Surface::kHeight);
  EXPECT_EQ(ReadWholeFile(PathOf("shot.png")), std::string(png.begin(), png.end()));
  EXPECT_EQ(messages_.Count(), 0u);

  // Cancel writes nothing.
  ASSERT_TRUE(dispatch_.Run(command_id::kSaveScreenImage));
  EXPECT_EQ(chooser_.asked.size(), 2u);
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(ViewCommands, ASaveThatCannotBeWrittenNamesTheFileAndTheReason) {
  picture_.picture = TestPicture();
  AnswerWith("gone/shot.png");
  ASSERT_TRUE(dispatch_.Run(command_id::kSaveScreenImage));
  ASSERT_EQ(messages_.Count(), 1u);
  const OperatorMessage shown = messages_.Messages()[0];
  EXPECT_EQ(shown.caption, "Save Screen Image");
  EXPECT_NE(shown.text.find(PathOf("gone/shot.png")), std::string::npos) << shown.text;
  EXPECT_NE(shown.text.find(std::make_error_code(std::errc::no_such_file_or_directory).message()),
            std::string::npos)
      << shown.text;
}

TEST_F(ViewCommands, CopyPutsThePictureOnTheClipboardOrSaysWhyNot) {
  picture_.picture = TestPicture();
  ASSERT_TRUE(dispatch_.Run(command_id::kCopyScreenImage));
  EXPECT_EQ(clipboard_.pixels, picture_.picture);
  EXPECT_EQ(clipboard_.width, 800);
  EXPECT_EQ(clipboard_.height, 600);
  EXPECT_EQ(messages_.Count(), 0u);

  clipboard_.error = std::make_error_code(std::errc::device_or_resource_busy);
  ASSERT_TRUE(dispatch_.Run(command_id::kCopyScreenImage));
  ASSERT_EQ(messages_.Count(), 1u);
  EXPECT_EQ(messages_.Messages()[0].caption, "Copy Screen Image");
  EXPECT_NE(messages_.Messages()[0].text.find(clipboard_.error.message()), std::string::npos);
}

TEST_F(ViewCommands, BeforeTheFirstPictureSaveAndCopyOnlySaySo) {
  ASSERT_TRUE(dispatch_.Run(command_id::kSaveScreenImage));
  ASSERT_TRUE(dispatch_.Run(command_id::kCopyScreenImage));
  EXPECT_TRUE(chooser_.asked.empty());
  EXPECT_TRUE(clipboard_.pixels.empty());
  ASSERT_EQ(messages_.Count(), 2u);
  EXPECT_EQ(messages_.Messages()[0].caption, "Save Screen Image");
  EXPECT_EQ(messages_.Messages()[1].caption, "Copy Screen Image");
}

TEST_F(ViewCommands, AChosenZoomIsShownAndRememberedAndStartUpRestoresIt) {
  ASSERT_TRUE(dispatch_.Run(command_id::kZoom150));
  ASSERT_TRUE(dispatch_.Run(command_id::kZoomFit));
  EXPECT_EQ(picture_.zooms, (std::vector<ZoomMode>{ZoomMode::k150, ZoomMode::kFit}));
  EXPECT_EQ(settings_.values.at("Zoom"), "fit");
  // Before the window is shown its showing sizes it; once shown, a fixed
  // zoom brings it to the picture and Fit to Window leaves it as it is.
  EXPECT_EQ(picture_.sized_to_picture, 0);
  picture_.shown = true;
  ASSERT_TRUE(dispatch_.Run(command_id::kZoom200));
  ASSERT_TRUE(dispatch_.Run(command_id::kZoomFit));
  EXPECT_EQ(picture_.sized_to_picture, 1);
  picture_.zooms.clear();

  // A saved zoom wins over the monitor's scale, even 100 % on a 200 %
  // monitor; without one, or with one this program never wrote, the
  // monitor's scale picks.
  picture_.monitor = {2.0, ClientSize{3840, 2000}};
  dispatch_.RestoreZoom();
  settings_.values["Zoom"] = "100";
  dispatch_.RestoreZoom();
  settings_.values["Zoom"] = "250";
  dispatch_.RestoreZoom();
  settings_.values.clear();
  dispatch_.RestoreZoom();
  EXPECT_EQ(picture_.zooms, (std::vector<ZoomMode>{ZoomMode::kFit, ZoomMode::k100, ZoomMode::k200,
                                                   ZoomMode::k200}));
  // Restoring reads the setting; it never rewrites it, so a later start on
  // another monitor fits that one.
  EXPECT_TRUE(settings_.values.empty());
}

TEST(Captions, PortAndFileCaptions) {
  EXPECT_EQ(PortCaption(3), "Corvane - COM3");
  EXPECT_EQ(PortCaption(100), "Corvane - COM100");
  EXPECT_EQ(FileCaption("Mirelon", "plant.spb"), "Mirelon - plant.spb");
  EXPECT_EQ(FileCaption("Mirelon", ""), "Mirelon - (untitled)");
}

}  // namespace
}  // namespace corvane
