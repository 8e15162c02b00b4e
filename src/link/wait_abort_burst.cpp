#include "link/wait_abort_burst.h"

namespace corvane {

bool WaitAbortBurst::NoteAbort(Clock::time_point at) {
  const bool burst = noted_ == earlier_.size() && at - earlier_[next_] <= kWithin;
  earlier_[next_] = at;
  next_ = (next_ + 1) % earlier_.size();
  if (noted_ < earlier_.size()) ++noted_;
  return burst;
}

}  // namespace corvane
