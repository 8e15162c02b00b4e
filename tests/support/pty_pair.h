// A pseudo-terminal pair that stands in for the controller's serial line:
// the program opens the slave through a "com<n>" link, the test talks on
// the master.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace corvane::testing {

class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const char* name = ptsname(master_);
    if (!name) return;
    slave_path_ = name;
    // Held open so that the program closing its end never hangs up the
    // master; raw, so that bytes pass unchanged.
    hold_ = open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (hold_ >= 0 && tcgetattr(hold_, &raw) == 0) {
      cfmakeraw(&raw);
      tcsetattr(hold_, TCSANOW, &raw);
    }
  }
  ~PtyPair() { Close(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Ok() const { return master_ >= 0 && hold_ >= 0; }
  const std::string& SlavePath() const { return slave_path_; }

  // Makes `dir`/com<n> point at the slave.
  bool LinkAs(const std::filesystem::path& dir, int n) const {
    std::error_code error;
    const std::filesystem::path link = dir / ("com" + std::to_string(n));
    std::filesystem::remove(link, error);
    std::filesystem::create_symlink(slave_path_, link, error);
    return !error;
  }

  void Write(const std::string& bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }

  // Reads until `wanted` has appeared in what was read (returned whole), or
  // `timeout` passed. Waits in poll, never spins.
  std::string ReadUntil(const std::string& wanted,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (received_.find(wanted) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd fd{master_, POLLIN, 0};
      if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[4096];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      received_.append(buffer, static_cast<size_t>(n));
    }
    const size_t at = received_.find(wanted);
    if (at == std::string::npos) return received_;
    std::string out = received_.substr(0, at + wanted.size());
    received_.erase(0, at + wanted.size());
    return out;
  }

  // Hangs up the line, as a device that is unplugged.
  void Close() {
    if (hold_ >= 0) close(hold_);
    if (master_ >= 0) close(master_);
    hold_ = master_ = -1;
  }

 private:
  int master_ = -1;
  int hold_ = -1;
  std::string slave_path_;
  std::string received_;
};

}  // namespace corvane::testing
