// Only aborts close together switch a port to watching its queue: a stray
// one on a real COM port must not cost every later image.
#include "link/wait_abort_burst.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(WaitAbortBurst, ThreeWithinASecondSinceTheOpen) {
  WaitAbortBurst burst;
  std::string seen;  // "B" for an abort that completed a burst
  const auto note = [&](int ms) {
    const WaitAbortBurst::Clock::time_point at{std::chrono::milliseconds(ms)};
    seen += burst.NoteAbort(at) ? 'B' : '.';
  };
  // Strays seconds apart and a pair from one driver reset; then three that
  // span a second exactly, and Wine's, milliseconds apart.
  for (int ms : {0, 2000, 4000, 4001, 5100, 5200, 6100, 7101, 7103, 7106}) note(ms);
  // A new open forgets the aborts before it.
  burst.Clear();
  for (int ms : {7109, 7112, 7115}) note(ms);
  EXPECT_EQ(seen, "......B..B..B");
}

}  // namespace
}  // namespace corvane
