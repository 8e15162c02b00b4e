// CPU time this process has used so far, all threads: what a test measures
// to show that a worker sleeps instead of spinning.
#pragma once

#include <sys/resource.h>

#include <chrono>

namespace corvane::testing {

inline std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

}  // namespace corvane::testing
