#include <memory>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "files/path_text.h"
#include "params/param_messages.h"
#include "params/text_file.h"

namespace corvane::cli {

ExitCode RunRestore(CliSession& session, const std::filesystem::path& file,
                    std::optional<int> to_station) {
  Reporter& reporter = session.Report();
  // Counted first: the progress needs the total, and a file that cannot be
  // read is refused before the controller is touched.
  int32_t total = 0;
  {
    std::error_code error;
    const std::unique_ptr<TextFileReader> reader = TextFileReader::Open(file, error);
    if (!reader) {
      reporter.Error("corvane-cli: cannot read " + PathText(file) + ": " + error.message());
      return ExitCode::kFileError;
    }
    std::string line;
    while (reader->ReadLine(line)) ++total;
    if (reader->Failed()) {
      reporter.Error("corvane-cli: cannot read " + PathText(file) + ": " +
                     reader->Error().message());
      return ExitCode::kFileError;
    }
  }
  if (const ExitCode open = session.Open(); open != ExitCode::kSuccess) return open;

  ReceiverRecords& records = session.Records();
  records.counters.LinesSent.store(0);
  records.restore.ArmRestore(file, to_station.has_value(),
                             static_cast<uint16_t>(to_station.value_or(1) - 1));
  // The restore runs on the receiver at the end of the next image and ends
  // with a screen request; the image that answers it shows the controller
  // took the whole file and is back. (The image the restore ran at was
  // shown before the run disarmed the request.)
  bool taken = false;
  int64_t pictures_when_taken = 0;
  const CliSession::WaitEnd end = session.Await(
      [&] {
        if (!taken && !records.restore.Armed()) {
          taken = true;
          pictures_when_taken = session.PicturesShown();
        }
        return taken && session.PicturesShown() > pictures_when_taken;
      },
      [&] {
        return static_cast<int64_t>(session.BytesReceived() + session.BytesSent()) +
               records.counters.LinesSent.load();
      },
      [&] {
        const int32_t sent = records.counters.LinesSent.load();
        const int percent = total > 0 ? static_cast<int>(int64_t{sent} * 100 / total) : 100;
        return "Restore: " + std::to_string(sent) + " of " + std::to_string(total) +
               " lines sent (" + std::to_string(percent) + "%)";
      });
  session.Close();
  const int32_t sent = records.counters.LinesSent.load();
  const bool begun = taken || sent > 0;
  if (session.HadMessage(kRestoreFailedCaption)) return ExitCode::kFileError;
  if (session.HadMessage(kRestoreIncompleteCaption)) return ExitCode::kIncomplete;
  CliSession::WaitWords words;
  words.begun = begun;
  // Only a run that was cut off raises a message; a time-out after a begun
  // run means the file went out but the controller did not come back.
  words.timed_out = begun ? "time-out: all " + std::to_string(sent) +
                                " lines were sent, but the controller did not answer afterwards"
                          : "time-out: no screen image ended within " + Seconds(session.Timeout()) +
                                "; nothing was sent";
  words.interrupted = begun ? "the restore is incomplete" : "nothing was sent";
  if (const ExitCode status = session.ReportWaitEnd(end, words); status != ExitCode::kSuccess) {
    return status;
  }
  reporter.Note("Restore of " + PathText(file) + ": " + std::to_string(sent) + " lines sent" +
                (to_station ? " to station " + std::to_string(*to_station) : std::string()));
  return ExitCode::kSuccess;
}

}  // namespace corvane::cli
