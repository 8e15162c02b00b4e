#include "pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace corvane::sim {
namespace {

using namespace std::chrono_literals;
using Clock = Pacer::Clock;

// Drives a pacer as the loop does, waking every `step` (or at Next() when
// that is later) and sending everything due, for `span` of line time.
// Returns the bytes sent.
size_t SendFor(Pacer& pacer, Clock::time_point start, Clock::duration step, Clock::duration span) {
  size_t sent = 0;
  pacer.StartIfIdle(start);
  for (Clock::time_point now = start; now < start + span;) {
    const size_t due = pacer.Due(now);
    pacer.Sent(due);
    sent += due;
    now = std::max(now + step, pacer.Next());
  }
  return sent;
}

TEST(Pacer, KeepsTheLineRateAndNeverRunsFaster) {
  const Clock::time_point start{};
  // Woken at every due byte, or a little late each time (within the
  // catch-up): one second at 115,200 baud is 11,520 ten-bit bytes.
  for (const auto step : {Clock::duration(1us), Clock::duration(1ms)}) {
    Pacer pacer(115200);
    const size_t sent = SendFor(pacer, start, step, 1s);
    EXPECT_NEAR(static_cast<double>(sent), 11520.0, 11520.0 * 0.01) << step.count();
  }
  // Woken far too seldom, the line falls behind instead of bursting.
  Pacer pacer(115200);
  EXPECT_LE(SendFor(pacer, start, 20ms, 1s), 11520u);
}

TEST(Pacer, ALateWakeUpCatchesUpOnlyALittle) {
  Pacer pacer(115200);
  const Clock::time_point start{};
  pacer.StartIfIdle(start);
  pacer.Sent(pacer.Due(start));
  // A wake-up 100 ms late may not burst out 100 ms of bytes at once: the
  // controller's line never runs faster than its rate for long.
  const size_t burst = pacer.Due(start + 100ms);
  EXPECT_LE(burst, 11520 * 3 / 1000 + 1);  // at most the 2 ms catch-up, rounded
  EXPECT_GE(burst, 1u);
}

TEST(Pacer, NothingIsDueBeforeTheNextByteAndIdleRestartsTheClock) {
  Pacer pacer(9600);
  const Clock::time_point start{};
  pacer.StartIfIdle(start);
  ASSERT_EQ(pacer.Due(start), 1u);
  pacer.Sent(1);
  EXPECT_EQ(pacer.Due(start + 500us), 0u);  // a byte takes 1.04 ms at 9600
  // An idle minute later the clock starts at "now", not a minute back.
  pacer.StartIfIdle(start + 60s);
  EXPECT_EQ(pacer.Due(start + 60s), 1u);
}

TEST(Pacer, UnpacedSendsAtOnce) {
  Pacer pacer(0);
  EXPECT_FALSE(pacer.Paced());
  EXPECT_EQ(pacer.Due(Clock::time_point{}), SIZE_MAX);
}

}  // namespace
}  // namespace corvane::sim
