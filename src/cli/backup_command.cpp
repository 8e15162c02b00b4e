#include "cli/command_texts.h"
#include "cli/commands.h"
#include "files/path_text.h"
#include "link/protocol.h"
#include "params/param_messages.h"

namespace corvane::cli {

ExitCode RunBackup(CliSession& session, int station, const std::filesystem::path& file) {
  ReceiverRecords& records = session.Records();
  records.counters.ParametersReceived.store(0);
  const int32_t blocks_before = records.counters.BlocksCompleted.load();
  // Started before the link opens: the queue keeps the command for the first
  // link, so it goes out ahead of that link's first screen request and the
  // block does not wait behind a whole image (4 s at 115200 baud). A file
  // that cannot be written is also found before the port is touched.
  if (!records.capture.StartBackup(file, BackupCommand(station))) {
    return ExitCode::kFileError;  // the capture has said why
  }
  if (const ExitCode open = session.Open(); open != ExitCode::kSuccess) {
    // Nothing was asked of the controller: the capture ends without a
    // word, and the empty ".partial" it made goes again.
    session.MuteMessages();
    records.capture.AbandonCapture(BackupCutOff::kLinkClosed);
    const std::filesystem::path partial = PartialBackupPath(file);
    std::error_code error;
    if (std::filesystem::file_size(partial, error) == 0 && !error) {
      std::filesystem::remove(partial, error);
    }
    return open;
  }
  const int64_t pictures_before = session.PicturesShown();
  // Until the block begins, bytes are progress: the rest of an image the
  // controller was sending to an earlier link may come first. Once a whole
  // image has come, only the block's records are: a controller that goes
  // on sending images but no block is not answering the command.
  const int64_t kBlockDue = int64_t{1} << 48;
  const CliSession::WaitEnd end = session.Await(
      [&] { return !records.capture.Capturing(); },
      [&] {
        const int64_t received = records.counters.ParametersReceived.load();
        if (received > 0 || session.PicturesShown() > pictures_before) return kBlockDue + received;
        return static_cast<int64_t>(session.BytesReceived());
      },
      [&] {
        return "Backup of " + StationName(station) + ": " +
               std::to_string(records.counters.ParametersReceived.load()) + " records received";
      });
  // The join: a message the capture raises at the block's end has been
  // shown once this returns.
  session.Close();
  const int32_t received = records.counters.ParametersReceived.load();
  const bool begun = received > 0;
  if (records.capture.Capturing()) {
    records.capture.AbandonCapture(end == CliSession::WaitEnd::kTimedOut
                                       ? BackupCutOff::kControllerSilent
                                       : BackupCutOff::kLinkClosed);
  }
  CliSession::WaitWords words;
  words.begun = begun;
  words.timed_out =
      begun
          ? "the parameter block stopped after " + std::to_string(received) + " records"
          : "time-out: the controller sent no parameter block within " + Seconds(session.Timeout());
  words.timed_out_status = begun ? ExitCode::kIncomplete : ExitCode::kTimedOut;
  words.interrupted = "the backup is incomplete";
  if (const ExitCode status = session.ReportWaitEnd(end, words); status != ExitCode::kSuccess) {
    return status;
  }
  if (session.HadMessage(kBackupIncompleteCaption) || session.HadMessage(kBackupFailedCaption)) {
    // At the block's end the only thing that can go wrong is the file.
    return records.counters.BlocksCompleted.load() > blocks_before ? ExitCode::kFileError
                                                                   : ExitCode::kIncomplete;
  }
  session.Report().Note("Backup of " + StationName(station) + ": " + std::to_string(received) +
                        " records written to " + PathText(file));
  return ExitCode::kSuccess;
}

}  // namespace corvane::cli
