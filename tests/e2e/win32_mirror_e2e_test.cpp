// End to end for Windows: the real corvane.exe under wine64 on an X server
// (Xvfb), against the Linux mirelon-sim linked as the Wine COM port
// ($WINEPREFIX/dosdevices/com<n>). As for the Linux program: the simulator
// answers a fixed number of screen requests and then stalls, so the
// picture left in the window is known, and the window's pixels at the
// picture origin must equal it; keys typed with xdotool (on the US and on
// a French keyboard) and a soft-key click must reach the wire as the right
// codes; at View > 200 % the picture is drawn doubled and a soft key
// answers where it is drawn; View > Save Screen Image... saves exactly the
// decoded picture and the zoom is kept in the registry; File > Exit must
// end the program. And the same picture and keys through ser2net, the
// address in the registry.
//
// The Wine prefix is made afresh for the test: its wineserver and desktop
// must run on this X server. Without a window manager, Wine draws the
// frames itself (Managed=N).
//
// Run by ctest under xvfb-run; the paths of corvane.exe, wine64 and the
// simulator are compiled in.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include "e2e/e2e_support.h"
#include "keypad/key_codes.h"
#include "keypad/picture_origin.h"
#include "support/ser2net.h"

namespace corvane {
namespace {

using e2e::CountRequests;
using e2e::Eventually;
using e2e::FindPicture;
using e2e::KeyCodesAfter;
using e2e::LoggedBytes;
using e2e::RunTool;
using e2e::Succeeds;

constexpr int kPort = 6;
constexpr int kImages = 30;
constexpr uint64_t kSeed = 1;
constexpr int kSoftKey1 = 140;  // the code of soft key S1
constexpr int kSoftKey2 = 141;

// Where `part` lies in `grab`, if it is there whole: a few sampled pixels
// first, then every one.
std::optional<QPoint> FindPart(const QImage& grab, const QImage& part) {
  for (int oy = 0; oy + part.height() <= grab.height(); ++oy) {
    for (int ox = 0; ox + part.width() <= grab.width(); ++ox) {
      bool match = true;
      for (int y = 0; y < part.height() && match; y += 37) {
        for (int x = 0; x < part.width() && match; x += 41) {
          match = grab.pixel(ox + x, oy + y) == part.pixel(x, y);
        }
      }
      if (!match) continue;
      for (int y = 0; y < part.height() && match; ++y) {
        for (int x = 0; x < part.width() && match; ++x) {
          match = grab.pixel(ox + x, oy + y) == part.pixel(x, y);
        }
      }
      if (match) return QPoint(ox, oy);
    }
  }
  return std::nullopt;
}

class Win32MirrorEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_FALSE(display_.isEmpty()) << "needs an X server (xvfb-run)";
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("WINEPREFIX", dir_.filePath("prefix"));
    env_.insert("WINEARCH", "win64");
    env_.insert("WINEDEBUG", "-all");
    env_.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    ASSERT_TRUE(Succeeds(CORVANE_E2E_WINE, {"wineboot", "-i"}, env_, 180000)) << "no Wine prefix";
    ASSERT_TRUE(Succeeds(
        CORVANE_E2E_WINE,
        {"reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f"}, env_,
        60000));
    keymap_saved_ = Succeeds("xkbcomp", {"-w", "0", display_, dir_.filePath("saved.xkb")}, env_);
  }

  void TearDown() override {
    if (keymap_saved_) Succeeds("xkbcomp", {"-w", "0", dir_.filePath("saved.xkb"), display_}, env_);
    for (QProcess* process : {&corvane_, &sim_}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->terminate();
      if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
    // Every Wine process of this prefix, and its server, end with it.
    Succeeds(CORVANE_E2E_WINESERVER, {"-k"}, env_);
  }

  // Types `keys` (xdotool key names) and returns the key codes that reached
  // the wire, once `count` have come (or the time is up).
  std::vector<int> Type(const QStringList& keys, size_t count) {
    const size_t before = LoggedBytes(log_).size();
    for (const QString& key : keys) {
      EXPECT_TRUE(Succeeds("xdotool", {"key", "--window", window_, key}, env_))
          << key.toStdString();
    }
    std::vector<int> codes;
    Eventually([&] {
      codes = KeyCodesAfter(LoggedBytes(log_), before);
      return codes.size() >= count;
    });
    return codes;
  }

  QTemporaryDir dir_;
  QString display_ = qEnvironmentVariable("DISPLAY");
  QProcessEnvironment env_;
  bool keymap_saved_ = false;
  QString log_;
  QString window_;
  QProcess sim_;
  QProcess corvane_;
};

TEST_F(Win32MirrorEndToEnd, MirrorsTakesKeysAndClicksAndExitsFromTheMenu) {
  log_ = dir_.filePath("sim.log");
  const QString dosdevices = dir_.filePath("prefix/dosdevices");
  sim_.start(CORVANE_E2E_SIM,
             {"--port", QString::number(kPort), "--dir", dosdevices, "--seed",
              QString::number(kSeed), "--stall-after", QString::number(kImages), "--log", log_});
  ASSERT_TRUE(sim_.waitForStarted(10000));
  ASSERT_TRUE(Eventually([&] { return QFile::exists(dosdevices + "/com6"); }));

  const QString work = dir_.filePath("work");
  ASSERT_TRUE(QDir().mkpath(work));
  QFile config(work + "/config.dpm");
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write("COM Port=6\r\n");
  config.close();
  corvane_.setProcessEnvironment(env_);
  corvane_.setWorkingDirectory(work);
  corvane_.start(CORVANE_E2E_WINE, {CORVANE_E2E_WIN32_PROGRAM});
  ASSERT_TRUE(corvane_.waitForStarted(10000));

  // Every image is answered by the next request: the stalled simulator
  // logs one request more than it sent images.
  ASSERT_TRUE(Eventually([&] { return CountRequests(LoggedBytes(log_)) >= kImages + 1; }, 60000))
      << "requests seen: " << CountRequests(LoggedBytes(log_));
  EXPECT_EQ(CountRequests(LoggedBytes(log_)), kImages + 1);

  ASSERT_TRUE(Eventually([&] {
    window_ = RunTool("xdotool", {"search", "--name", QString("^Corvane - COM%1$").arg(kPort)})
                  .section('\n', 0, 0);
    return !window_.isEmpty();
  }));

  const QImage expected = e2e::ExpectedPicture(kImages, kSeed);
  ASSERT_FALSE(expected.isNull());
  const QString shot = dir_.filePath("window.png");
  std::optional<QPoint> at;
  ASSERT_TRUE(Eventually([&] {
    RunTool("import", {"-window", "root", shot});
    const QImage grab = QImage(shot).convertToFormat(QImage::Format_RGB32);
    if (grab.isNull()) return false;
    at = FindPicture(grab, expected);
    return at.has_value();
  })) << "the last image is not on the screen; see "
      << shot.toStdString();
  // The client area's origin on the screen: the picture lies at the picture
  // origin in it, below Wine's caption and the menu bar.
  const QPoint client = *at - QPoint(kPictureX, kPictureY);
  EXPECT_GT(client.y(), 0);

  ASSERT_TRUE(Succeeds("xdotool", {"windowfocus", "--sync", window_}, env_));
  // US keyboard: a function key, a letter, a digit, and Ctrl then 1.
  EXPECT_EQ(Type({"F3", "a", "1", "ctrl+1"}, 4),
            (std::vector<int>{key::kF1 + 2, 'A', '1', key::CtrlDigit(1)}));

  // A click on the first soft key, in screen coordinates.
  const size_t before_click = LoggedBytes(log_).size();
  ASSERT_TRUE(Succeeds("xdotool",
                       {"mousemove", "--sync", QString::number(client.x() + 170),
                        QString::number(client.y() + 60), "click", "1"},
                       env_));
  ASSERT_TRUE(Eventually([&] {
    const std::vector<int> codes = KeyCodesAfter(LoggedBytes(log_), before_click);
    return std::find(codes.begin(), codes.end(), kSoftKey1) != codes.end();
  })) << "no soft-key code on the wire";

  // View > 200 % (Alt+V opens the menu on its first item; four down is
  // "200 %"): every controller pixel becomes a 2x2 block. The top-left of
  // the doubled picture is looked for, as a screen this size cuts off the
  // rest.
  ASSERT_TRUE(Succeeds("xdotool", {"key", "--window", window_, "alt+v"}, env_));
  ASSERT_TRUE(Succeeds("xdotool", {"key", "Down", "Down", "Down", "Down", "Return"}, env_));
  QImage doubled(1000, 400, QImage::Format_RGB32);
  for (int y = 0; y < doubled.height(); ++y) {
    for (int x = 0; x < doubled.width(); ++x) doubled.setPixel(x, y, expected.pixel(x / 2, y / 2));
  }
  std::optional<QPoint> zoomed;
  ASSERT_TRUE(Eventually([&] {
    RunTool("import", {"-window", "root", shot});
    const QImage grab = QImage(shot).convertToFormat(QImage::Format_RGB32);
    zoomed = grab.isNull() ? std::nullopt : FindPart(grab, doubled);
    return zoomed.has_value();
  })) << "no doubled picture on the screen; see "
      << shot.toStdString();
  // S2 covers picture columns 196..242: column 220, row 36 is inside it.
  const size_t before_zoomed_click = LoggedBytes(log_).size();
  ASSERT_TRUE(Succeeds("xdotool",
                       {"mousemove", "--sync", QString::number(zoomed->x() + 2 * 220),
                        QString::number(zoomed->y() + 2 * 36), "click", "1"},
                       env_));
  ASSERT_TRUE(Eventually([&] {
    const std::vector<int> codes = KeyCodesAfter(LoggedBytes(log_), before_zoomed_click);
    return std::find(codes.begin(), codes.end(), kSoftKey2) != codes.end();
  })) << "no soft-key code on the wire at 200 %";

  // View > Save Screen Image... and OK on the offered name, in the working
  // folder: the decoded picture, pixel for pixel.
  ASSERT_TRUE(Succeeds("xdotool", {"key", "--window", window_, "alt+v"}, env_));
  ASSERT_TRUE(Succeeds("xdotool", {"key", "Return"}, env_));
  // Found once it is mapped, and focused once it takes the focus.
  QString dialog;
  ASSERT_TRUE(Eventually([&] {
    dialog = RunTool("xdotool", {"search", "--onlyvisible", "--name", "^Save Screen Image$"})
                 .section('\n', 0, 0);
    return !dialog.isEmpty() && Succeeds("xdotool", {"windowfocus", "--sync", dialog}, env_, 2000);
  })) << "no save dialog";
  ASSERT_TRUE(Succeeds("xdotool", {"key", "Return"}, env_));
  QStringList saved;
  ASSERT_TRUE(Eventually([&] {
    saved = QDir(work).entryList({"Mirelon *.png"}, QDir::Files);
    return saved.size() == 1 && !QImage(work + "/" + saved[0]).isNull();
  })) << "no picture saved in "
      << work.toStdString();
  EXPECT_EQ(QImage(work + "/" + saved[0]).convertToFormat(QImage::Format_RGB32), expected);
  QProcess query;
  query.setProcessEnvironment(env_);
  query.start(CORVANE_E2E_WINE, {"reg", "query", "HKCU\\Software\\Corvane", "/v", "Zoom"});
  ASSERT_TRUE(query.waitForFinished(60000));
  EXPECT_TRUE(query.readAllStandardOutput().simplified().contains("Zoom REG_SZ 200"));

  // French keyboard: the 1 key types "&" and sends 1; the key that types
  // "a" there is the A key.
  ASSERT_TRUE(Succeeds("setxkbmap", {"fr"}, env_));
  EXPECT_EQ(Type({"ampersand", "a", "q"}, 3), (std::vector<int>{'1', 'A', 'Q'}));

  // File > Exit through its mnemonics ends the program.
  ASSERT_TRUE(Succeeds("setxkbmap", {"us"}, env_));
  ASSERT_TRUE(Succeeds("xdotool", {"key", "--window", window_, "alt+f"}, env_));
  ASSERT_TRUE(Succeeds("xdotool", {"key", "x"}, env_));
  EXPECT_TRUE(corvane_.waitForFinished(20000)) << "Exit did not end corvane.exe";
  EXPECT_EQ(corvane_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(corvane_.exitCode(), 0);
}

// Config > Network Port... as it leaves the registry: corvane.exe reaches
// Debian's ser2net on 127.0.0.1 through Winsock, in front of the
// simulator's pseudo-terminal, instead of config.dpm's COM port, and the
// caption names the address.
TEST_F(Win32MirrorEndToEnd, MirrorsThroughADeviceServerNamedInTheRegistry) {
  log_ = dir_.filePath("sim.log");
  const QString sim_dir = dir_.filePath("sim");
  ASSERT_TRUE(QDir().mkpath(sim_dir));
  sim_.start(CORVANE_E2E_SIM, {"--port", "9", "--dir", sim_dir, "--seed", QString::number(kSeed),
                               "--stall-after", QString::number(kImages), "--log", log_});
  ASSERT_TRUE(Eventually([&] { return QFile::exists(sim_dir + "/com9"); }));
  testing::Ser2net server(sim_dir.toStdString(),
                          std::filesystem::canonical((sim_dir + "/com9").toStdString()).string());
  const QString address = QString::fromStdString(server.Rfc2217Url());
  ASSERT_TRUE(
      Succeeds(CORVANE_E2E_WINE,
               {"reg", "add", "HKCU\\Software\\Corvane", "/v", "NetworkPort", "/d", address, "/f"},
               env_, 60000));
  const QString work = dir_.filePath("work");
  ASSERT_TRUE(QDir().mkpath(work));
  QFile config(work + "/config.dpm");
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write("COM Port=6\r\n");  // nothing behind it
  config.close();
  corvane_.setProcessEnvironment(env_);
  corvane_.setWorkingDirectory(work);
  corvane_.start(CORVANE_E2E_WINE, {CORVANE_E2E_WIN32_PROGRAM});
  ASSERT_TRUE(corvane_.waitForStarted(10000));

  ASSERT_TRUE(Eventually([&] { return CountRequests(LoggedBytes(log_)) >= kImages + 1; }, 60000))
      << "requests seen: " << CountRequests(LoggedBytes(log_));
  ASSERT_TRUE(Eventually([&] {
    window_ = RunTool("xdotool", {"search", "--name", "^Corvane - " + address.mid(10) + "$"})
                  .section('\n', 0, 0);
    return !window_.isEmpty();
  })) << "no window named after the address";
  const QImage expected = e2e::ExpectedPicture(kImages, kSeed);
  const QString shot = dir_.filePath("window.png");
  EXPECT_TRUE(Eventually([&] {
    RunTool("import", {"-window", "root", shot});
    const QImage grab = QImage(shot).convertToFormat(QImage::Format_RGB32);
    return !grab.isNull() && FindPicture(grab, expected).has_value();
  })) << "the last image is not on the screen; see "
      << shot.toStdString();
  ASSERT_TRUE(Succeeds("xdotool", {"windowfocus", "--sync", window_}, env_));
  EXPECT_EQ(Type({"F3"}, 1), std::vector<int>{key::kF1 + 2});
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
