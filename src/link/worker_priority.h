// The link's workers ask for the highest priority the process may have: a
// screen request that waits behind other work slows the whole mirror.
//
// Threads: each worker calls it once for itself, at its start.
#pragma once

namespace corvane {

// Raises the calling thread's priority as far as the system allows. A
// refusal is not an error: the worker goes on at normal priority. True when
// the priority was raised.
bool RaiseWorkerPriority();

}  // namespace corvane
