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
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void Reporter::Error(std::string_view text) {
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
  std::lock_guard lock(mutex_);
  EndProgressLocked();
  std::fflush(out_);
}

}  // namespace corvane::cli
