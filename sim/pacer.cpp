#include "pacer.h"

#include <algorithm>

namespace corvane::sim {

Pacer::Pacer(int64_t baud)
    : byte_time_(baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud) : Clock::duration{}) {
}

void Pacer::StartIfIdle(Clock::time_point now) { next_ = std::max(next_, now); }

size_t Pacer::Due(Clock::time_point now) {
  if (!Paced()) return SIZE_MAX;
  if (now < next_) return 0;
  next_ = std::max(next_, now - kCatchUp);
  return static_cast<size_t>((now - next_) / byte_time_) + 1;
}

void Pacer::Sent(size_t n) { next_ += byte_time_ * static_cast<int64_t>(n); }

}  // namespace corvane::sim
