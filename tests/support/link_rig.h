// Shared by the link tests: a pseudo-terminal with a scripted controller on
// its master side, and the receiver's collaborators built the way the
// program's composition root builds them.
//
// A pseudo-terminal reports no modem lines, takes about 16 KB before a write
// blocks, hands at most 4,095 bytes to one read and loses what its master
// wrote just before closing; the tests allow for all of that.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "hub/receiver.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"
#include "screen/surface.h"
#include "support/test_doubles.h"

namespace corvane::testing {

using namespace std::chrono_literals;

// Generous: the tests also run under ThreadSanitizer on a busy machine.
inline constexpr std::chrono::milliseconds kPatience = 10s;

// A pseudo-terminal pair. The test keeps a descriptor of the slave side
// open for its whole life, so that closing the port under test never makes
// the master see a hang-up, and so that the slave's settings can be looked
// at.
class PtyPair {
 public:
  PtyPair() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
      ADD_FAILURE() << "openpty failed";
      return;
    }
    slave_path_ = name;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
  }
  ~PtyPair() {
    CloseMaster();
    if (slave_ >= 0) close(slave_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int Master() const { return master_; }
  int Slave() const { return slave_; }
  const std::string& SlavePath() const { return slave_path_; }

  // The controller hangs up: the port side sees POLLHUP.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  // Writes every byte, waiting for room as the port side reads.
  void Write(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
        ADD_FAILURE() << "write to the master failed: " << errno;
        return;
      }
    }
  }

  // Reads what the port side sent until `needle` has arrived (the text read
  // so far is kept for the next call) or `timeout` passes. Returns
  // everything read up to and including the needle, or all that was read.
  std::string ReadUntil(std::string_view needle, std::chrono::milliseconds timeout = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      const size_t at = pending_.find(needle);
      if (at != std::string::npos) {
        std::string head = pending_.substr(0, at + needle.size());
        pending_.erase(0, at + needle.size());
        return head;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left <= 0ms || !ReadSome(left)) {
        std::string all;
        all.swap(pending_);
        return all;
      }
    }
  }

  // Reads exactly `count` bytes, or fewer when `timeout` passes first.
  std::string ReadCount(size_t count, std::chrono::milliseconds timeout = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pending_.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left <= 0ms || !ReadSome(left)) break;
    }
    std::string head = pending_.substr(0, std::min(count, pending_.size()));
    pending_.erase(0, head.size());
    return head;
  }

 private:
  bool ReadSome(std::chrono::milliseconds timeout) {
    pollfd p{master_, POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(timeout.count()));
    if (r <= 0 || !(p.revents & POLLIN)) return false;
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

// A scratch directory that stands for the working directory with its
// "com<n>" entries.
class DeviceDirectory {
 public:
  DeviceDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "corvane-link-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~DeviceDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path File(std::string_view name) const { return path_ / name; }

  // Points "com<n>" at `target`, replacing an earlier entry.
  void MapPort(int port_number, const std::string& target) const {
    const auto entry = path_ / ("com" + std::to_string(port_number));
    std::error_code ec;
    std::filesystem::remove(entry, ec);
    std::filesystem::create_symlink(target, entry);
  }

 private:
  std::filesystem::path path_;
};

// Records, with every picture, the payload it was drawn from and how many
// bytes were queued at that moment (so a test can tell whether the screen
// request went out before the drawing).
class PayloadDisplay : public RecordingDisplay {
 public:
  PayloadDisplay(const ScreenImageBuffer& image, const TransmitQueue& queue)
      : image_(image), queue_(queue) {}

  void ShowPicture(const Surface& picture) override {
    {
      std::lock_guard lock(mutex_);
      const auto payload = image_.Payload();
      payloads_.emplace_back(reinterpret_cast<const char*>(payload.data()), payload.size());
      queued_at_picture_.push_back(queue_.UnsentCount());
    }
    RecordingDisplay::ShowPicture(picture);
  }

  std::vector<std::string> Payloads() const {
    std::lock_guard lock(mutex_);
    return payloads_;
  }
  std::vector<int32_t> QueuedAtPicture() const {
    std::lock_guard lock(mutex_);
    return queued_at_picture_;
  }

 private:
  const ScreenImageBuffer& image_;
  const TransmitQueue& queue_;
  mutable std::mutex mutex_;
  std::vector<std::string> payloads_;
  std::vector<int32_t> queued_at_picture_;
};

// The receiver's collaborators, one of each, as the program has them. The
// capture's 500 ms pause at "]" is skipped.
struct ReceiverRig {
  TransmitQueue queue;
  ScreenImageBuffer image;
  Surface surface;
  StatusCounters counters;
  PayloadDisplay display{image, queue};
  RecordingMessages messages;
  CaptureState capture{queue, counters, messages, [](std::chrono::milliseconds) {}};
  RestoreRequest restore;
  ReceiverState state;
  ReceiverContext context{queue,    image,   surface, counters, display,
                          messages, capture, restore, state};

  // Takes everything queued, as a sender would, without a port.
  std::string TakeQueued() { return TakeAllQueued(queue); }
};

// CPU time this process has used so far, all threads.
inline std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::string text;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
  }
  return text;
}

inline void WriteWholeFile(const std::filesystem::path& path, std::string_view text) {
  if (FILE* f = fopen(path.c_str(), "wb")) {
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
  }
}

}  // namespace corvane::testing
