// The whole Qt program on a device server: Debian's ser2net on the
// loopback in front of mirelon-sim's pseudo-terminal, the address in the
// settings store as Config > Network Port... leaves it.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTest>
#include <QTimer>
#include <chrono>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "e2e/e2e_support.h"
#include "keypad/key_codes.h"
#include "qt/qt_program.h"
#include "qt/screen_view.h"
#include "support/end_child.h"
#include "support/front_end_fakes.h"
#include "support/scratch_dir.h"
#include "support/ser2net.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

constexpr int kImages = 12;
constexpr uint64_t kSeed = 1;

// mirelon-sim, started as ser2net is and ended with the test. Not through
// QProcess: Qt starts its child with a clone that shares this process's
// memory, ThreadSanitizer's state of the UI thread included, until the
// exec. After such a start the tool saw none of the UI thread's locks and
// reported the view handover's fields as raced, though both sides held
// the handover's mutexes; started this way, it reports nothing.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) : args_(std::move(args)) {
    std::vector<char*> argv;
    for (std::string& arg : args_) argv.push_back(arg.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ), 0);
  }
  ~SimProcess() { testing::EndChild(pid_, "mirelon-sim"); }

 private:
  std::vector<std::string> args_;
  pid_t pid_ = -1;
};

TEST(ProgramNetworkPort, MirrorsPixelForPixelTakesKeysAndComesBackAfterTheServerDid) {
  testing::ScratchDir dir;
  const std::string log = (dir / "sim.log").string();
  SimProcess sim({MIRELON_SIM_PATH, "--port", "9", "--dir", dir.Path().string(), "--seed",
                  std::to_string(kSeed), "--stall-after", std::to_string(kImages), "--log", log});
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(dir / "com9"); }));
  const auto key_codes = [&] {
    return e2e::KeyCodesAfter(e2e::LoggedBytes(QString::fromStdString(log)));
  };
  // ser2net in front of the simulator's own pseudo-terminal; config.dpm
  // names a port with nothing behind it: the address in the store wins.
  testing::Ser2net server(dir.Path(), std::filesystem::canonical(dir / "com9").string());
  testing::WriteWholeFile(dir / "config.dpm", "COM Port=8\r\n");
  testing::WriteWholeFile(dir / "com8", "not a port");
  QSettings store(kSettingsOrganisation, kSettingsApplication);
  store.setValue("NetworkPort", QString::fromStdString(server.Rfc2217Url()));
  testing::RecordingMessages messages;
  QtProgram program(QtProgramOptions{dir.Path(), nullptr, nullptr, &messages});
  ASSERT_TRUE(program.Start());
  const QString caption = "Corvane - " + QString::fromStdString(server.Rfc2217Url().substr(10));
  EXPECT_TRUE(QTest::qWaitFor([&] { return program.Window().windowTitle() == caption; }, 10000));

  const QImage expected = e2e::ExpectedPicture(kImages, kSeed);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return program.View().Picture().convertToFormat(QImage::Format_RGB32) == expected; },
      20000));
  program.View().setFocus();
  QTest::keyClick(&program.View(), Qt::Key_F3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !key_codes().empty(); }, 10000));
  EXPECT_EQ(key_codes(), std::vector<int>{key::kF1 + 2});

  // The device server goes away and comes back: the same address is
  // reopened by itself; the operator was told once, by its name.
  server.Stop();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return program.Window().windowTitle() == caption + " (reconnecting...)"; }, 15000));
  server.Start();
  // The caption follows the link's opening, posted from its opener.
  ASSERT_TRUE(QTest::qWaitFor([&] { return program.Link().IsConnected(); }, 15000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return program.Window().windowTitle() == caption; }, 5000));
  ASSERT_EQ(messages.Count(), 1u);
  EXPECT_NE(messages.Messages()[0].text.find(caption.mid(10).toStdString()), std::string::npos);
  store.remove("NetworkPort");
  program.Shutdown();
}

// A device server that takes no connection and refuses none: the one place
// in its queue of connections is taken and nobody accepts, so the system
// drops every further attempt unanswered until the connect limit.
struct SilentServer {
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  ~SilentServer() {
    close(filler);
    close(listener);
  }
  bool Listen() {
    socklen_t length = sizeof address;
    auto* const any = reinterpret_cast<sockaddr*>(&address);
    return bind(listener, any, length) == 0 && listen(listener, 0) == 0 &&
           getsockname(listener, any, &length) == 0 && connect(filler, any, length) == 0;
  }
  std::string Url() const {
    return "socket://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  }
};

TEST(ProgramNetworkPort, TheWindowGoesOnWhileASilentServerIsTriedAndClosesWithoutWaiting) {
  using Clock = std::chrono::steady_clock;
  SilentServer server;
  ASSERT_TRUE(server.Listen());
  testing::ScratchDir dir;
  QSettings store(kSettingsOrganisation, kSettingsApplication);
  store.setValue("NetworkPort", QString::fromStdString(server.Url()));
  testing::RecordingMessages messages;
  QtProgram program(QtProgramOptions{dir.Path(), nullptr, nullptr, &messages});
  store.remove("NetworkPort");
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(program.Start());
  // Events are handled while the connect waits on the server.
  bool ticked = false;
  QTimer::singleShot(200, [&] { ticked = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticked; }, 2000));
  EXPECT_LT(Clock::now() - start, kConnectLimit / 2);
  EXPECT_FALSE(program.Link().IsOpen());

  // Closing the window ends the connect at once, and nothing answers later.
  const Clock::time_point close = Clock::now();
  program.Window().close();
  EXPECT_LT(Clock::now() - close, std::chrono::milliseconds(500));
  QTest::qWait(200);
  EXPECT_EQ(messages.Count(), 0u);
}

}  // namespace
}  // namespace corvane
