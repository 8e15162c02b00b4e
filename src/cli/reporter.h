// What corvane-cli tells the operator, all on standard error (standard
// output stays free for --help): errors always, notes unless --quiet, and a
// progress line that is redrawn in place, only on a terminal.
//
// In a fleet run each controller's session reports through a reporter of
// its own that puts the controller's name before each line and hands the
// line to the run's reporter; its notes are left out (the summary table
// says the same) and it draws no progress line.
//
// Threads: any thread; one mutex keeps lines whole, and a message printed
// while a progress line stands first ends that line.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace corvane::cli {

class Reporter {
 public:
  // `show_progress`: stderr is a terminal and --quiet was not given.
  Reporter(std::FILE* out, bool quiet, bool show_progress)
      : out_(out), quiet_(quiet), show_progress_(show_progress) {}
  // One controller's lines, "<prefix>: <line>", through `run`.
  Reporter(Reporter& run, std::string prefix)
      : out_(run.out_),
        quiet_(true),
        show_progress_(false),
        run_(&run),
        prefix_(std::move(prefix)) {}

  void Error(std::string_view text);
  void Note(std::string_view text);
  // Replaces the progress line with `text`.
  void Progress(std::string_view text);
  // Ends the progress line, if one stands, so that the next output starts
  // on a line of its own.
  void EndProgress();

 private:
  void WriteLineLocked(std::string_view text);
  void EndProgressLocked();

  std::FILE* const out_;
  const bool quiet_;
  const bool show_progress_;
  Reporter* const run_ = nullptr;  // the fleet run's reporter, or none
  const std::string prefix_;
  std::mutex mutex_;
  size_t progress_width_ = 0;  // guarded by mutex_; 0: no progress line stands
};

}  // namespace corvane::cli
