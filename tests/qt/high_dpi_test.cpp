// A first start on high-DPI monitors, in a program of its own: the screens
// are fixed when the application starts. Qt's own scaling is off, as on a
// desktop that leaves its whole scale to the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>

#include "qt/qt_program.h"
#include "qt/screen_view.h"
#include "support/front_end_fakes.h"
#include "support/scratch_dir.h"

namespace corvane {
namespace {

// Both at 200 %: a 4K monitor, and a full-HD one too small for 200 %.
constexpr char kScreens[] = R"({"screens": [
  {"name": "4k", "x": 0, "y": 0, "width": 3840, "height": 2160, "logicalDpi": 192},
  {"name": "hd", "x": 3840, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 192}]})";

TEST(HighDpiStart, WithoutASavedZoomTheMonitorsScalePicksAsFarAsItsWorkAreaHolds) {
  testing::ScratchDir dir;  // no port opens there
  testing::FakeChooser chooser;
  testing::FakePortDialog port_dialog;
  testing::RecordingMessages messages;
  std::vector<ZoomMode> zooms;
  for (QScreen* screen : QGuiApplication::screens()) {
    QtProgram program({dir.Path(), &chooser, &port_dialog, &messages});
    program.Window().setScreen(screen);
    program.Window().move(screen->availableGeometry().topLeft());
    program.Start();
    zooms.push_back(program.View().Zoom());
    const ClientSize client = ClientSizeFor(zooms.back());
    EXPECT_EQ(program.View().size(), QSize(client.width, client.height));
    EXPECT_TRUE(screen->availableGeometry().contains(program.Window().frameGeometry()));
  }
  EXPECT_EQ(zooms, (std::vector<ZoomMode>{ZoomMode::k200, ZoomMode::k150}));
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  QTemporaryDir scratch;
  if (!scratch.isValid()) return 1;
  const QString screens = scratch.filePath("screens.json");
  std::ofstream(screens.toStdString()) << corvane::kScreens;
  setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).toLocal8Bit().constData(), 1);
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  // A settings store of its own, holding no zoom.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.filePath("settings"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
