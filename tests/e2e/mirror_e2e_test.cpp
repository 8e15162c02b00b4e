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
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <optional>
#include <string>

#include "keypad/picture_origin.h"
#include "panel_model.h"
#include "protocol_engine.h"
#include "screen/screen_image.h"
#include "screen/surface.h"

namespace corvane {
namespace {

constexpr int kPort = 6;
constexpr int kImages = 30;
constexpr uint64_t kSeed = 1;

// The picture corvane must show after `images` screen images of a
// simulator started with `seed`: the same engine answers the same requests,
// and every payload is drawn over the previous one as the receiver does.
QImage ExpectedPicture(int images) {
  sim::PanelModel model(kSeed);
  sim::FaultOptions faults;
  faults.stall_after = images;
  sim::ProtocolEngine engine(model, faults, kSeed);
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

QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(10000)) return {};
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// Byte values the simulator logged, in order ("<seconds> <value> <char>").
std::vector<int> LoggedBytes(const QString& path) {
  std::vector<int> bytes;
  QFile log(path);
  if (!log.open(QIODevice::ReadOnly)) return bytes;
  for (const QByteArray& line : log.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() >= 2) bytes.push_back(fields[1].toInt());
  }
  return bytes;
}

int CountRequests(const std::vector<int>& bytes) {
  int requests = 0;
  for (size_t i = 0; i + 2 < bytes.size(); ++i) {
    if (bytes[i] == '<' && bytes[i + 1] == '1' && bytes[i + 2] == '>') ++requests;
  }
  return requests;
}

// Where the expected picture sits in the window grab, if it is there whole.
std::optional<QPoint> FindPicture(const QImage& grab, const QImage& expected) {
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

  QFile config(dir_.filePath("config.dpm"));
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write("COM Port=6\r\n");
  config.close();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  corvane_.setProcessEnvironment(env);
  corvane_.setWorkingDirectory(dir_.path());
  corvane_.start(CORVANE_E2E_PROGRAM, {});
  ASSERT_TRUE(corvane_.waitForStarted(10000));

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

  const QImage expected = ExpectedPicture(kImages);
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

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
