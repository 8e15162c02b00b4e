// Ends a process a test started, within a bound: asked with SIGTERM, then
// killed if it has not gone after `grace`. A server that shuts down
// cleanly waits for its connections and devices to close, and a test must
// never hang on that.
#pragma once

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace corvane::testing {

// True when the process ended by itself after SIGTERM.
inline bool EndChild(pid_t pid, const char* name,
                     std::chrono::milliseconds grace = std::chrono::seconds(3)) {
  if (pid <= 0) return true;
  kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + grace;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::fprintf(stderr, "%s did not end on SIGTERM within %lld ms; killed\n", name,
               static_cast<long long>(grace.count()));
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
}

}  // namespace corvane::testing
