// corvane-cli's commands, each over one session (cli_session.h) and each in
// a file of its own. They run on the main thread and return the exit
// status; what went wrong has been reported by then.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

#include "cli/cli_session.h"
#include "cli/exit_codes.h"
#include "cli/reporter.h"
#include "record/recording_writer.h"

namespace corvane::cli {

// Station 0: all stations. The file is written by the capture, which keeps
// an earlier file of that name unless the block arrived whole.
ExitCode RunBackup(CliSession& session, int station, const std::filesystem::path& file);
// Sends the file at the end of the next screen image, as the window does,
// retargeted to `to_station` (1..8) when given; done once the controller
// sends its screen again.
ExitCode RunRestore(CliSession& session, const std::filesystem::path& file,
                    std::optional<int> to_station);
// The next complete screen image, framed as the window shows it, as a PNG.
ExitCode RunScreenshot(CliSession& session, const std::filesystem::path& file);
// Mirrors the screen for `duration` and logs the traffic (link/traffic_log.h).
ExitCode RunLog(CliSession& session, std::chrono::milliseconds duration,
                const std::filesystem::path& file);

struct RecordRun {
  RecordingSettings settings;  // the link's name is the session's
  // None: until Ctrl+C.
  std::optional<std::chrono::milliseconds> duration;
};
// Mirrors the screen and records the session (record/session_recorder.h)
// for `duration` or until interrupted.
ExitCode RunRecord(CliSession& session, const RecordRun& run);
// The picture `recording` showed `at` its start, as a PNG. Needs no
// controller.
ExitCode RunExport(const std::filesystem::path& recording, std::chrono::microseconds at,
                   const std::filesystem::path& file, Reporter& reporter);

struct ExportClipRun {
  std::filesystem::path recording;
  std::chrono::microseconds from{0};
  std::chrono::microseconds to{0};
  std::filesystem::path file;  // .mp4, .gif or a folder of PNG frames
  // True once Ctrl+C was pressed: the export ends and leaves no file.
  std::function<bool()> interrupted;
};
// The pictures `recording` showed in [from, to) as a video clip
// (clip/clip_export.h). Needs no controller.
ExitCode RunExportClip(const ExportClipRun& run, Reporter& reporter);

}  // namespace corvane::cli
