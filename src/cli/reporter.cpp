#include "cli/reporter.h"

#include <algorithm>

namespace corvane::cli {

void Reporter::EndProgressLocked() {
  if (progress_width_ == 0) return;
  std::fputc('\n', out_);
  progress_width_ = 0;
}

void Reporter::WriteLineLocked(std::string_view text) {
  EndProgressLocked();
  // One write, so that no other stream's output can fall inside the line.
  std::string line(text);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
}

void Reporter::Error(std::string_view text) {
  if (run_ != nullptr) {
    // "corvane-cli: press-7: cannot open ...": whose line it is, first.
    constexpr std::string_view kProgram = "corvane-cli: ";
    if (text.starts_with(kProgram)) text.remove_prefix(kProgram.size());
    // A message of several lines stays one block, its later lines indented
    // under the controller's name.
    std::string line = std::string(kProgram) + prefix_ + ": ";
    for (const char c : text) {
      line += c;
      if (c == '\n') line += "  ";
    }
    run_->Error(line);
    return;
  }
  std::lock_guard lock(mutex_);
  WriteLineLocked(text);
}

void Reporter::Note(std::string_view text) {
  if (quiet_) return;
  std::lock_guard lock(mutex_);
  WriteLineLocked(text);
}

void Reporter::Progress(std::string_view text) {
  if (!show_progress_) return;
  std::lock_guard lock(mutex_);
  // A carriage return and blanks over what is left of a longer line: no
  // escape sequences, so a Windows console shows it the same.
  std::string line = "\r" + std::string(text);
  if (text.size() < progress_width_) line.append(progress_width_ - text.size(), ' ');
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
  progress_width_ = std::max<size_t>(text.size(), 1);
}

void Reporter::EndProgress() {
  if (run_ != nullptr) return;  // the run's progress line is the run's
  std::lock_guard lock(mutex_);
  EndProgressLocked();
  std::fflush(out_);
}

}  // namespace corvane::cli
