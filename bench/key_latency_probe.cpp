// How long a key's effect takes to show: the program's own composition root
// against a paced mirelon-sim, clicking the soft keys S1..S8 in turn at
// random moments of an image (S2 first: station 1 is chosen at start), and
// timing from the click (the code is on the wire within the sender's next
// pass, about a millisecond) to the first picture handed to the window
// whose station label in the header differs from the label before the
// click. Only a station choice changes that
// label. Not a test: run by hand, e.g. under xvfb-run.
//
// Usage: key_latency_probe <mirelon-sim> <baud> <on|off> [clicks]
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "keypad/keypad.h"
#include "keypad/soft_key_areas.h"
#include "qt/qt_program.h"
#include "qt/screen_view.h"

namespace {

// The header's "STATION n" label, in picture pixels.
const QRect kStationLabel(560, 30, 140, 20);

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: key_latency_probe <mirelon-sim> <baud> <on|off> [clicks]\n");
    return 2;
  }
  const bool drawing = std::string_view(argv[3]) == "on";
  const int clicks = argc > 4 ? std::atoi(argv[4]) : 8;
  QTemporaryDir dir;
  // The operator's own settings are not touched.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  QProcess sim;
  sim.start(argv[1], {"--port", "9", "--dir", dir.path(), "--baud", argv[2]});
  if (!sim.waitForStarted() || !sim.waitForReadyRead(10000)) {
    std::fprintf(stderr, "mirelon-sim did not start\n");
    return 1;
  }
  std::ofstream(dir.filePath("config.dpm").toStdString(), std::ios::binary) << "COM Port=9\r\n";

  corvane::QtProgram program({.base_directory = dir.path().toStdString()});
  if (!program.Start()) {
    std::fprintf(stderr, "the link did not open\n");
    return 1;
  }
  program.App().Drawing().while_receiving.store(drawing);

  QImage before;
  QElapsedTimer since_click;
  bool waiting = false;
  int done = 0;
  std::vector<double> latencies;
  QTimer next_click;
  next_click.setSingleShot(true);
  const auto click = [&] {
    before = program.View().Picture();
    const corvane::SoftKeyArea& key = corvane::kSoftKeyAreas[static_cast<size_t>((done + 1) % 8)];
    waiting = true;
    since_click.start();
    program.KeypadRecord().ForwardClick(
        static_cast<uint16_t>((key.left + key.right) / 2),
        static_cast<uint16_t>((corvane::kSoftKeyTop + corvane::kSoftKeyBottom) / 2));
  };
  QObject::connect(&next_click, &QTimer::timeout, &app, click);
  QObject::connect(&program.View(), &corvane::ScreenView::PictureShown, &app, [&] {
    if (!waiting) {
      // The first whole picture: the clicks can start.
      if (done == 0 && before.isNull() && !next_click.isActive()) next_click.start(1000);
      return;
    }
    const QImage now = program.View().Picture();
    if (now.copy(kStationLabel) == before.copy(kStationLabel)) return;
    waiting = false;
    latencies.push_back(static_cast<double>(since_click.nsecsElapsed()) / 1e6);
    std::printf("click %d: %.0f ms\n", done + 1, latencies.back());
    std::fflush(stdout);
    if (++done == clicks) {
      program.Window().close();
      return;
    }
    // The next click lands anywhere in an image's time on the wire.
    next_click.start(500 + static_cast<int>(QRandomGenerator::global()->bounded(6000)));
  });
  const int code = QApplication::exec();
  program.Shutdown();
  sim.terminate();
  sim.waitForFinished(5000);
  if (!latencies.empty()) {
    std::sort(latencies.begin(), latencies.end());
    double sum = 0;
    for (double l : latencies) sum += l;
    std::printf(
        "drawing while receiving %s, %s baud: %zu clicks, median %.0f ms, mean %.0f ms, "
        "min %.0f ms, max %.0f ms\n",
        drawing ? "on" : "off", argv[2], latencies.size(), latencies[latencies.size() / 2],
        sum / static_cast<double>(latencies.size()), latencies.front(), latencies.back());
  }
  return code;
}
