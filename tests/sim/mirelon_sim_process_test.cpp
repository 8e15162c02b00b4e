// The mirelon-sim program itself, driven the way Corvane drives it: through
// the "comN" link in its directory, as a raw serial line.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "hub/serial_link.h"
#include "panel_model.h"
#include "panel_renderer.h"
#include "parameter_store.h"
#include "sim_test_support.h"
#include "support/opened.h"
#include "support/patience.h"
#include "support/receiver_rig.h"

extern char** environ;

namespace corvane::sim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTimeout = std::chrono::seconds(20);

class SimProcess {
 public:
  SimProcess(const std::vector<std::string>& extra_args) {
    char templ[] = "/tmp/mirelon-sim-test-XXXXXX";
    EXPECT_NE(::mkdtemp(templ), nullptr);
    dir_ = templ;
    int out[2];
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    stdout_ = out[0];
    std::vector<std::string> args = {MIRELON_SIM_PATH, "--dir",         dir_, "--port", "9",
                                     "--log",          dir_ + "/in.log"};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    first_line_ = ReadStdoutLine();
  }
  ~SimProcess() {
    if (port_ >= 0) ::close(port_);
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(stdout_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::string ReadStdoutLine() {
    std::string line;
    char c;
    const auto end = Clock::now() + kTimeout;
    while (Clock::now() < end) {
      pollfd p{stdout_, POLLIN, 0};
      if (::poll(&p, 1, 1000) <= 0) continue;
      if (::read(stdout_, &c, 1) != 1) break;
      if (c == '\n') break;
      line.push_back(c);
    }
    return line;
  }

  // Opens the port as Corvane does: by its link, raw.
  void OpenPort() {
    port_ = ::open(LinkPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(port_, 0) << std::strerror(errno);
    termios t{};
    ASSERT_EQ(::tcgetattr(port_, &t), 0);
    ::cfmakeraw(&t);
    ASSERT_EQ(::tcsetattr(port_, TCSANOW, &t), 0);
  }
  void ClosePort() {
    ::close(port_);
    port_ = -1;
  }
  void Send(std::string_view bytes) {
    ASSERT_EQ(::write(port_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Reads until `last` arrives; what came, up to and including it.
  std::string ReadThrough(char last) {
    std::string got;
    char buf[65536];
    const auto end = Clock::now() + kTimeout;
    while (Clock::now() < end) {
      pollfd p{port_, POLLIN, 0};
      if (::poll(&p, 1, 1000) <= 0) continue;
      const ssize_t n = ::read(port_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
      if (const size_t at = got.find(last); at != std::string::npos) {
        EXPECT_EQ(at + 1, got.size()) << "bytes after the reply";
        break;
      }
    }
    return got;
  }

  int Wait() {
    int status = 0;
    EXPECT_EQ(::waitpid(pid_, &status, 0), pid_);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string LinkPath() const { return dir_ + "/com9"; }
  const std::string& Dir() const { return dir_; }
  const std::string& FirstLine() const { return first_line_; }
  pid_t Pid() const { return pid_; }

 private:
  std::string dir_;
  int stdout_ = -1;
  int port_ = -1;
  pid_t pid_ = -1;
  bool reaped_ = false;
  std::string first_line_;
};

bool LinkExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

TEST(MirelonSimProcess, ServesImagesBlocksAndKeysOverItsLink) {
  SimProcess sim({});
  ASSERT_NE(sim.FirstLine().find("linked as " + sim.LinkPath()), std::string::npos)
      << sim.FirstLine();
  ASSERT_TRUE(LinkExists(sim.LinkPath()));
  sim.OpenPort();

  sim.Send("<1>");
  const std::string image = sim.ReadThrough('}');
  ASSERT_GE(image.size(), 2u);
  ASSERT_EQ(image.front(), '{');
  // The first image of a seed-1 simulator is the seed-1 panel after one frame.
  PanelModel model(1);
  model.AdvanceFrame();
  LetterImage expected;
  RenderPanel(model, expected);
  EXPECT_TRUE(testing::DecodesTo(std::string_view(image).substr(1, image.size() - 2), expected));

  sim.Send("<12>");
  EXPECT_EQ(sim.ReadThrough(']'), "[" + ParameterStore().BackupText(0) + "]");

  // Corvane closing and reopening the port must not upset the simulator.
  sim.ClosePort();
  sim.OpenPort();
  sim.Send("\x8d<1>");  // soft key S2, then a screen request
  const std::string second = sim.ReadThrough('}');
  model.NoteBackup(0, ParameterCatalogue().size());  // the footer shows the backup
  model.HandleKey(141);
  model.AdvanceFrame();
  RenderPanel(model, expected);
  EXPECT_TRUE(testing::DecodesTo(std::string_view(second).substr(1, second.size() - 2), expected));

  ASSERT_EQ(::kill(sim.Pid(), SIGTERM), 0);
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_FALSE(LinkExists(sim.LinkPath())) << "the link must go when the simulator ends";

  // The log has every byte received, in order, with its time.
  std::ifstream log(sim.Dir() + "/in.log");
  std::string bytes;
  double t = 0, last_t = 0;
  unsigned value = 0;
  std::string shown;
  while (log >> t >> value >> shown) {
    EXPECT_GE(t, last_t);
    last_t = t;
    bytes.push_back(static_cast<char>(value));
  }
  EXPECT_EQ(bytes, "<1><12>\x8d<1>");
}

TEST(MirelonSimProcess, PacesOutputToTheBaudRate) {
  constexpr int kBaud = 2'000'000;
  SimProcess sim({"--baud", std::to_string(kBaud)});
  sim.OpenPort();
  const auto start = Clock::now();
  sim.Send("<1>");
  const std::string image = sim.ReadThrough('}');
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ASSERT_GT(image.size(), 10'000u);
  const double line_time = static_cast<double>(image.size()) * 10.0 / kBaud;
  EXPECT_GE(seconds, 0.9 * line_time) << image.size() << " bytes";
}

TEST(MirelonSimProcess, HangsUpAfterItsImagesAndRemovesTheLink) {
  SimProcess sim({"--hangup-after", "1"});
  sim.OpenPort();
  sim.Send("<1><1>");
  const std::string image = sim.ReadThrough('}');
  EXPECT_EQ(image.front(), '{');
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_FALSE(LinkExists(sim.LinkPath()));
}

// The panel as Corvane shows it: decoded pens, then its black frame.
std::vector<Pixel> FramedPanel(const PanelModel& model) {
  LetterImage image;
  RenderPanel(model, image);
  Surface surface;
  Pixel* px = surface.MutablePixels();
  for (size_t i = 0; i < image.letters.size(); ++i) px[i] = PenTable(image.letters[i]).value_or(0);
  DrawScreenFrame(surface);
  return {surface.Pixels(), surface.Pixels() + image.letters.size()};
}

// Corvane's own link, receiver and decoder against the running simulator:
// the mirror runs by itself, shows exactly the panel, and a soft key from
// Corvane's queue reaches the controller and comes back on screen.
TEST(MirelonSimProcess, CorvaneMirrorsItAndItsKeysComeBackOnScreen) {
  SimProcess sim({});
  corvane::testing::ReceiverRig rig;
  SerialLink link(rig.context, {}, sim.Dir());
  ASSERT_TRUE(corvane::testing::Opened(link.OpenLink(9)));
  rig.display.WaitForPictures(3);
  const std::vector<Pixel> shown = rig.display.LastPicture();
  const int count = rig.display.PictureCount();
  PanelModel model(1);
  bool matched = false;
  for (int frame = 1; frame <= count + 10 && !matched; ++frame) {
    model.AdvanceFrame();
    matched = FramedPanel(model) == shown;
  }
  EXPECT_TRUE(matched) << "the picture shown is no frame of the panel";

  rig.queue.EnqueueByte(142);  // soft key S3
  const SoftKeyRect& s3 = kSoftKeyRects[2];
  const size_t probe =
      static_cast<size_t>(kSoftKeyTop + 3) * LetterImage::kWidth + static_cast<size_t>(s3.left + 2);
  bool highlighted = false;
  for (int n = rig.display.PictureCount() + 1; n < count + 500 && !highlighted; ++n) {
    rig.display.WaitForPictures(n);
    highlighted = rig.display.LastPicture()[probe] == PenTable(kColourYellow);
  }
  EXPECT_TRUE(highlighted);
  link.CloseLink();
  EXPECT_EQ(rig.messages.Count(), 0u);
}

// A "}" dropped now and then, or a "[" in the middle of an image, would
// freeze a lock-step mirror for good; with a short quiet time the mirror
// comes back each time and keeps going.
TEST(MirelonSimProcess, CorvaneRecoversFromDroppedClosesAndStrayBrackets) {
  for (const char* fault : {"--drop-close-every", "--bracket-in-image"}) {
    SCOPED_TRACE(fault);
    SimProcess sim({fault, "3"});
    corvane::testing::ReceiverRig rig(std::chrono::milliseconds(150));
    SerialLink link(rig.context, {}, sim.Dir());
    ASSERT_TRUE(corvane::testing::Opened(link.OpenLink(9)));
    // Every third image is spoilt, so ten shown means at least three
    // recoveries.
    EXPECT_TRUE(rig.display.WaitForPictures(10));
    EXPECT_GE(rig.watchdog.Rerequests(), 3);
    link.CloseLink();
  }
}

// A controller that stopped answering altogether is asked once per quiet
// time, never flooded.
TEST(MirelonSimProcess, CorvaneAsksAStalledControllerOncePerQuietTime) {
  constexpr auto kQuiet = std::chrono::milliseconds(150);
  SimProcess sim({"--stall-after", "2"});
  corvane::testing::ReceiverRig rig(kQuiet);
  SerialLink link(rig.context, {}, sim.Dir());
  ASSERT_TRUE(corvane::testing::Opened(link.OpenLink(9)));
  ASSERT_TRUE(rig.display.WaitForPictures(2));
  const auto start = std::chrono::steady_clock::now();
  while (rig.watchdog.Rerequests() < 4 &&
         std::chrono::steady_clock::now() - start < corvane::testing::kPatience) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // sampling a counter
  }
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_GE(rig.watchdog.Rerequests(), 4);
  EXPECT_GE(took, 3 * kQuiet) << "re-requests came faster than one per quiet time";
  EXPECT_EQ(rig.display.PictureCount(), 2);
  link.CloseLink();
}

TEST(MirelonSimProcess, RefusesToReplaceAFileThatIsNotALink) {
  char templ[] = "/tmp/mirelon-sim-test-XXXXXX";
  ASSERT_NE(::mkdtemp(templ), nullptr);
  const std::string dir = templ;
  { std::ofstream(dir + "/com4") << "keep me"; }
  std::string cmd =
      std::string(MIRELON_SIM_PATH) + " --dir " + dir + " --port 4 --exit-after 5 >/dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  std::ifstream kept(dir + "/com4");
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "keep me");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace corvane::sim
