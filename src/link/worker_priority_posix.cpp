#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include "link/worker_priority.h"

namespace corvane {

bool RaiseWorkerPriority() {
  // Real-time first, for those who may have it (root, or an RLIMIT_RTPRIO).
  // The workers block whenever they have nothing to do, so a real-time
  // worker never holds a core.
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO);
  if (param.sched_priority > 0 && pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
    return true;
  }
  // Otherwise the lowest nice value the limits allow, for this thread only.
  rlimit limit{};
  int nice_value = 0;
  if (getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    nice_value = 20 - static_cast<int>(limit.rlim_cur);  // the limit counts 1..40 for 19..-20
  } else {
    nice_value = -20;
  }
  if (nice_value >= 0) return false;
  return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice_value) == 0;
}

}  // namespace corvane
