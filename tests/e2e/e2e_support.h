// What the end-to-end tests share: the picture a program must show after a
// number of the simulator's images, finding it in a window grab, the
// simulator's log of received bytes, and waiting for a condition.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QThread>
#include <optional>
#include <string>
#include <vector>

#include "panel_model.h"
#include "protocol_engine.h"
#include "screen/screen_image.h"
#include "screen/surface.h"

namespace corvane::e2e {

#ifdef CORVANE_E2E_PROGRAM
// Starts corvane in `dir` with config.dpm naming COM`port`, on the X server
// of DISPLAY, with a settings store of its own: a zoom the user chose must
// not move the picture a test looks for.
inline bool StartCorvane(QProcess& corvane, const QString& dir, int port) {
  QFile config(dir + "/config.dpm");
  if (!config.open(QIODevice::WriteOnly)) return false;
  config.write(QString("COM Port=%1\r\n").arg(port).toLatin1());
  config.close();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.insert("XDG_CONFIG_HOME", dir + "/config");
  corvane.setProcessEnvironment(env);
  corvane.setWorkingDirectory(dir);
  corvane.start(CORVANE_E2E_PROGRAM, {});
  return corvane.waitForStarted(10000);
}
#endif

// The picture a program must show after `images` screen images of a
// simulator started with `seed`: the same engine answers the same requests,
// and every payload is drawn over the previous one as the receiver does.
inline QImage ExpectedPicture(int images, uint64_t seed) {
  sim::PanelModel model(seed);
  sim::FaultOptions faults;
  faults.stall_after = images;
  sim::ProtocolEngine engine(model, faults, seed);
  Surface surface;
  const uint8_t request[] = {'<', '1', '>'};
  for (int i = 0; i < images; ++i) {
    engine.Receive(request);
    std::string reply;
    engine.ProduceNextReply(reply);
    const size_t open = reply.find('{');
    const size_t close = reply.rfind('}');
    if (open == std::string::npos || close == std::string::npos) return {};
    const std::string_view payload(reply.data() + open + 1, close - open - 1);
    DecodeScreenPayload({reinterpret_cast<const uint8_t*>(payload.data()), payload.size()},
                        surface);
    DrawScreenFrame(surface);
  }
  QImage picture(Surface::kWidth, Surface::kHeight, QImage::Format_RGB32);
  for (int y = 0; y < Surface::kHeight; ++y) {
    for (int x = 0; x < Surface::kWidth; ++x) picture.setPixel(x, y, surface.PixelAt(x, y));
  }
  return picture;
}

// Waits, checking every 50 ms, until `done` or the time is up.
template <typename Done>
bool Eventually(Done done, int timeout_ms = 20000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeout_ms) return false;
    QThread::msleep(50);
  }
  return true;
}

inline QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(10000)) return {};
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// Byte values the simulator logged, in order ("<seconds> <value> <char>").
inline std::vector<int> LoggedBytes(const QString& path) {
  std::vector<int> bytes;
  QFile log(path);
  if (!log.open(QIODevice::ReadOnly)) return bytes;
  QList<QByteArray> lines = log.readAll().split('\n');
  lines.removeLast();  // empty, or a line the simulator is still writing
  for (const QByteArray& line : lines) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() >= 2) bytes.push_back(fields[1].toInt());
  }
  return bytes;
}

// The key codes among the logged bytes from `from` on, without the screen
// requests "<1>" that corvane sends on its own. A request is queued whole,
// so no key code comes inside one; one still being logged ("<" or "<1" at
// the end; "<" is no key code) is left out too.
inline std::vector<int> KeyCodesAfter(const std::vector<int>& bytes, size_t from = 0) {
  std::vector<int> codes;
  for (size_t i = from; i < bytes.size(); ++i) {
    if (bytes[i] == '<') {
      i += 2;  // the request's "1" and ">", or the end of what came so far
      continue;
    }
    codes.push_back(bytes[i]);
  }
  return codes;
}

// Runs a tool to its end; true when it exited normally with status 0.
inline bool Succeeds(const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                     int timeout_ms = 10000) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  return process.waitForFinished(timeout_ms) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

inline int CountRequests(const std::vector<int>& bytes) {
  int requests = 0;
  for (size_t i = 0; i + 2 < bytes.size(); ++i) {
    if (bytes[i] == '<' && bytes[i + 1] == '1' && bytes[i + 2] == '>') ++requests;
  }
  return requests;
}

// Where the expected picture sits in the window grab, if it is there whole.
inline std::optional<QPoint> FindPicture(const QImage& grab, const QImage& expected) {
  for (int oy = 0; oy + Surface::kHeight <= grab.height() && oy < 200; ++oy) {
    for (int ox = 0; ox + Surface::kWidth <= grab.width() && ox < 60; ++ox) {
      bool match = true;
      for (int y = 0; y < Surface::kHeight && match; y += 37) {
        for (int x = 0; x < Surface::kWidth && match; x += 41) {
          match = grab.pixel(ox + x, oy + y) == expected.pixel(x, y);
        }
      }
      if (!match) continue;
      for (int y = 0; y < Surface::kHeight; ++y) {
        for (int x = 0; x < Surface::kWidth; ++x) {
          if (grab.pixel(ox + x, oy + y) != expected.pixel(x, y)) return std::nullopt;
        }
      }
      return QPoint(ox, oy);
    }
  }
  return std::nullopt;
}

}  // namespace corvane::e2e
