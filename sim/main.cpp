// mirelon-sim: plays a Mirelon controller on a pseudo-terminal. One thread:
// a poll loop over the pseudo-terminal's master and a self-pipe that the
// signal handler writes to, so SIGINT/SIGTERM end the loop cleanly and the
// link is removed.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "panel_model.h"
#include "protocol_engine.h"
#include "pseudo_terminal.h"
#include "sim_options.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace corvane::sim;

// One descriptor, closed when it goes.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int Get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The write end of the self-pipe, for the handler; -1 while none is set up.
volatile std::sig_atomic_t g_signal_pipe_write = -1;

extern "C" void OnTerminationSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // Nothing to do if the pipe is full: one byte there is enough to wake the loop.
  [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe_write, &byte, 1);
  errno = saved;
}

// SIGINT, SIGTERM and SIGHUP turned into a readable byte on a pipe the poll
// loop watches. SIGHUP too: a simulator whose terminal goes away still
// removes its link. The signals get their old handling back before the pipe
// closes, so a late one can never be written into a reused descriptor.
class SignalPipe {
 public:
  SignalPipe() = default;
  ~SignalPipe() {
    for (size_t i = 0; i < kSignals.size(); ++i) {
      if (installed_[i]) ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
    g_signal_pipe_write = -1;
  }
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  // False with errno set.
  bool Install() {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    read_ = Fd(fds[0]);
    write_ = Fd(fds[1]);
    g_signal_pipe_write = write_.Get();
    struct sigaction sa {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    for (size_t i = 0; i < kSignals.size(); ++i) {
      if (::sigaction(kSignals[i], &sa, &previous_[i]) != 0) return false;
      installed_[i] = true;
    }
    // A write to a port nobody holds must come back as an error, not end us.
    ::signal(SIGPIPE, SIG_IGN);
    return true;
  }
  int ReadFd() const { return read_.Get(); }

 private:
  static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
  Fd read_;
  Fd write_;
  std::array<struct sigaction, kSignals.size()> previous_{};
  std::array<bool, kSignals.size()> installed_{};
};

// The "comN" link Corvane opens, taken away again when this goes (if it
// still points at our pseudo-terminal).
class PortLink {
 public:
  PortLink() = default;
  ~PortLink() {
    if (made_) RemovePortLink(path_, target_);
  }
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  bool Make(std::string path, std::string target, std::string& error) {
    path_ = std::move(path);
    target_ = std::move(target);
    made_ = MakePortLink(path_, target_, error);
    return made_;
  }

 private:
  std::string path_;
  std::string target_;
  bool made_ = false;
};

// One line per byte: seconds since start, the value, and the character
// (printable ASCII as itself, anything else as \xNN).
void LogBytes(std::FILE* log, double seconds, const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = bytes[i];
    if (b > 0x20 && b < 0x7F) {
      std::fprintf(log, "%.6f %3u %c\n", seconds, b, b);
    } else {
      std::fprintf(log, "%.6f %3u \\x%02x\n", seconds, b, b);
    }
  }
  std::fflush(log);
}

// Output pacing to a baud rate: every byte takes 10 bit times. After an idle
// spell the clock restarts at "now", and a late wake-up may catch up at most
// kCatchUp, so the line never runs faster than the rate for long.
class Pacer {
 public:
  explicit Pacer(int64_t baud)
      : byte_time_(baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud)
                            : Clock::duration{}) {}
  bool Paced() const { return byte_time_.count() > 0; }
  void StartIfIdle(Clock::time_point now) { next_ = std::max(next_, now); }
  // Bytes that may go now, at least 1 once due; 0 before.
  size_t Due(Clock::time_point now) {
    if (!Paced()) return SIZE_MAX;
    if (now < next_) return 0;
    next_ = std::max(next_, now - kCatchUp);
    return static_cast<size_t>((now - next_) / byte_time_) + 1;
  }
  void Sent(size_t n) { next_ += byte_time_ * static_cast<int64_t>(n); }
  Clock::time_point Next() const { return next_; }

 private:
  static constexpr auto kCatchUp = std::chrono::milliseconds(2);
  Clock::duration byte_time_;
  Clock::time_point next_{};
};

// How a run ended, for the last line it prints and the exit status.
struct Ending {
  int status = 0;
  const char* reason = "";
};

// The simulator's run: the log, the self-pipe, the pseudo-terminal and its
// link, owned for as long as the loop runs, and the engine behind them.
// Whatever Open managed to set up is undone by the destructor, link first.
class SimLoop {
 public:
  explicit SimLoop(const SimOptions& options)
      : options_(options), engine_(model_, options.faults, options.seed), pacer_(options.baud) {}
  SimLoop(const SimLoop&) = delete;
  SimLoop& operator=(const SimLoop&) = delete;

  // Sets everything up and announces the link; false with the reason on
  // stderr.
  bool Open();
  // Serves Corvane until a signal, a limit, a hang-up or an error.
  Ending Run();

  uint64_t ImagesSent() const { return engine_.ImagesSent(); }
  const std::string& LinkPath() const { return link_path_; }

 private:
  // Replies are rendered only when little is waiting to go out, so a slow
  // line never piles up stale images.
  static constexpr size_t kLowWater = 64 * 1024;
  // A restore that pauses this long was cut off.
  static constexpr auto kRestoreQuiet = std::chrono::seconds(2);

  bool FrameLimitReached() const {
    return options_.frames_limit > 0 &&
           engine_.ImagesSent() >= static_cast<uint64_t>(options_.frames_limit);
  }
  bool Sending() const { return out_pos_ < out_.size(); }
  void ProduceReplies();
  // Waits for the master, the self-pipe or `wake`; the master's events, or
  // how the run ends.
  std::optional<Ending> Wait(Clock::time_point now, Clock::time_point wake, bool want_write,
                             short& events);
  std::optional<Ending> ReadInput();
  std::optional<Ending> WriteOutput();

  const SimOptions& options_;
  // Members are destroyed in reverse: the link goes first, then the
  // pseudo-terminal, the self-pipe and last the log.
  File log_;
  SignalPipe signal_pipe_;
  PseudoTerminal pty_;
  PortLink link_;
  std::string link_path_;

  PanelModel model_{options_.seed};
  ProtocolEngine engine_;
  Pacer pacer_;
  std::string out_;
  size_t out_pos_ = 0;
  std::vector<uint8_t> in_ = std::vector<uint8_t>(4096);
  Clock::time_point start_{};
  Clock::time_point deadline_ = Clock::time_point::max();
  Clock::time_point last_received_{};
};

bool SimLoop::Open() {
  if (!options_.log_path.empty()) {
    log_.reset(std::fopen(options_.log_path.c_str(), "w"));
    if (!log_) {
      std::fprintf(stderr, "mirelon-sim: cannot write the log %s: %s\n", options_.log_path.c_str(),
                   std::strerror(errno));
      return false;
    }
  }
  if (!signal_pipe_.Install()) {
    std::fprintf(stderr, "mirelon-sim: cannot set up signal handling: %s\n", std::strerror(errno));
    return false;
  }
  std::string error;
  if (!pty_.Open(error)) {
    std::fprintf(stderr, "mirelon-sim: cannot open a pseudo-terminal: %s\n", error.c_str());
    return false;
  }
  link_path_ = options_.dir + "/com" + std::to_string(options_.port);
  if (!link_.Make(link_path_, pty_.SlavePath(), error)) {
    std::fprintf(stderr, "mirelon-sim: cannot make the port link: %s\n", error.c_str());
    return false;
  }
  std::printf("mirelon-sim: controller on %s, linked as %s\n", pty_.SlavePath().c_str(),
              link_path_.c_str());
  std::fflush(stdout);
  return true;
}

void SimLoop::ProduceReplies() {
  if (FrameLimitReached()) return;
  while (engine_.HasPendingReply() && out_.size() - out_pos_ < kLowWater) {
    const bool was_idle = !Sending();
    engine_.ProduceNextReply(out_);
    if (was_idle) pacer_.StartIfIdle(Clock::now());
    if (FrameLimitReached()) break;
  }
}

Ending SimLoop::Run() {
  start_ = Clock::now();
  last_received_ = start_;
  if (options_.exit_after_ms > 0)
    deadline_ = start_ + std::chrono::milliseconds(options_.exit_after_ms);

  for (;;) {
    ProduceReplies();
    const bool sending = Sending();
    if (!sending) {
      out_.clear();
      out_pos_ = 0;
      if (engine_.HangupDue()) return {0, "hung up as asked"};
      if (FrameLimitReached()) return {0, "frame limit reached"};
    }

    const Clock::time_point now = Clock::now();
    if (now >= deadline_) return {0, "time limit reached"};
    if (engine_.InRestore() && now - last_received_ >= kRestoreQuiet) {
      std::fprintf(stderr, "mirelon-sim: restore data stopped before its end; restore abandoned\n");
      engine_.AbandonRestore();
    }
    Clock::time_point wake = deadline_;
    if (engine_.InRestore()) wake = std::min(wake, last_received_ + kRestoreQuiet);
    bool want_write = sending;
    if (sending && pacer_.Paced() && now < pacer_.Next()) {
      want_write = false;
      wake = std::min(wake, pacer_.Next());
    }

    short events = 0;
    if (auto ending = Wait(now, wake, want_write, events)) return *ending;
    if (events & POLLIN) {
      if (auto ending = ReadInput()) return *ending;
    } else if (events & (POLLERR | POLLHUP | POLLNVAL)) {
      // Cannot happen while the slave is held open; never spin on it.
      std::fprintf(stderr, "mirelon-sim: the pseudo-terminal hung up\n");
      return {1, "the pseudo-terminal failed"};
    }
    if (Sending() && (events & POLLOUT)) {
      if (auto ending = WriteOutput()) return *ending;
    }
  }
}

std::optional<Ending> SimLoop::Wait(Clock::time_point now, Clock::time_point wake, bool want_write,
                                    short& events) {
  pollfd fds[2] = {{pty_.MasterFd(), static_cast<short>(POLLIN | (want_write ? POLLOUT : 0)), 0},
                   {signal_pipe_.ReadFd(), POLLIN, 0}};
  timespec ts{};
  timespec* timeout = nullptr;
  if (wake != Clock::time_point::max()) {
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now);
    ts.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
    timeout = &ts;
  }
  if (::ppoll(fds, 2, timeout, nullptr) < 0) {
    // A signal that interrupts the wait has also written to the self-pipe;
    // the next round sees it.
    if (errno == EINTR) return std::nullopt;
    std::fprintf(stderr, "mirelon-sim: poll: %s\n", std::strerror(errno));
    return Ending{1, "poll failed"};
  }
  if (fds[1].revents & POLLIN) return Ending{0, "stopped by a signal"};
  events = fds[0].revents;
  return std::nullopt;
}

std::optional<Ending> SimLoop::ReadInput() {
  for (;;) {
    const ssize_t n = ::read(pty_.MasterFd(), in_.data(), in_.size());
    if (n > 0) {
      last_received_ = Clock::now();
      if (log_) {
        LogBytes(log_.get(), std::chrono::duration<double>(Clock::now() - start_).count(),
                 in_.data(), static_cast<size_t>(n));
      }
      engine_.Receive({in_.data(), static_cast<size_t>(n)});
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      std::fprintf(stderr, "mirelon-sim: read: %s\n", std::strerror(errno));
      return Ending{1, "the pseudo-terminal failed"};
    }
    return std::nullopt;
  }
}

std::optional<Ending> SimLoop::WriteOutput() {
  const size_t due = pacer_.Due(Clock::now());
  const size_t n = std::min({out_.size() - out_pos_, due, size_t{64 * 1024}});
  if (n > 0) {
    const ssize_t written = ::write(pty_.MasterFd(), out_.data() + out_pos_, n);
    if (written > 0) {
      out_pos_ += static_cast<size_t>(written);
      pacer_.Sent(static_cast<size_t>(written));
    } else if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      std::fprintf(stderr, "mirelon-sim: write: %s\n", std::strerror(errno));
      return Ending{1, "the pseudo-terminal failed"};
    }
  }
  if (out_pos_ > kLowWater && out_pos_ * 2 > out_.size()) {
    out_.erase(0, out_pos_);
    out_pos_ = 0;
  }
  return std::nullopt;
}

int RunSimulator(const SimOptions& options) {
  Ending ending;
  uint64_t images = 0;
  std::string link_path;
  {
    SimLoop loop(options);
    if (!loop.Open()) return 1;
    ending = loop.Run();
    images = loop.ImagesSent();
    link_path = loop.LinkPath();
  }  // the link is removed and every file closed before the last line says so
  std::printf("mirelon-sim: %s after %llu images; link %s removed\n", ending.reason,
              static_cast<unsigned long long>(images), link_path.c_str());
  return ending.status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  const ParsedOptions parsed = ParseSimOptions(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "mirelon-sim: %s\n", parsed.error.c_str());
    return 2;
  }
  if (parsed.options.help) {
    const std::string_view help = SimHelpText();
    std::fwrite(help.data(), 1, help.size(), stdout);
    return 0;
  }
  return RunSimulator(parsed.options);
}
