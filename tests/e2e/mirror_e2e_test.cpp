// End to end: the real corvane and mirelon-sim on an X server (Xvfb). The
// simulator answers a fixed number of screen requests and then stalls, so
// the picture that stays in corvane's window is known: it is replayed here
// through the simulator's own engine and the program's decoder, and the
// window's pixels must equal it. The simulator's log shows that every image
// was answered with the next request, and that a key and a soft-key click
// made in the window reached the wire.
//
// Run by ctest under xvfb-run; the paths of both programs are compiled in.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <optional>
#include <string>

#include "e2e/e2e_support.h"
#include "keypad/picture_origin.h"

namespace corvane {
namespace {

constexpr int kPort = 6;
constexpr int kImages = 30;
constexpr uint64_t kSeed = 1;

using e2e::CountRequests;
using e2e::Eventually;
using e2e::FindPicture;
using e2e::LoggedBytes;
using e2e::RunTool;
using e2e::StartCorvane;

class MirrorEndToEnd : public ::testing::Test {
 protected:
  void TearDown() override {
    for (QProcess* process : {&corvane_, &sim_}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->terminate();
      if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
  }

  QTemporaryDir dir_;
  QProcess sim_;
  QProcess corvane_;
};

TEST_F(MirrorEndToEnd, FramesArriveAreAnsweredAndShowInTheWindow) {
  ASSERT_TRUE(dir_.isValid());
  ASSERT_FALSE(qEnvironmentVariable("DISPLAY").isEmpty()) << "needs an X server (xvfb-run)";
  const QString log = dir_.filePath("sim.log");
  sim_.start(CORVANE_E2E_SIM,
             {"--port", QString::number(kPort), "--dir", dir_.path(), "--seed",
              QString::number(kSeed), "--stall-after", QString::number(kImages), "--log", log});
  ASSERT_TRUE(sim_.waitForStarted(10000));
  ASSERT_TRUE(Eventually([&] { return QFile::exists(dir_.filePath("com6")); }));

  ASSERT_TRUE(StartCorvane(corvane_, dir_.path(), kPort));

  // Every image is answered by the next request: the stalled simulator
  // logs one request more than it sent images.
  ASSERT_TRUE(Eventually([&] { return CountRequests(LoggedBytes(log)) >= kImages + 1; }))
      << "requests seen: " << CountRequests(LoggedBytes(log));
  EXPECT_EQ(CountRequests(LoggedBytes(log)), kImages + 1);

  QString window;
  ASSERT_TRUE(Eventually([&] {
    window = RunTool("xdotool", {"search", "--name", QString("^Corvane - COM%1$").arg(kPort)})
                 .section('\n', 0, 0);
    return !window.isEmpty();
  }));

  const QImage expected = e2e::ExpectedPicture(kImages, kSeed);
  ASSERT_FALSE(expected.isNull());
  const QString shot = dir_.filePath("window.png");
  std::optional<QPoint> at;
  ASSERT_TRUE(Eventually([&] {
    RunTool("import", {"-window", window, shot});
    const QImage grab = QImage(shot).convertToFormat(QImage::Format_RGB32);
    if (grab.isNull()) return false;
    at = FindPicture(grab, expected);
    return at.has_value();
  })) << "the last image is not in the window; see "
      << shot.toStdString();
  // The view's client area: the picture lies at the picture origin in it.
  const QPoint client = *at - QPoint(kPictureX, kPictureY);
  EXPECT_GE(client.y(), 0);

  // A key and a click on the first soft key, made on the X server, reach
  // the wire (the stalled simulator still logs what it receives).
  RunTool("xdotool", {"windowfocus", "--sync", window});
  RunTool("xdotool", {"key", "--window", window, "F3"});
  RunTool("xdotool", {"mousemove", "--window", window, QString::number(client.x() + 170),
                      QString::number(client.y() + 60)});
  RunTool("xdotool", {"click", "1"});
  ASSERT_TRUE(Eventually([&] {
    const std::vector<int> bytes = LoggedBytes(log);
    return std::find(bytes.begin(), bytes.end(), 140) != bytes.end();
  })) << "no soft-key code on the wire";
  const std::vector<int> bytes = LoggedBytes(log);
  EXPECT_NE(std::find(bytes.begin(), bytes.end(), 114), bytes.end()) << "F3 did not arrive";
}

TEST_F(MirrorEndToEnd, AQuitSignalEndsTheProgramWhileTheConnectionBoxIsOpen) {
  ASSERT_TRUE(dir_.isValid());
  ASSERT_FALSE(qEnvironmentVariable("DISPLAY").isEmpty()) << "needs an X server (xvfb-run)";
  // COM8 names a device that is not there: the start-up opens the box
  // without an owner, a window of its own beside the main window.
  ASSERT_TRUE(QFile::link("/nonexistent/corvane-e2e-tty", dir_.filePath("com8")));
  ASSERT_TRUE(StartCorvane(corvane_, dir_.path(), 8));
  ASSERT_TRUE(Eventually([&] {
    return !RunTool("xdotool", {"search", "--onlyvisible", "--name", "^Velkor$"}).isEmpty();
  })) << "the box did not open: "
      << corvane_.readAllStandardError().toStdString();

  corvane_.terminate();
  ASSERT_TRUE(corvane_.waitForFinished(10000)) << "still running with the box open";
  EXPECT_EQ(corvane_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(corvane_.exitCode(), 0);
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
