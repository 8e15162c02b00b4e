// CPU time this process has used so far, all threads: what a test measures
// to show that a worker sleeps instead of spinning.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <thread>

namespace corvane::testing {

inline std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// The share of one core this process used over `interval` of wall time,
// measured while the caller's thread sleeps. A worker that spins takes a
// whole core (1.0), and still about half of one on a two-core machine
// busy with other work; a link that sleeps takes a few hundredths, also
// under the sanitizers. A bound between the two holds on any machine,
// where a fixed number of milliseconds did not.
inline double CpuShareOver(std::chrono::milliseconds interval) {
  const auto cpu_before = ProcessCpuTime();
  const auto wall_before = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(interval);  // the measurement interval, not a wait for a thread
  const auto cpu = ProcessCpuTime() - cpu_before;
  const auto wall = std::chrono::steady_clock::now() - wall_before;
  return std::chrono::duration<double>(cpu).count() / std::chrono::duration<double>(wall).count();
}

inline constexpr double kSpinningShare = 0.3;

}  // namespace corvane::testing
