// corvane-cli's exit statuses: what a script that runs it can tell apart.
// The numbers are part of the command line's contract (--help and the
// README list them); a new outcome gets a new number, never an old one.
#pragma once

#include <string_view>

namespace corvane::cli {

enum class ExitCode : int {
  kSuccess = 0,
  kUsage = 1,         // the command line is wrong; nothing was touched
  kNotConnected = 2,  // the port cannot be opened (missing, busy) or the link was lost
  kTimedOut = 3,      // the controller did not answer within --timeout
  kIncomplete = 4,    // begun but cut off part way, or interrupted
  kFileError = 5,     // a file cannot be read, created or written
};

constexpr int ExitStatus(ExitCode code) { return static_cast<int>(code); }

// A run over several controllers ends with the worst of their statuses.
// The numbers from 2 up grow with how far a controller's work got before
// it failed (never reached, asked but silent, cut off part way, done but
// not stored), and so with what it may have cost, so the worst is the
// highest.
constexpr ExitCode WorseOf(ExitCode a, ExitCode b) {
  return ExitStatus(a) >= ExitStatus(b) ? a : b;
}

// The table that --help and the README show.
inline constexpr std::string_view kExitCodeTable =
    "Exit status:\n"
    "  0  success\n"
    "  1  usage error: the command line is wrong; nothing was touched\n"
    "  2  not connected: the port cannot be opened (missing, or held by another\n"
    "     program such as Corvane), or the link was lost\n"
    "  3  time-out: the controller did not answer within --timeout\n"
    "  4  incomplete: the backup or restore began but was cut off part way, or\n"
    "     was interrupted (a backup keeps an earlier file and leaves\n"
    "     <file>.partial)\n"
    "  5  file error: a file cannot be read, created or written\n"
    "With several controllers, the highest of their statuses: 5 over 4 over 3\n"
    "over 2 over 0; the summary table gives each controller's.\n";

}  // namespace corvane::cli
