// Runs a command that talks to controllers: on one controller as it always
// ran, or on several at once (a fleet run), each with a session, a file and
// a result of its own, a bounded number at a time; a controller that fails
// does not stop the others. A fleet run ends with a summary table on
// standard output and the worst status (exit_codes.h).
//
// Threads: RunCommand is called on the main thread. In a fleet run each job
// thread takes the next controller, runs its whole command on a session of
// its own and writes only that controller's result; the main thread waits
// on a condition variable (woken by each finished controller, and a few
// times a second to redraw the progress line) and joins every job thread
// before it reads a result.
#pragma once

#include <cstdio>
#include <functional>

#include "cli/cli_options.h"
#include "cli/exit_codes.h"
#include "cli/reporter.h"

namespace corvane::cli {

// backup, restore, screenshot, log and record (not export). `interrupted`
// is true once the operator asked to stop; any thread may call it. The
// summary table goes to `table` unless --quiet.
ExitCode RunCommand(const CliOptions& options, Reporter& reporter,
                    const std::function<bool()>& interrupted, std::FILE* table);

}  // namespace corvane::cli
