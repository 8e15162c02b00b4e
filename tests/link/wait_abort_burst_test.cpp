// Only aborts that come close together switch a port to watching its queue:
// a stray one on a real COM port must never cost the link's later images.
#include "link/wait_abort_burst.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace corvane {
namespace {

using std::chrono::milliseconds;

// Whether each abort, at the given times after an open, completed a burst.
std::vector<bool> Notes(WaitAbortBurst& burst, std::initializer_list<int> times_ms) {
  const WaitAbortBurst::Clock::time_point open{std::chrono::hours(1)};
  std::vector<bool> out;
  for (int ms : times_ms) out.push_back(burst.NoteAbort(open + milliseconds(ms)));
  return out;
}

TEST(WaitAbortBurst, ThreeWithinASecondAndOnlyThoseSwitchOn) {
  // Wine: every wait ends within a few milliseconds.
  WaitAbortBurst wine;
  EXPECT_EQ(Notes(wine, {3, 6, 9, 12}), (std::vector<bool>{false, false, true, true}));

  // Strays a few seconds apart, and a pair from one driver reset.
  WaitAbortBurst strays;
  EXPECT_EQ(Notes(strays, {0, 2000, 4000, 4001, 6000, 8000}), std::vector<bool>(6, false));

  // The window slides: the first three span more than a second, the last
  // three do not; exactly a second still counts.
  WaitAbortBurst sliding;
  EXPECT_EQ(Notes(sliding, {0, 900, 1100, 1200}), (std::vector<bool>{false, false, false, true}));
  WaitAbortBurst edge;
  EXPECT_EQ(Notes(edge, {0, 500, 1000}), (std::vector<bool>{false, false, true}));
  WaitAbortBurst past_edge;
  EXPECT_EQ(Notes(past_edge, {0, 500, 1001}), (std::vector<bool>{false, false, false}));
}

TEST(WaitAbortBurst, ANewOpenForgetsTheAbortsBeforeIt) {
  WaitAbortBurst burst;
  EXPECT_EQ(Notes(burst, {0, 1}), (std::vector<bool>{false, false}));
  burst.Clear();
  EXPECT_EQ(Notes(burst, {2, 3, 4}), (std::vector<bool>{false, false, true}));
}

}  // namespace
}  // namespace corvane
