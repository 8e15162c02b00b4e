// Tells a COM driver that ends every wait by itself from one that ended a
// wait by accident. Under Wine a pseudo-terminal's WaitCommEvent is aborted
// within a few milliseconds, every time, though nothing happened; the port
// is then better watched by looking at its input queue now and then. On a
// real COM port a wait aborted while nobody closed it is a rare stray (a
// driver resetting, another program purging the port), and watching the
// queue there would cost every later image up to one look's pause. So the
// watching starts only once aborts come in a burst.
//
// Threads: the receiver thread only, as part of the port's wait; reset at
// open, while no worker runs.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>

namespace corvane {

class WaitAbortBurst {
 public:
  using Clock = std::chrono::steady_clock;
  // Three within a second: a driver that aborts every wait gets there
  // within a few milliseconds of the open (two waits more asked of the
  // driver, nothing else lost), and even an emulation that took a third
  // of a second to end each wait would get there; strays that come
  // minutes apart, or a pair from one reset, never add up to it.
  static constexpr int kAborts = 3;
  static constexpr Clock::duration kWithin = std::chrono::seconds(1);

  // Notes a wait aborted at `at` (times never go back). True when it and
  // the kAborts - 1 before it all fell within kWithin.
  bool NoteAbort(Clock::time_point at);
  // Forgets every abort (a new open).
  void Clear() { noted_ = 0; }

 private:
  // The latest kAborts - 1 aborts, a ring; `next_` is the oldest once full.
  std::array<Clock::time_point, kAborts - 1> earlier_{};
  size_t next_ = 0;
  size_t noted_ = 0;
};

}  // namespace corvane
