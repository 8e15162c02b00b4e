// A pseudo-terminal pair that stands in for the controller's serial line:
// the port under test opens the slave (by its path, or through a "com<n>"
// entry of a DeviceDirectory), the test plays the controller on the master.
//
// The pair keeps a descriptor of the slave open for its whole life, so that
// closing the port under test never makes the master see a hang-up, and so
// that the slave's settings can be looked at. The slave starts cooked, as a
// fresh tty does: making the line raw is the port's job.
//
// A pseudo-terminal reports no modem lines, takes about 16 KB before a write
// blocks, hands at most 4,095 bytes to one read and loses what its master
// wrote just before closing; the tests allow for all of that.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "support/patience.h"

namespace corvane::testing {

class PtyPair {
 public:
  PtyPair() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
      ADD_FAILURE() << "openpty failed: " << std::strerror(errno);
      return;
    }
    slave_path_ = name;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    // Never blocks, so that a port that stops reading fails Write in time.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~PtyPair() {
    CloseMaster();
    if (slave_ >= 0) close(slave_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Ok() const { return master_ >= 0 && slave_ >= 0; }
  int Slave() const { return slave_; }
  const std::string& SlavePath() const { return slave_path_; }

  // The controller hangs up, as a device that is unplugged: the port side
  // sees POLLHUP.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  // Writes every byte, waiting for room as the port side reads; a failure
  // when the port takes nothing for kPatience.
  void Write(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      pollfd room{master_, POLLOUT, 0};
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN && poll(&room, 1, static_cast<int>(kPatience.count())) == 1) {
        continue;
      }
      ADD_FAILURE() << "only " << done << " of " << bytes.size()
                    << " bytes went to the port: " << std::strerror(errno);
      return;
    }
  }

  // Reads what the port side sent until `needle` has arrived; returns
  // everything up to and including it and keeps the rest for the next call.
  // After kPatience, a failure, and all that was read.
  std::string ReadUntil(std::string_view needle) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    size_t at;
    while ((at = pending_.find(needle)) == std::string::npos) {
      if (!ReadSome(deadline)) {
        ADD_FAILURE() << "\"" << needle << "\" never came from the port; it sent \""
                      << pending_.substr(0, 200) << "\"";
        return std::exchange(pending_, {});
      }
    }
    std::string head = pending_.substr(0, at + needle.size());
    pending_.erase(0, head.size());
    return head;
  }

  // Reads exactly `count` bytes; after kPatience, a failure and fewer.
  std::string ReadCount(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (pending_.size() < count) {
      if (!ReadSome(deadline)) {
        ADD_FAILURE() << "only " << pending_.size() << " of " << count
                      << " bytes came from the port: \"" << pending_.substr(0, 200) << "\"";
        break;
      }
    }
    std::string head = pending_.substr(0, std::min(count, pending_.size()));
    pending_.erase(0, head.size());
    return head;
  }

 private:
  // Appends one read's worth; false when nothing came before `deadline`.
  bool ReadSome(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0 || !(p.revents & POLLIN)) return false;
    char buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending_.append(buffer, static_cast<size_t>(n));
    return true;
  }

  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
  std::string pending_;
};

}  // namespace corvane::testing
