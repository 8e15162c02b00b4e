#include <windows.h>

#include "link/worker_priority.h"

namespace corvane {

bool RaiseWorkerPriority() {
  // The workers block whenever they have nothing to do, so a time-critical
  // worker never holds a core; while a frame streams in it is never kept
  // waiting behind the window's painting.
  return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
}

}  // namespace corvane
