// SIGINT, SIGTERM and SIGHUP turned into a readable byte on a pipe that the
// simulator's poll loop watches, so a signal ends the loop cleanly and the
// port link is removed. SIGHUP too: a simulator whose terminal goes away
// still removes its link.
//
// Threads: single-threaded; one instance at a time (the handler writes to
// the pipe of the instance installed last).
#pragma once

#include <signal.h>

#include <array>
#include <utility>

namespace corvane::sim {

// One descriptor, closed when it goes.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  void Reset();

 private:
  int fd_ = -1;
};

class SignalPipe {
 public:
  SignalPipe() = default;
  // The signals get their old handling back before the pipe closes, so a
  // late one can never be written into a reused descriptor.
  ~SignalPipe();
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  // Makes the pipe and installs the handlers; also ignores SIGPIPE, so a
  // write to a port nobody holds comes back as an error instead of ending
  // the simulator. False with errno set.
  bool Install();
  // Readable once a signal came.
  int ReadFd() const { return read_.Get(); }

 private:
  static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
  Fd read_;
  Fd write_;
  std::array<struct sigaction, kSignals.size()> previous_{};
  std::array<bool, kSignals.size()> installed_{};
};

}  // namespace corvane::sim
