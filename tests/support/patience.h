// How long a test waits for another thread or for the far end of a line
// before it gives up and fails, instead of hanging until ctest kills it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace corvane::testing {

// Generous: the tests also run under ThreadSanitizer on a busy machine.
inline constexpr std::chrono::milliseconds kPatience = std::chrono::seconds(10);

// Waits on `changed` (with `lock` held) until `done()` holds. After
// kPatience, a failure that says what had come by then: `seen()`, called
// under the lock. True when `done()` came true.
template <typename Done, typename Seen>
bool WaitOrFail(std::condition_variable& changed, std::unique_lock<std::mutex>& lock, Done done,
                Seen seen) {
  if (changed.wait_for(lock, kPatience, done)) return true;
  ADD_FAILURE() << "gave up after " << kPatience.count() << " ms with only " << seen();
  return false;
}

}  // namespace corvane::testing
