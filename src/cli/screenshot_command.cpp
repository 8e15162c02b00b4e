#include "cli/command_texts.h"
#include "cli/commands.h"
#include "files/path_text.h"
#include "screen/png_file.h"
#include "screen/surface.h"

namespace corvane::cli {

ExitCode RunScreenshot(CliSession& session, const std::filesystem::path& file) {
  Reporter& reporter = session.Report();
  if (!FolderExists(file)) {
    reporter.Error("corvane-cli: cannot write " + PathText(file) + ": no such folder");
    return ExitCode::kFileError;
  }
  session.KeepNextPicture();
  if (const ExitCode open = session.Open(); open != ExitCode::kSuccess) return open;
  const CliSession::WaitEnd end =
      session.Await([&] { return session.HasPicture(); },
                    [&] { return static_cast<int64_t>(session.BytesReceived()); }, {});
  session.Close();
  CliSession::WaitWords words;
  words.timed_out = "time-out: no complete screen image within " + Seconds(session.Timeout());
  words.interrupted = "no picture was saved";
  if (const ExitCode status = session.ReportWaitEnd(end, words); status != ExitCode::kSuccess) {
    return status;
  }
  // The workers are gone: the picture is the main thread's now.
  if (const std::error_code error =
          WritePngFile(file, session.Picture(), Surface::kWidth, Surface::kHeight)) {
    reporter.Error("corvane-cli: cannot write " + PathText(file) + ": " + error.message());
    return ExitCode::kFileError;
  }
  reporter.Note("Screen saved to " + PathText(file));
  return ExitCode::kSuccess;
}

}  // namespace corvane::cli
