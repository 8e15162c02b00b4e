// corvane-cli: the Mirelon controller's backups, restores, screenshots and
// traffic logs from a script or a terminal, without the window.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/fleet_run.h"
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
  if (options.command == Command::kExport && options.clip) {
    ExportClipRun run;
    run.recording = options.recording;
    run.from = options.from;
    run.to = options.to;
    run.file = options.file;
    run.interrupted = [] { return g_interrupted.load(); };
    return ExitStatus(RunExportClip(run, reporter));
  }
  if (options.command == Command::kExport) {
    return ExitStatus(RunExport(options.recording, options.at, options.file, reporter));
  }
  const ExitCode result = RunCommand(
      options, reporter, [] { return g_interrupted.load(); }, stdout);
  return ExitStatus(result);
}
