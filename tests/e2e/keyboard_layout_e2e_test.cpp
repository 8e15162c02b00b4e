// End to end: the real corvane on an X server (Xvfb) switched to French and
// German keyboards with setxkbmap, keys typed with xdotool, and the bytes
// mirelon-sim logs as received. xdotool presses the key (and Shift) that
// types the named character on the active layout, so "ampersand" on a
// French keyboard is the 1 key without Shift.
//
// Part of e2e_tests (main() is in mirror_e2e_test.cpp), run by ctest under
// xvfb-run; the paths of both programs are compiled in. The X server's
// keymap is put back afterwards, should the test ever be run on a desktop's
// own display.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstddef>
#include <vector>

#include "e2e/e2e_support.h"
#include "keypad/key_codes.h"

namespace corvane {
namespace {

constexpr int kPort = 7;

using e2e::Eventually;
using e2e::RunTool;

using e2e::Succeeds;

std::vector<int> LoggedKeyCodes(const QString& path) {
  return e2e::KeyCodesAfter(e2e::LoggedBytes(path));
}

class KeyboardLayouts : public ::testing::Test {
 protected:
  void TearDown() override {
    if (keymap_saved_) Succeeds("xkbcomp", {"-w", "0", dir_.filePath("saved.xkb"), display_});
    for (QProcess* process : {&corvane_, &sim_}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->terminate();
      if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
  }

  // Types `keys` (xdotool key names) on the `layout` keyboard and expects
  // exactly `expected` on the wire after what came before. The last key
  // must send a code: once that many codes are in, one that came where none
  // should have shows as a mismatch.
  void TypeAndExpect(const char* layout, const QStringList& keys,
                     const std::vector<int>& expected) {
    SCOPED_TRACE(layout);
    ASSERT_TRUE(Succeeds("setxkbmap", {layout}));
    const size_t before = LoggedKeyCodes(log_).size();
    for (const QString& key : keys) {
      ASSERT_TRUE(Succeeds("xdotool", {"key", key})) << key.toStdString();
    }
    std::vector<int> sent;
    Eventually([&] {
      const std::vector<int> codes = LoggedKeyCodes(log_);
      sent.assign(codes.begin() + static_cast<std::ptrdiff_t>(std::min(before, codes.size())),
                  codes.end());
      return sent.size() >= expected.size();
    });
    EXPECT_EQ(sent, expected) << "keys: " << keys.join(' ').toStdString();
  }

  QTemporaryDir dir_;
  QString display_ = qEnvironmentVariable("DISPLAY");
  QString log_;
  bool keymap_saved_ = false;
  QProcess sim_;
  QProcess corvane_;
};

TEST_F(KeyboardLayouts, DigitKeysByPlaceLettersAndFullStopByLayout) {
  ASSERT_TRUE(dir_.isValid());
  ASSERT_FALSE(display_.isEmpty()) << "needs an X server (xvfb-run)";
  keymap_saved_ = Succeeds("xkbcomp", {"-w", "0", display_, dir_.filePath("saved.xkb")});
  ASSERT_TRUE(keymap_saved_);

  log_ = dir_.filePath("sim.log");
  sim_.start(CORVANE_E2E_SIM, {"--port", QString::number(kPort), "--dir", dir_.path(),
                               "--stall-after", "1", "--log", log_});
  ASSERT_TRUE(sim_.waitForStarted(10000));
  ASSERT_TRUE(
      Eventually([&] { return QFile::exists(dir_.filePath(QString("com%1").arg(kPort))); }));
  ASSERT_TRUE(e2e::StartCorvane(corvane_, dir_.path(), kPort));

  QString window;
  ASSERT_TRUE(Eventually([&] {
    window = RunTool("xdotool", {"search", "--name", QString("^Corvane - COM%1$").arg(kPort)})
                 .section('\n', 0, 0);
    return !window.isEmpty();
  }));
  ASSERT_TRUE(Succeeds("xdotool", {"windowfocus", "--sync", window}));

  // French: the 1 key types "&", and "1" only with Shift; Ctrl then that key
  // is Ctrl+1. The full stop is Shift+";", and ";" alone is the same key;
  // ":" sits where a US keyboard has the full stop and sends nothing.
  TypeAndExpect("fr", {"ampersand", "1", "ctrl+ampersand", "agrave", "a", "q"},
                {'1', '1', key::CtrlDigit(1), '0', 'A', 'Q'});
  TypeAndExpect("fr", {"semicolon", "period", "colon", "m"}, {190, 190, 'M'});
  // German: Z and Y trade places with the US keyboard, Shift+1 is "!", and
  // Shift with the full stop key types ":".
  TypeAndExpect("de", {"z", "y", "exclam", "equal", "period", "colon"},
                {'Z', 'Y', '1', '0', 190, 190});
}

}  // namespace
}  // namespace corvane
