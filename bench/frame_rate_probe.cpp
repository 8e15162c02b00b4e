// Frame rate of the running program's window against the unpaced
// simulator: the program's own composition root, on the X server named by
// DISPLAY, fed by a real mirelon-sim over its pseudo-terminal. Counts the
// images the receiver rendered, the pictures handed over to the window, the
// paints that draw the picture and the picture pixels they cover (what goes
// to the window system), and the process's CPU time per rendered image. Not
// a test: scripts run it (see measure_performance.sh).
//
// Usage: frame_rate_probe <mirelon-sim> [seconds]
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPaintEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>

#include <sys/resource.h>

#include "qt/qt_program.h"
#include "qt/screen_view.h"
#include "screen/surface.h"

namespace {

// Paints that draw the picture, and the picture pixels they cover; paints
// of the status line alone do not count as frames.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  long long picture_pixels = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      const QRegion drawn = static_cast<QPaintEvent*>(event)->region() &
                            QRect(corvane::kPictureX, corvane::kPictureY, corvane::Surface::kWidth,
                                  corvane::Surface::kHeight);
      if (!drawn.isEmpty()) ++paints;
      for (const QRect& r : drawn) picture_pixels += static_cast<long long>(r.width()) * r.height();
    }
    return QObject::eventFilter(watched, event);
  }
};

// User and system time of this process, in seconds.
double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: frame_rate_probe <mirelon-sim> [seconds]\n");
    return 2;
  }
  const double seconds = argc > 2 ? std::atof(argv[2]) : 5.0;
  QTemporaryDir dir;
  QProcess sim;
  sim.start(argv[1], {"--port", "9", "--dir", dir.path()});
  if (!sim.waitForStarted() || !sim.waitForReadyRead(10000)) {
    std::fprintf(stderr, "mirelon-sim did not start\n");
    return 1;
  }
  std::ofstream(dir.filePath("config.dpm").toStdString(), std::ios::binary) << "COM Port=9\r\n";

  corvane::QtProgram program({.base_directory = dir.path().toStdString()});
  PaintCounter paints;
  program.View().installEventFilter(&paints);
  if (!program.Start()) {
    std::fprintf(stderr, "the link did not open\n");
    return 1;
  }
  // One second to settle (window mapped, first images), then count.
  int images0 = 0, shown0 = 0, paints0 = 0;
  long long pixels0 = 0;
  double cpu0 = 0;
  QElapsedTimer clock;
  QTimer::singleShot(1000, Qt::PreciseTimer, &app, [&] {
    images0 = program.Counters().ImagesShown.load();
    shown0 = program.View().PicturesShown();
    paints0 = paints.paints;
    pixels0 = paints.picture_pixels;
    cpu0 = ProcessCpuSeconds();
    clock.start();
  });
  QTimer::singleShot(1000 + static_cast<int>(seconds * 1000), Qt::PreciseTimer, &app, [&] {
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const int images = program.Counters().ImagesShown.load() - images0;
    const int shown = program.View().PicturesShown() - shown0;
    const int painted = paints.paints - paints0;
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double pixels = static_cast<double>(paints.picture_pixels - pixels0);
    std::printf(
        "over %.2f s: %d images rendered (%.1f/s), %d handed to the window (%.1f/s), "
        "%d paints of the picture (%.1f/s)\n",
        elapsed, images, images / elapsed, shown, shown / elapsed, painted, painted / elapsed);
    if (images > 0) {
      std::printf(
          "per rendered image: %.3f ms CPU (receiver and UI together), "
          "%.0f picture pixels painted\n",
          cpu * 1000 / images, pixels / images);
    }
    program.Window().close();
  });
  const int code = QApplication::exec();
  program.Shutdown();
  sim.terminate();
  sim.waitForFinished(5000);
  return code;
}
