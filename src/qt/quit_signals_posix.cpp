#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

#include "qt/quit_signals.h"

namespace corvane {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// Written by the handler only; set while an instance exists.
volatile sig_atomic_t g_write_end = -1;

extern "C" void OnQuitSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a wake-up; nothing more is needed.
  [[maybe_unused]] const ssize_t n = ::write(g_write_end, &byte, 1);
  errno = saved;
}

}  // namespace

struct QuitSignals::Platform {
  int pipe[2] = {-1, -1};
  struct sigaction previous[std::size(kSignals)] = {};
  bool installed = false;
  std::unique_ptr<QSocketNotifier> notifier;
};

QuitSignals::QuitSignals(QWidget* window)
    : platform_(std::make_unique<Platform>()), window_(window) {
  if (::pipe2(platform_->pipe, O_NONBLOCK | O_CLOEXEC) != 0) return;
  g_write_end = platform_->pipe[1];
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], &action, &platform_->previous[i]);
  }
  platform_->installed = true;
  platform_->notifier =
      std::make_unique<QSocketNotifier>(platform_->pipe[0], QSocketNotifier::Read);
  connect(platform_->notifier.get(), &QSocketNotifier::activated, this, [this] {
    char drain[64];
    while (::read(platform_->pipe[0], drain, sizeof drain) > 0) {
    }
    emit QuitRequested();
    if (window_) window_->close();
  });
}

QuitSignals::~QuitSignals() {
  if (platform_->installed) {
    for (size_t i = 0; i < std::size(kSignals); ++i) {
      sigaction(kSignals[i], &platform_->previous[i], nullptr);
    }
    g_write_end = -1;
  }
  platform_->notifier.reset();
  for (int fd : platform_->pipe) {
    if (fd >= 0) ::close(fd);
  }
}

bool QuitSignals::Installed() const { return platform_->installed; }

}  // namespace corvane
