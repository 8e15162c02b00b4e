#include <algorithm>
#include <memory>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "files/path_text.h"
#include "link/byte_stream.h"
#include "record/session_recorder.h"

namespace corvane::cli {

namespace {

// How often the progress line is redrawn.
constexpr auto kProgressInterval = std::chrono::milliseconds(250);

std::string Kilobytes(uint64_t bytes) { return std::to_string((bytes + 1023) / 1024) + " KB"; }

}  // namespace

ExitCode RunRecord(CliSession& session, const RecordRun& run) {
  using Clock = std::chrono::steady_clock;
  Reporter& reporter = session.Report();
  if (!FolderExists(run.settings.file)) {
    reporter.Error("corvane-cli: cannot write " + PathText(run.settings.file) + ": no such folder");
    return ExitCode::kFileError;
  }
  RecordingSettings settings = run.settings;
  settings.link_name = session.LinkName();
  // Added before the link opens, so the first image is in the recording;
  // the file is made only once the port is ours, so a refused run leaves
  // an earlier recording alone.
  const std::unique_ptr<SessionRecorder> recorder =
      SessionRecorder::Create(settings, nullptr, nullptr);
  const ScopedSink recording(session.Link().Sinks(), *recorder);
  if (const ExitCode open = session.Open(); open != ExitCode::kSuccess) return open;
  if (const std::error_code error = recorder->Begin()) {
    session.Close();
    reporter.Error("corvane-cli: cannot create " + PathText(recorder->CurrentFile()) + ": " +
                   error.message());
    return ExitCode::kFileError;
  }
  const Clock::time_point start = Clock::now();
  bool interrupted = false;
  for (;;) {
    if (run.duration && Clock::now() >= start + *run.duration) break;
    if (session.LinkWasLost() || recorder->Failed()) break;
    if (session.Interrupted()) {
      interrupted = true;
      break;
    }
    Clock::time_point until = Clock::now() + kProgressInterval;
    if (run.duration) until = std::min(until, start + *run.duration);
    session.SleepUnlessLost(until);
    std::string text = "Recording " + session.LinkName() + ": " +
                       std::to_string(recorder->Images()) + " images, " +
                       Kilobytes(recorder->BytesWritten());
    if (run.duration) {
      const auto left = std::chrono::duration_cast<std::chrono::seconds>(
          std::max(start + *run.duration - Clock::now(), Clock::duration::zero()));
      text += ", " + std::to_string(left.count()) + " s left";
    } else {
      text += " (Ctrl+C ends it)";
    }
    reporter.Progress(text);
  }
  session.Close();
  const std::error_code failure = recorder->Stop();
  const std::string where = PathText(recorder->CurrentFile());
  if (failure) {
    reporter.Error("corvane-cli: cannot write " + where + ": " + failure.message() +
                   "; the recording stopped, and what was recorded before is in the file");
    return ExitCode::kFileError;
  }
  if (recorder->DroppedTraffic()) {
    reporter.Error("corvane-cli: the disk could not keep up; the recording in " + where +
                   " has gaps");
  }
  if (session.LinkWasLost()) {
    reporter.Error("corvane-cli: the connection to " + session.LinkName() +
                   " was lost; the recording up to then is in " + where);
    return ExitCode::kNotConnected;
  }
  if (recorder->Images() == 0 && !interrupted) {
    reporter.Error(
        "corvane-cli: time-out: the controller sent no screen image (the recording "
        "is in " +
        where + ")");
    return ExitCode::kTimedOut;
  }
  const bool numbered = settings.max_file_bytes != 0 || settings.max_file_age.count() != 0;
  reporter.Note("Recorded " + std::to_string(recorder->Images()) + " images (" +
                Kilobytes(recorder->BytesWritten()) + " written) " +
                (numbered ? "in numbered files, the newest " : "to ") + where);
  return ExitCode::kSuccess;
}

}  // namespace corvane::cli
