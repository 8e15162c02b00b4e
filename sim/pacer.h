// Output pacing to a baud rate, so the simulated line is as slow as a real
// one: every byte takes 10 bit times (start, 8 data, stop). After an idle
// spell the clock restarts at "now", and a late wake-up may catch up at most
// kCatchUp, so the line never runs faster than the rate for long.
//
// Threads: single-threaded; owned by the simulator's loop.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace corvane::sim {

class Pacer {
 public:
  using Clock = std::chrono::steady_clock;

  // A rate of 0 or less: unpaced, every byte may go at once.
  explicit Pacer(int64_t baud);

  bool Paced() const { return byte_time_.count() > 0; }
  // Called when output starts after the line was idle.
  void StartIfIdle(Clock::time_point now);
  // Bytes that may go now: at least 1 once the next byte is due, 0 before;
  // SIZE_MAX when unpaced.
  size_t Due(Clock::time_point now);
  // `n` bytes went out.
  void Sent(size_t n);
  // When the next byte is due.
  Clock::time_point Next() const { return next_; }

  static constexpr auto kCatchUp = std::chrono::milliseconds(2);

 private:
  Clock::duration byte_time_;
  Clock::time_point next_{};
};

}  // namespace corvane::sim
