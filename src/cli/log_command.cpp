#include <algorithm>
#include <memory>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "files/path_text.h"
#include "link/byte_stream.h"
#include "link/traffic_log.h"
#include "params/text_file.h"

namespace corvane::cli {

namespace {

// How often the log is written out while it runs.
constexpr auto kWriteInterval = std::chrono::milliseconds(200);

}  // namespace

ExitCode RunLog(CliSession& session, std::chrono::milliseconds duration,
                const std::filesystem::path& file) {
  using Clock = std::chrono::steady_clock;
  Reporter& reporter = session.Report();
  if (!FolderExists(file)) {
    reporter.Error("corvane-cli: cannot write " + PathText(file) + ": no such folder");
    return ExitCode::kFileError;
  }
  const Clock::time_point start = Clock::now();
  TrafficLog log(start);
  const ScopedSink logging(session.Link().Sinks(), log);
  if (const ExitCode open = session.Open(); open != ExitCode::kSuccess) return open;
  // Created only once the port is ours: a refused run leaves an earlier
  // log alone.
  std::error_code error;
  std::unique_ptr<TextFileWriter> writer = TextFileWriter::Create(file, error);
  if (!writer) {
    session.Close();
    reporter.Error("corvane-cli: cannot create " + PathText(file) + ": " + error.message());
    return ExitCode::kFileError;
  }
  writer->Write("# corvane-cli traffic log of " + session.LinkName() + ", started " +
                LocalTimeNow() +
                "\n# milliseconds since the start, TX (to the controller) or RX (from it), "
                "bytes in hex\n");
  std::string lines;
  const Clock::time_point end = start + duration;
  bool interrupted = false;
  while (Clock::now() < end && !session.LinkWasLost()) {
    if (session.Interrupted()) {
      interrupted = true;
      break;
    }
    session.SleepUnlessLost(std::min(end, Clock::now() + kWriteInterval));
    // Written as it comes, so a long log never piles up in memory.
    lines.clear();
    log.TakeLines(lines);
    writer->Write(lines);
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(
        std::max(end - Clock::now(), Clock::duration::zero()));
    reporter.Progress("Logging " + session.LinkName() + ": " + std::to_string(left.count()) +
                      " s left, " + std::to_string(session.BytesSent()) + " bytes sent, " +
                      std::to_string(session.BytesReceived()) + " received");
  }
  session.Close();
  lines.clear();
  log.TakeLines(lines);
  writer->Write(lines);
  if (!writer->Close()) {
    reporter.Error("corvane-cli: cannot write " + PathText(file) + ": " +
                   writer->Error().message());
    return ExitCode::kFileError;
  }
  const uint64_t received = session.BytesReceived();
  if (session.LinkWasLost()) {
    reporter.Error("corvane-cli: the connection to " + session.LinkName() +
                   " was lost; the log up to then is in " + PathText(file));
    return ExitCode::kNotConnected;
  }
  if (received == 0 && !interrupted) {
    reporter.Error("corvane-cli: time-out: the controller sent nothing in " + Seconds(duration) +
                   " (the log is in " + PathText(file) + ")");
    return ExitCode::kTimedOut;
  }
  reporter.Note("Logged " + std::to_string(session.BytesSent()) + " bytes sent and " +
                std::to_string(received) + " received to " + PathText(file));
  return ExitCode::kSuccess;
}

}  // namespace corvane::cli
