// The time limit of one wait on a port: none (a negative timeout waits for
// ever) or a point on the steady clock. The system waits of both platforms
// take milliseconds, rounded up here so that a wait never ends a little
// before its time and comes back for a zero-length one.
//
// Threads: a value owned by the waiting thread.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace corvane {

class WaitDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  explicit WaitDeadline(std::chrono::milliseconds timeout)
      : forever_(timeout.count() < 0),
        at_(Clock::now() + (forever_ ? Clock::duration::zero() : timeout)) {}

  bool Forever() const { return forever_; }
  // Milliseconds left, at least 0; -1 for a wait without a limit.
  int64_t MsLeft() const {
    if (forever_) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(at_ - Clock::now());
    return std::max<int64_t>(left.count(), 0);
  }

 private:
  bool forever_;
  Clock::time_point at_;
};

}  // namespace corvane
