#include <cstdio>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "clip/clip_export.h"
#include "files/path_text.h"

namespace corvane::cli {

namespace {

std::string SecondsText(uint64_t time_us) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(time_us) / 1e6);
  return text;
}

}  // namespace

ExitCode RunExportClip(const ExportClipRun& run, Reporter& reporter) {
  // "clip/" names the folder "clip".
  const std::filesystem::path file = run.file.has_filename() ? run.file : run.file.parent_path();
  const std::optional<ClipFormat> format = ClipFormatOf(file);
  if (!format) {
    reporter.Error("corvane-cli: " + PathText(file) +
                   ": a clip is an .mp4, a .gif or a folder of PNG frames (a name without an "
                   "extension); a picture (--at) a .png");
    return ExitCode::kUsage;
  }
  if (!FolderExists(file)) {
    reporter.Error("corvane-cli: cannot write " + PathText(file) + ": no such folder");
    return ExitCode::kFileError;
  }
  ClipRequest request;
  request.recording = run.recording;
  request.from_us = static_cast<uint64_t>(run.from.count());
  request.to_us = static_cast<uint64_t>(run.to.count());
  request.file = file;
  request.format = *format;
  request.cancelled = run.interrupted;
  int shown_percent = -1;
  request.progress = [&reporter, &shown_percent](uint64_t done_us, uint64_t length_us) {
    const int percent = static_cast<int>(done_us * 100 / (length_us > 0 ? length_us : 1));
    if (percent == shown_percent) return;
    shown_percent = percent;
    reporter.Progress("Exporting: " + std::to_string(percent) + " %");
  };
  ClipSummary summary;
  std::string error;
  const ClipOutcome outcome = ExportClip(request, summary, error);
  reporter.EndProgress();
  switch (outcome) {
    case ClipOutcome::kWritten: break;
    case ClipOutcome::kCancelled:
      reporter.Error("corvane-cli: interrupted; no clip written to " + PathText(file));
      return ExitCode::kIncomplete;
    case ClipOutcome::kFailed: reporter.Error("corvane-cli: " + error); return ExitCode::kFileError;
  }
  if (summary.ends_early) {
    reporter.Note("The recording ends before " + SecondsText(request.to_us) +
                  ": the clip stops with it.");
  }
  reporter.Note("The clip from " + SecondsText(request.from_us) + " (" +
                std::to_string(summary.frames) + " frames, " + SecondsText(summary.length_us) +
                ") saved to " + PathText(file));
  return ExitCode::kSuccess;
}

}  // namespace corvane::cli
