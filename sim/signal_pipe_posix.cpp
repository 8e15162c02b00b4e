#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "signal_pipe.h"

namespace corvane::sim {

namespace {

// The write end of the self-pipe, for the handler; -1 while none is set up.
volatile std::sig_atomic_t g_signal_pipe_write = -1;

extern "C" void OnTerminationSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // Nothing to do if the pipe is full: one byte there is enough to wake the loop.
  [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe_write, &byte, 1);
  errno = saved;
}

}  // namespace

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void Fd::Reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

SignalPipe::~SignalPipe() {
  for (size_t i = 0; i < kSignals.size(); ++i) {
    if (installed_[i]) ::sigaction(kSignals[i], &previous_[i], nullptr);
  }
  g_signal_pipe_write = -1;
}

bool SignalPipe::Install() {
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
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}

}  // namespace corvane::sim
