// The silence watchdog. The exchange with the controller is lock-step: the
// next screen request goes out only after an image ends. One lost "}", "{"
// or "<1>", a stray "[" that opens a block no "]" ends, or a controller that
// restarted would leave both sides waiting for ever. So when nothing at all
// has arrived for a quiet time while a link is up, the receiver starts over
// and asks again.
//
// Threads: the receiver thread alone restarts and checks the watchdog; the
// count of re-requests may be read from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace corvane {

// Long enough that a controller drawing an image never looks silent (even
// at 9,600 baud a byte arrives every millisecond during an image), short
// enough that an operator sees the mirror come back by itself.
inline constexpr std::chrono::milliseconds kQuietTime{3000};

class SilenceWatchdog {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SilenceWatchdog(std::chrono::milliseconds quiet_time = kQuietTime)
      : quiet_time_(quiet_time) {}

  // Receiver thread. Something was heard (or handled: the pause after a
  // block and a restore are the controller's time, not silence), or the
  // receiver just asked again: the quiet time starts over from `now`.
  void Restart(Clock::time_point now) { quiet_since_ = now; }

  // Receiver thread. How long the port wait may last before the line counts
  // as silent; zero once it does.
  std::chrono::milliseconds TimeLeft(Clock::time_point now) const {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(quiet_since_ + quiet_time_ - now);
    return left.count() > 0 ? left : std::chrono::milliseconds::zero();
  }
  bool Silent(Clock::time_point now) const { return TimeLeft(now).count() == 0; }

  // Receiver thread, when it asked again after a silence.
  void CountRerequest() { rerequests_.fetch_add(1, std::memory_order_relaxed); }
  // Any thread: how often the mirror was restarted after a silence.
  int32_t Rerequests() const { return rerequests_.load(std::memory_order_relaxed); }

  std::chrono::milliseconds QuietTime() const { return quiet_time_; }

 private:
  const std::chrono::milliseconds quiet_time_;
  Clock::time_point quiet_since_{};  // receiver thread only
  std::atomic<int32_t> rerequests_{0};
};

}  // namespace corvane
