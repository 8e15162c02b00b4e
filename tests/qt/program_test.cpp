// The whole program wired together, in-process, against a pseudo-terminal
// that stands in for the controller: start-up, the mirror, keys, a backup,
// the port dialog and shutdown.
#include "qt/qt_program.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <csignal>

#include "app/menu_table.h"
#include "params/capture.h"
#include "qt/quit_signals.h"
#include "qt/screen_view.h"
#include "qt/settings_store.h"
#include "screen/screen_image.h"
#include "support/device_directory.h"
#include "support/front_end_fakes.h"
#include "support/pty_pair.h"
#include "support/scratch_dir.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

using testing::PtyPair;
using testing::ReadWholeFile;
using testing::WriteWholeFile;

// Ten red rows below the frame's top band: rows 0..9 all "B9".
std::string RedRowsFrame() {
  std::string payload;
  for (int row = 0; row < 10; ++row) payload += "B9";
  return "{" + payload + "}";
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line_.Ok());
    // Every program starts unzoomed and drawing whole pictures, whatever an
    // earlier test chose.
    QSettings(kSettingsOrganisation, kSettingsApplication).remove("Zoom");
    QSettings(kSettingsOrganisation, kSettingsApplication).remove("DrawWhileReceiving");
    QSettings(kSettingsOrganisation, kSettingsApplication).remove("NetworkPort");
  }
  std::filesystem::path Dir() const { return dir_.Path(); }
  std::unique_ptr<QtProgram> Make() {
    return std::make_unique<QtProgram>(
        QtProgramOptions{Dir(), &chooser_, &port_dialog_, &messages_});
  }

  testing::DeviceDirectory dir_;
  PtyPair line_;
  testing::FakeChooser chooser_;
  testing::FakePortDialog port_dialog_;
  testing::RecordingMessages messages_;
};
using ProgramMirror = ProgramTest;
using ProgramStartUp = ProgramTest;
using ProgramExit = ProgramTest;
using ProgramPortDialog = ProgramTest;
using ProgramReconnect = ProgramTest;
using ProgramView = ProgramTest;

TEST_F(ProgramMirror, MirrorsTheControllerAndForwardsKeys) {
  ASSERT_TRUE(dir_.MapPort(7, line_.SlavePath()));
  WriteWholeFile(Dir() / "config.dpm", "COM Port=7\r\n");
  auto program = Make();
  QSignalSpy shown(&program->View(), &ScreenView::PictureShown);
  ASSERT_TRUE(program->Start());
  EXPECT_EQ(program->Window().windowTitle(), "Corvane - COM7");
  // The first screen request, then one after every image.
  EXPECT_EQ(line_.ReadUntil("<1>"), "<1>");
  line_.Write(RedRowsFrame());
  ASSERT_TRUE(shown.wait(10000));
  EXPECT_EQ(line_.ReadUntil("<1>"), "<1>");
  const QImage picture = program->View().Picture();
  EXPECT_EQ(picture.pixel(100, 8), qRgb(255, 0, 0));
  EXPECT_EQ(picture.pixel(100, 2), qRgb(0, 0, 0));  // the frame
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return program->View().StatusText().trimmed() == QString("Images: 0"); }, 5000));

  program->Window().activateWindow();
  program->View().setFocus();
  QTest::keyClick(&program->View(), Qt::Key_F3);
  QTest::mouseClick(&program->View(), Qt::LeftButton, Qt::NoModifier, QPoint(160, 50));
  EXPECT_EQ(line_.ReadUntil("\x8c"), "r\x8c");
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(ProgramExit, BackupThroughTheMenuCapturesTheBlockAndExitFlushesACutOffOne) {
  ASSERT_TRUE(dir_.MapPort(4, line_.SlavePath()));
  WriteWholeFile(Dir() / "config.dpm", "COM Port=4\r\n");
  auto program = Make();
  ASSERT_TRUE(program->Start());
  line_.ReadUntil("<1>");

  const std::filesystem::path whole = Dir() / "whole.spb";
  chooser_.answers.push_back(FileChoice{whole.string(), "whole.spb"});
  program->Window().ActionFor(command_id::kBackupStation1)->trigger();
  EXPECT_EQ(program->Window().windowTitle(), "Mirelon - whole.spb");
  EXPECT_EQ(line_.ReadUntil("<12>"), "<12>");
  line_.Write("[100 1 5 ;\n101 1 7 ;\n]");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program->Capture().Capturing(); }, 10000));
  EXPECT_EQ(ReadWholeFile(whole), "100 1 5 ;\r\n101 1 7 ;\r\n");

  const std::filesystem::path cut = Dir() / "cut.spb";
  chooser_.answers.push_back(FileChoice{cut.string(), "cut.spb"});
  program->Window().ActionFor(command_id::kBackupAll)->trigger();
  EXPECT_EQ(line_.ReadUntil("<11>"), "<11>");
  line_.Write("[200 1 5 ;\n20");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return program->Counters().ParametersReceived.load() == 1; }, 10000));
  program->Window().ActionFor(command_id::kExit)->trigger();
  EXPECT_FALSE(program->Window().isVisible());
  EXPECT_FALSE(program->Capture().Capturing());
  EXPECT_FALSE(program->Link().IsOpen());
  EXPECT_EQ(ReadWholeFile(PartialBackupPath(cut.string())).substr(0, 11), "200 1 5 ;\r\n");
}

TEST_F(ProgramExit, TheWindowsCloseButtonAlsoReleasesTheLinkAndClosesTheBackup) {
  ASSERT_TRUE(dir_.MapPort(5, line_.SlavePath()));
  WriteWholeFile(Dir() / "config.dpm", "COM Port=5\r\n");
  auto program = Make();
  ASSERT_TRUE(program->Start());
  line_.ReadUntil("<1>");
  chooser_.answers.push_back(FileChoice{(Dir() / "b.spb").string(), "b.spb"});
  program->Dispatch().Run(command_id::kBackupAll);
  line_.ReadUntil("<11>");
  line_.Write("[1 2 3 ;");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return program->Counters().ParametersReceived.load() == 1; }, 10000));
  program->Window().close();
  EXPECT_FALSE(program->Link().IsOpen());
  EXPECT_FALSE(program->Capture().Capturing());
  EXPECT_EQ(ReadWholeFile(PartialBackupPath((Dir() / "b.spb").string())), "1 2 3 ;");
}

TEST_F(ProgramStartUp, WithoutAConfigFileItTriesCom3AndLeavesTheDefaultFile) {
  // A com3 entry that is no terminal: the port cannot be opened.
  WriteWholeFile(Dir() / "com3", "not a port");
  auto program = Make();
  EXPECT_FALSE(program->Start());
  EXPECT_EQ(program->Config().ComPort(), 3);
  EXPECT_EQ(ReadWholeFile(Dir() / "config.dpm"), "COM Port=3\r\n");
  EXPECT_EQ(program->Window().windowTitle(), "Corvane");
  ASSERT_EQ(messages_.Count(), 1u);
  EXPECT_EQ(messages_.Messages()[0].caption, "Velkor");
  // Keys still queue while no link is open.
  QTest::keyClick(&program->View(), Qt::Key_A);
  EXPECT_FALSE(program->Queue().IsEmpty());
}

TEST_F(ProgramPortDialog, PortDialogMovesTheLinkAndSavesTheNumber) {
  PtyPair second;
  ASSERT_TRUE(second.Ok());
  ASSERT_TRUE(dir_.MapPort(7, line_.SlavePath()));
  ASSERT_TRUE(dir_.MapPort(8, second.SlavePath()));
  WriteWholeFile(Dir() / "config.dpm", "COM Port=7\r\n");
  auto program = Make();
  ASSERT_TRUE(program->Start());
  line_.ReadUntil("<1>");

  port_dialog_.answer = "8";
  program->Dispatch().Run(command_id::kCommPort);
  EXPECT_EQ(port_dialog_.shown_ports, std::vector<int>{7});
  EXPECT_EQ(second.ReadUntil("<1>"), "<1>");
  EXPECT_EQ(ReadWholeFile(Dir() / "config.dpm"), "COM Port=8\r\n");
  EXPECT_EQ(program->Window().windowTitle(), "Corvane - COM8");
  EXPECT_TRUE(program->Link().IsConnected());

  // The device goes away; OK with the same number brings the link back once
  // com8 names a working line again.
  second.CloseMaster();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program->Link().IsConnected(); }, 10000));
  PtyPair third;
  ASSERT_TRUE(dir_.MapPort(8, third.SlavePath()));
  port_dialog_.answer = "8";
  program->Dispatch().Run(command_id::kCommPort);
  EXPECT_EQ(third.ReadUntil("<1>"), "<1>");
  EXPECT_TRUE(program->Link().IsConnected());
}

// Unplugged and plugged back: the link returns by itself, the operator is
// told of the loss once, and a key pressed while it was down is not
// replayed on the controller.
TEST_F(ProgramReconnect, TheLinkComesBackByItselfAndDropsKeysPressedWhileDown) {
  ASSERT_TRUE(dir_.MapPort(4, line_.SlavePath()));
  WriteWholeFile(Dir() / "config.dpm", "COM Port=4\r\n");
  auto program = Make();
  ASSERT_TRUE(program->Start());
  line_.ReadUntil("<1>");
  line_.CloseMaster();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return program->Window().windowTitle() == QString("Corvane - COM4 (reconnecting...)");
      },
      10000));
  // A try fails on the dead line first (a try a second); a key pressed
  // after it must not wait for the next link either.
  const uint64_t failed = program->App().Reconnect().FailedTries();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return program->App().Reconnect().FailedTries() > failed; }, 10000));
  program->View().setFocus();
  QTest::keyClick(&program->View(), Qt::Key_F3);
  PtyPair back;
  ASSERT_TRUE(dir_.MapPort(4, back.SlavePath()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return program->Link().IsConnected(); }, 10000));
  EXPECT_EQ(back.ReadUntil("<1>"), "<1>");
  EXPECT_EQ(program->Window().windowTitle(), "Corvane - COM4");
  ASSERT_EQ(messages_.Count(), 1u);
  EXPECT_EQ(messages_.Messages()[0].text.rfind("Connection Lost", 0), 0u);

  // A backup chosen while down is refused; no file appears.
  back.CloseMaster();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program->Link().IsConnected(); }, 10000));
  chooser_.answers.push_back(FileChoice{(Dir() / "down.spb").string(), "down.spb"});
  program->Dispatch().Run(command_id::kBackupAll);
  EXPECT_FALSE(std::filesystem::exists(Dir() / "down.spb"));
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return messages_.Count() == 3u; }, 10000));  // lost again, then refused
}

// Pixels of `image` that differ from `surface`'s.
int Mismatches(const QImage& image, const Surface& surface) {
  if (image.size() != QSize(Surface::kWidth, Surface::kHeight)) return -1;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  int wrong = 0;
  for (int y = 0; y < Surface::kHeight; ++y) {
    for (int x = 0; x < Surface::kWidth; ++x) wrong += rgb.pixel(x, y) != surface.PixelAt(x, y);
  }
  return wrong;
}

TEST_F(ProgramView, SaveAndCopyHandOnThePictureTheDecoderDrewNotTheZoomedWindow) {
  WriteWholeFile(Dir() / "com3", "not a port");
  auto program = Make();
  program->Start();
  program->Window().ActionFor(command_id::kZoomFit)->trigger();
  // Runs of every pen and length, framed as the receiver frames them.
  std::string payload;
  for (int i = 0; i < 4000; ++i) {
    payload += static_cast<char>('A' + i * 7 % 16);
    payload += static_cast<char>('1' + i * 5 % 9);
  }
  Surface surface;
  DecodeScreenPayload(std::span(reinterpret_cast<const uint8_t*>(payload.data()), payload.size()),
                      surface);
  DrawScreenFrame(surface);
  QSignalSpy shown(&program->View(), &ScreenView::PictureShown);
  testing::ShowWholePicture(program->View().Display(), surface);
  ASSERT_TRUE(shown.wait(5000));

  const std::filesystem::path path = Dir() / "shot.png";
  chooser_.answers.push_back(FileChoice{path.string(), "shot.png"});
  program->Dispatch().Run(command_id::kSaveScreenImage);
  EXPECT_EQ(Mismatches(QImage(QString::fromStdString(path.string()), "PNG"), surface), 0);
  program->Dispatch().Run(command_id::kCopyScreenImage);
  EXPECT_EQ(Mismatches(QGuiApplication::clipboard()->image(), surface), 0);
  // Only the start-up's "Connection Failed".
  EXPECT_EQ(messages_.Count(), 1u);
}

TEST_F(ProgramView, TheZoomIsKeptInTheSettingsStoreAcrossARestartNotInConfigDpm) {
  WriteWholeFile(Dir() / "com3", "not a port");
  {
    auto program = Make();
    program->Start();
    EXPECT_TRUE(program->Window().ActionFor(command_id::kZoom100)->isChecked());
    EXPECT_EQ(program->View().sizeHint(), QSize(820, 640));
    program->Window().ActionFor(command_id::kZoom200)->trigger();
    EXPECT_FALSE(program->Window().ActionFor(command_id::kZoom100)->isChecked());
    // Drawing while receiving starts off, and the item turns it on.
    QAction* drawing = program->Window().ActionFor(command_id::kDrawWhileReceiving);
    EXPECT_FALSE(drawing->isChecked());
    EXPECT_FALSE(program->App().Drawing().while_receiving.load());
    drawing->trigger();
    EXPECT_TRUE(drawing->isChecked());
    EXPECT_TRUE(program->App().Drawing().while_receiving.load());
  }
  QSettings store(kSettingsOrganisation, kSettingsApplication);
  EXPECT_EQ(store.value("Zoom").toString(), "200");
  EXPECT_EQ(ReadWholeFile(Dir() / "config.dpm"), "COM Port=3\r\n");

  auto program = Make();
  program->Start();
  EXPECT_TRUE(program->Window().ActionFor(command_id::kZoom200)->isChecked());
  EXPECT_EQ(program->View().sizeHint(), QSize(1620, 1240));
  EXPECT_TRUE(program->Window().ActionFor(command_id::kDrawWhileReceiving)->isChecked());
  EXPECT_TRUE(program->App().Drawing().while_receiving.load());
  program->Window().ActionFor(command_id::kDrawWhileReceiving)->trigger();
  EXPECT_FALSE(program->App().Drawing().while_receiving.load());
  EXPECT_EQ(store.value("DrawWhileReceiving").toString(), "off");
}

TEST_F(ProgramExit, AQuitSignalClosesTheWindowLikeTheOperatorWould) {
  ASSERT_TRUE(dir_.MapPort(2, line_.SlavePath()));
  WriteWholeFile(Dir() / "config.dpm", "COM Port=2\r\n");
  auto program = Make();
  ASSERT_TRUE(program->Start());
  line_.ReadUntil("<1>");
  chooser_.answers.push_back(FileChoice{(Dir() / "q.spb").string(), "q.spb"});
  program->Dispatch().Run(command_id::kBackupAll);
  line_.ReadUntil("<11>");
  line_.Write("[7 7 7 ;");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return program->Counters().ParametersReceived.load() == 1; }, 10000));
  {
    QuitSignals quit(&program->Window());
    ASSERT_TRUE(quit.Installed());
    QSignalSpy requested(&quit, &QuitSignals::QuitRequested);
    std::raise(SIGTERM);
    ASSERT_TRUE(requested.wait(5000));
  }
  EXPECT_FALSE(program->Window().isVisible());
  EXPECT_FALSE(program->Link().IsOpen());
  EXPECT_EQ(ReadWholeFile(PartialBackupPath((Dir() / "q.spb").string())), "7 7 7 ;");
  // The earlier handler is back once the watcher is gone.
  struct sigaction now {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace corvane
