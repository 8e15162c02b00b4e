#include "sim_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "recorded_images.h"

namespace corvane::sim {

namespace {

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

}  // namespace

PortLink::~PortLink() {
  if (made_) RemovePortLink(path_, target_);
}

bool PortLink::Make(std::string path, std::string target, std::string& error) {
  path_ = std::move(path);
  target_ = std::move(target);
  made_ = MakePortLink(path_, target_, error);
  return made_;
}

SimLoop::SimLoop(const SimOptions& options)
    : options_(options),
      model_(options.seed),
      engine_(model_, options.faults, options.seed),
      pacer_(options.baud) {}

bool SimLoop::FrameLimitReached() const {
  return options_.frames_limit > 0 &&
         engine_.ImagesSent() >= static_cast<uint64_t>(options_.frames_limit);
}

bool SimLoop::Open() {
  if (!options_.replay_path.empty()) {
    std::string error;
    std::unique_ptr<RecordedImages> images = RecordedImages::Open(options_.replay_path, error);
    if (!images) {
      std::fprintf(stderr, "mirelon-sim: cannot replay %s\n", error.c_str());
      return false;
    }
    replay_ = std::move(images);
    engine_.ServeImagesFrom(*replay_);
  }
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
      wake = std::min(wake, std::max(pacer_.Next(), now + kPacingTick));
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

}  // namespace corvane::sim
