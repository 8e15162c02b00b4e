// mirelon-sim: plays a Mirelon controller on a pseudo-terminal. One thread:
// a poll loop over the pseudo-terminal's master and a self-pipe that the
// signal handler writes to, so SIGINT/SIGTERM end the loop cleanly and the
// link is removed.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "panel_model.h"
#include "protocol_engine.h"
#include "pseudo_terminal.h"
#include "sim_options.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace corvane::sim;

int g_signal_pipe_write = -1;

extern "C" void OnTerminationSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // Nothing to do if the pipe is full: one byte there is enough to wake the loop.
  [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe_write, &byte, 1);
  errno = saved;
}

bool InstallSignalPipe(int fds[2]) {
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  g_signal_pipe_write = fds[1];
  struct sigaction sa {};
  sa.sa_handler = OnTerminationSignal;
  sigemptyset(&sa.sa_mask);
  // SIGHUP too: a simulator whose terminal goes away still removes its link.
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
    if (::sigaction(sig, &sa, nullptr) != 0) return false;
  }
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}

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
  explicit Pacer(int64_t baud) : byte_time_(baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud) : Clock::duration{}) {}
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

int Run(const SimOptions& options) {
  std::FILE* log = nullptr;
  if (!options.log_path.empty()) {
    log = std::fopen(options.log_path.c_str(), "w");
    if (log == nullptr) {
      std::fprintf(stderr, "mirelon-sim: cannot write the log %s: %s\n", options.log_path.c_str(), std::strerror(errno));
      return 1;
    }
  }
  int signal_pipe[2] = {-1, -1};
  if (!InstallSignalPipe(signal_pipe)) {
    std::fprintf(stderr, "mirelon-sim: cannot set up signal handling: %s\n", std::strerror(errno));
    if (log) std::fclose(log);
    return 1;
  }

  PseudoTerminal pty;
  std::string error;
  if (!pty.Open(error)) {
    std::fprintf(stderr, "mirelon-sim: cannot open a pseudo-terminal: %s\n", error.c_str());
    if (log) std::fclose(log);
    return 1;
  }
  const std::string link_path = options.dir + "/com" + std::to_string(options.port);
  const std::string slave_path = pty.SlavePath();
  if (!MakePortLink(link_path, slave_path, error)) {
    std::fprintf(stderr, "mirelon-sim: cannot make the port link: %s\n", error.c_str());
    if (log) std::fclose(log);
    return 1;
  }
  std::printf("mirelon-sim: controller on %s, linked as %s\n", slave_path.c_str(), link_path.c_str());
  std::fflush(stdout);

  PanelModel model(options.seed);
  ProtocolEngine engine(model, options.faults, options.seed);
  Pacer pacer(options.baud);
  std::string out;
  size_t out_pos = 0;
  std::vector<uint8_t> in(4096);
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline =
      options.exit_after_ms > 0 ? start + std::chrono::milliseconds(options.exit_after_ms) : Clock::time_point::max();
  // Replies are rendered only when little is waiting to go out, so a slow
  // line never piles up stale images.
  constexpr size_t kLowWater = 64 * 1024;
  // A restore that pauses this long was cut off.
  constexpr auto kRestoreQuiet = std::chrono::seconds(2);
  Clock::time_point last_received = start;
  int status = 0;
  const char* reason = "stopped by a signal";

  for (;;) {
    const bool limit_reached =
        options.frames_limit > 0 && engine.ImagesSent() >= static_cast<uint64_t>(options.frames_limit);
    while (!limit_reached && engine.HasPendingReply() && out.size() - out_pos < kLowWater) {
      const bool was_idle = out_pos == out.size();
      engine.ProduceNextReply(out);
      if (was_idle) pacer.StartIfIdle(Clock::now());
      if (options.frames_limit > 0 && engine.ImagesSent() >= static_cast<uint64_t>(options.frames_limit)) break;
    }
    const bool sending = out_pos < out.size();
    if (!sending) {
      out.clear();
      out_pos = 0;
      if (engine.HangupDue()) {
        reason = "hung up as asked";
        break;
      }
      if (options.frames_limit > 0 && engine.ImagesSent() >= static_cast<uint64_t>(options.frames_limit)) {
        reason = "frame limit reached";
        break;
      }
    }

    Clock::time_point now = Clock::now();
    if (now >= deadline) {
      reason = "time limit reached";
      break;
    }
    if (engine.InRestore() && now - last_received >= kRestoreQuiet) {
      std::fprintf(stderr, "mirelon-sim: restore data stopped before its end; restore abandoned\n");
      engine.AbandonRestore();
    }
    Clock::time_point wake = deadline;
    if (engine.InRestore()) wake = std::min(wake, last_received + kRestoreQuiet);
    bool want_write = sending;
    if (sending && pacer.Paced() && now < pacer.Next()) {
      want_write = false;
      wake = std::min(wake, pacer.Next());
    }
    pollfd fds[2] = {{pty.MasterFd(), static_cast<short>(POLLIN | (want_write ? POLLOUT : 0)), 0},
                     {signal_pipe[0], POLLIN, 0}};
    timespec ts{};
    timespec* timeout = nullptr;
    if (wake != Clock::time_point::max()) {
      const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now);
      ts.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
      ts.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
      timeout = &ts;
    }
    if (::ppoll(fds, 2, timeout, nullptr) < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "mirelon-sim: poll: %s\n", std::strerror(errno));
      status = 1;
      reason = "poll failed";
      break;
    }
    if (fds[1].revents & POLLIN) break;

    if (fds[0].revents & POLLIN) {
      for (;;) {
        const ssize_t n = ::read(pty.MasterFd(), in.data(), in.size());
        if (n > 0) {
          last_received = Clock::now();
          if (log) LogBytes(log, std::chrono::duration<double>(Clock::now() - start).count(), in.data(), static_cast<size_t>(n));
          engine.Receive({in.data(), static_cast<size_t>(n)});
          continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
          std::fprintf(stderr, "mirelon-sim: read: %s\n", std::strerror(errno));
          status = 1;
        }
        break;
      }
      if (status != 0) {
        reason = "the pseudo-terminal failed";
        break;
      }
    } else if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      // Cannot happen while the slave is held open; never spin on it.
      std::fprintf(stderr, "mirelon-sim: the pseudo-terminal hung up\n");
      status = 1;
      reason = "the pseudo-terminal failed";
      break;
    }

    if (out_pos < out.size() && (fds[0].revents & POLLOUT)) {
      const size_t due = pacer.Due(Clock::now());
      const size_t n = std::min({out.size() - out_pos, due, size_t{64 * 1024}});
      if (n > 0) {
        const ssize_t written = ::write(pty.MasterFd(), out.data() + out_pos, n);
        if (written > 0) {
          out_pos += static_cast<size_t>(written);
          pacer.Sent(static_cast<size_t>(written));
        } else if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
          std::fprintf(stderr, "mirelon-sim: write: %s\n", std::strerror(errno));
          status = 1;
          reason = "the pseudo-terminal failed";
          break;
        }
      }
      if (out_pos > kLowWater && out_pos * 2 > out.size()) {
        out.erase(0, out_pos);
        out_pos = 0;
      }
    }
  }

  RemovePortLink(link_path, slave_path);
  pty.Close();
  if (log) std::fclose(log);
  std::printf("mirelon-sim: %s after %llu images; link %s removed\n", reason,
              static_cast<unsigned long long>(engine.ImagesSent()), link_path.c_str());
  ::close(signal_pipe[0]);
  ::close(signal_pipe[1]);
  return status;
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
  return Run(parsed.options);
}
