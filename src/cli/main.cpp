// corvane-cli: the Mirelon controller's backups, restores, screenshots and
// traffic logs from a script or a terminal, without the window.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/reporter.h"
#include "cli/terminal.h"

namespace {

// Set by Ctrl+C; the session's waits look at it, end the command cleanly
// (the link closed, a cut-off backup kept apart from the earlier file) and
// say so in the exit status.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

}  // namespace

int main(int argc, char** argv) {
  using namespace corvane::cli;
  const std::vector<std::string> args = CommandLineArguments(argc, argv);
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.options) {
    std::FILE* out = parsed.exit == ExitCode::kSuccess ? stdout : stderr;
    std::string text = parsed.output;
    if (!text.empty() && text.back() != '\n') text += '\n';
    std::fputs(text.c_str(), out);
    return ExitStatus(parsed.exit);
  }
  const CliOptions& options = *parsed.options;

  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  Reporter reporter(stderr, options.quiet, !options.quiet && StandardErrorIsTerminal());
  if (options.command == Command::kExport) {
    return ExitStatus(RunExport(options.recording, options.at, options.file, reporter));
  }
  SessionSettings settings;
  settings.target = options.target;
  settings.timeout = options.timeout;
  settings.interrupted = [] { return g_interrupted.load(); };
  CliSession session(settings, reporter);
  ExitCode result = ExitCode::kSuccess;
  switch (options.command) {
    case Command::kBackup: result = RunBackup(session, options.station, options.file); break;
    case Command::kRestore: result = RunRestore(session, options.file, options.to_station); break;
    case Command::kScreenshot: result = RunScreenshot(session, options.file); break;
    case Command::kLog: result = RunLog(session, options.log_time, options.file); break;
    case Command::kRecord: {
      RecordRun run;
      run.settings.file = options.file;
      run.settings.max_file_bytes = options.max_file_bytes;
      run.settings.max_file_age = options.max_file_age;
      run.settings.keep_files = options.keep_files;
      run.duration = options.record_time;
      result = RunRecord(session, run);
      break;
    }
    case Command::kExport: break;  // handled above: no link
  }
  return ExitStatus(result);
}
