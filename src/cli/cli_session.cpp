#include "cli/cli_session.h"

#include <algorithm>
#include <ctime>
#include <span>

#include "files/path_text.h"
#include "link/protocol.h"
#include "params/param_messages.h"
#include "params/text_file.h"
#include "screen/kept_picture_display.h"
#include "screen/png_file.h"

namespace corvane::cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at Ctrl+C and redraws the progress line when no
// worker has woken it.
constexpr auto kWakeInterval = std::chrono::milliseconds(200);
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

std::string StationName(int station) {
  return station == 0 ? "all stations" : "station " + std::to_string(station);
}

std::string Seconds(std::chrono::milliseconds time) {
  const double seconds = std::chrono::duration<double>(time).count();
  char text[32];
  std::snprintf(text, sizeof text, "%g s", seconds);
  return text;
}

// A file can only be written where its folder exists: checked before the
// port is touched, so a typing error costs no wait for the controller.
bool FolderExists(const std::filesystem::path& file) {
  std::error_code error;
  const std::filesystem::path folder = file.parent_path();
  return folder.empty() || std::filesystem::is_directory(folder, error);
}

std::string LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  // The main thread is the only caller of localtime.
  if (const std::tm* local = std::localtime(&now)) {
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  }
  return text;
}

}  // namespace

// ---- the seams ----

class CliSession::Display : public KeptPictureDisplay {
 public:
  explicit Display(CliSession& session) : session_(session) {}
  void ShowStatusText(std::string_view) override { session_.NoteEvent(); }

 protected:
  void PictureKept(const Pixel* picture, const ChangedRegion&, int) override {
    session_.NotePicture(picture);
  }

 private:
  CliSession& session_;
};

class CliSession::Messages : public OperatorMessages {
 public:
  explicit Messages(CliSession& session) : session_(session) {}
  void Show(const OperatorMessage& message) override { session_.NoteMessage(message); }

 private:
  CliSession& session_;
};

CliSession::CliSession(SessionSettings settings, Reporter& reporter)
    : settings_(std::move(settings)),
      reporter_(reporter),
      display_(std::make_unique<Display>(*this)),
      message_seam_(std::make_unique<Messages>(*this)),
      records_(queue_, *display_, *message_seam_) {
  link_ = std::make_unique<SerialLink>(
      records_.context, [this](int) { NoteLinkLost(); }, settings_.device_directory);
  link_->Sinks().Add(*this);
}

CliSession::~CliSession() {
  Close();
  link_->ReleaseLink();
  // A capture the command left open (it never is, but an exception could)
  // must not pass for a whole backup.
  records_.capture.AbandonCapture(BackupCutOff::kLinkClosed);
}

void CliSession::NoteEvent() {
  {
    std::lock_guard lock(mutex_);
    ++events_;
  }
  event_.notify_all();
}

void CliSession::NotePicture(const Pixel* pixels) {
  {
    std::lock_guard lock(mutex_);
    ++pictures_;
    ++events_;
    if (picture_wanted_) {
      picture_.assign(pixels, pixels + static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
      picture_wanted_ = false;
    }
  }
  event_.notify_all();
}

void CliSession::NoteMessage(const OperatorMessage& message) {
  {
    std::lock_guard lock(mutex_);
    if (mute_messages_) return;
    messages_.push_back(message);
    ++events_;
  }
  reporter_.Error(message.caption + ": " + message.text);
  event_.notify_all();
}

void CliSession::NoteLinkLost() {
  {
    std::lock_guard lock(mutex_);
    link_lost_ = true;
    ++events_;
  }
  event_.notify_all();
}

void CliSession::OnTraffic(Clock::time_point, TrafficDirection direction,
                           std::span<const uint8_t> bytes) {
  (direction == TrafficDirection::kSent ? bytes_sent_ : bytes_received_)
      .fetch_add(bytes.size(), std::memory_order_relaxed);
}

int64_t CliSession::PicturesShown() const {
  std::lock_guard lock(mutex_);
  return pictures_;
}

bool CliSession::LinkWasLost() const {
  std::lock_guard lock(mutex_);
  return link_lost_;
}

bool CliSession::HadMessage(std::string_view caption) const {
  std::lock_guard lock(mutex_);
  return std::any_of(messages_.begin(), messages_.end(),
                     [&](const OperatorMessage& m) { return m.caption == caption; });
}

bool CliSession::Interrupted() const { return settings_.interrupted && settings_.interrupted(); }

std::string CliSession::LinkName() const {
  if (settings_.target.device.empty()) {
    const std::string com = "COM" + std::to_string(settings_.target.port);
    return link_->DevicePath().empty() ? com : com + " (" + link_->DevicePath() + ")";
  }
  return settings_.target.device;
}

ExitCode CliSession::Open() {
  const bool opened = settings_.target.device.empty()
                          ? link_->OpenLink(settings_.target.port)
                          : link_->OpenLinkDevice(settings_.target.device);
  if (opened) return ExitCode::kSuccess;
  const std::error_code error = link_->OpenError();
  std::string text = "corvane-cli: cannot open " + LinkName() + ": ";
  text += error ? error.message() : "the link's workers cannot be started";
  // A port held elsewhere reads as busy on Linux and as access denied on
  // Windows.
  if (error == std::errc::device_or_resource_busy || error == std::errc::permission_denied) {
    text += ".\nThe port is in use by another program (Corvane, or another corvane-cli?).";
  }
  reporter_.Error(text);
  return ExitCode::kNotConnected;
}

void CliSession::Close() {
  link_->CloseLink();
  reporter_.EndProgress();
}

void CliSession::SleepUnlessLost(Clock::time_point until) {
  std::unique_lock lock(mutex_);
  event_.wait_until(lock, until, [&] { return link_lost_; });
}

CliSession::WaitEnd CliSession::Await(const std::function<bool()>& done,
                                      const std::function<int64_t()>& progress,
                                      const std::function<std::string()>& progress_text) {
  int64_t last_progress = progress();
  Clock::time_point deadline = Clock::now() + settings_.timeout;
  Clock::time_point next_draw = Clock::now();
  for (;;) {
    uint64_t seen = 0;
    {
      std::lock_guard lock(mutex_);
      seen = events_;
    }
    // The records are asked outside mutex_: their own locks are taken by the
    // workers on the way into the seams, which take mutex_.
    if (done()) return WaitEnd::kDone;
    if (LinkWasLost()) return WaitEnd::kLinkLost;
    if (Interrupted()) return WaitEnd::kInterrupted;
    const Clock::time_point now = Clock::now();
    if (const int64_t p = progress(); p != last_progress) {
      last_progress = p;
      deadline = now + settings_.timeout;
    }
    if (now >= deadline) return WaitEnd::kTimedOut;
    if (progress_text && now >= next_draw) {
      reporter_.Progress(progress_text());
      next_draw = now + kProgressInterval;
    }
    std::unique_lock lock(mutex_);
    event_.wait_until(lock, std::min(deadline, now + kWakeInterval),
                      [&] { return events_ != seen; });
  }
}

// ---- backup ----

ExitCode CliSession::Backup(int station, const std::filesystem::path& file) {
  records_.counters.ParametersReceived.store(0);
  const int32_t blocks_before = records_.counters.BlocksCompleted.load();
  // Started before the link opens: the queue keeps the command for the first
  // link, so it goes out ahead of that link's first screen request and the
  // block does not wait behind a whole image (4 s at 115200 baud). A file
  // that cannot be written is also found before the port is touched.
  if (!records_.capture.StartBackup(file, BackupCommand(station))) {
    return ExitCode::kFileError;  // the capture has said why
  }
  if (const ExitCode open = Open(); open != ExitCode::kSuccess) {
    // Nothing was asked of the controller: the capture ends without a
    // word, and the empty ".partial" it made goes again.
    {
      std::lock_guard lock(mutex_);
      mute_messages_ = true;
    }
    records_.capture.AbandonCapture(BackupCutOff::kLinkClosed);
    const std::filesystem::path partial = PartialBackupPath(file);
    std::error_code error;
    if (std::filesystem::file_size(partial, error) == 0 && !error) {
      std::filesystem::remove(partial, error);
    }
    return open;
  }
  const int64_t pictures_before = PicturesShown();
  // Until the block begins, bytes are progress: the rest of an image the
  // controller was sending to an earlier link may come first. Once a whole
  // image has come, only the block's records are: a controller that goes
  // on sending images but no block is not answering the command.
  const int64_t kBlockDue = int64_t{1} << 48;
  const WaitEnd end = Await([&] { return !records_.capture.Capturing(); },
                            [&] {
                              const int64_t records = records_.counters.ParametersReceived.load();
                              if (records > 0 || PicturesShown() > pictures_before)
                                return kBlockDue + records;
                              return static_cast<int64_t>(bytes_received_.load());
                            },
                            [&] {
                              return "Backup of " + StationName(station) + ": " +
                                     std::to_string(records_.counters.ParametersReceived.load()) +
                                     " records received";
                            });
  // The join: a message the capture raises at the block's end has been
  // shown once this returns.
  Close();
  const int32_t records = records_.counters.ParametersReceived.load();
  const bool begun = records > 0;
  if (records_.capture.Capturing()) {
    records_.capture.AbandonCapture(end == WaitEnd::kTimedOut ? BackupCutOff::kControllerSilent
                                                              : BackupCutOff::kLinkClosed);
  }
  switch (end) {
    case WaitEnd::kDone: break;
    case WaitEnd::kTimedOut:
      reporter_.Error(begun ? "corvane-cli: the parameter block stopped after " +
                                  std::to_string(records) + " records"
                            : "corvane-cli: time-out: the controller sent no parameter block "
                              "within " +
                                  Seconds(settings_.timeout));
      return begun ? ExitCode::kIncomplete : ExitCode::kTimedOut;
    case WaitEnd::kLinkLost:
      reporter_.Error("corvane-cli: the connection to " + LinkName() + " was lost");
      return begun ? ExitCode::kIncomplete : ExitCode::kNotConnected;
    case WaitEnd::kInterrupted:
      reporter_.Error("corvane-cli: interrupted; the backup is incomplete");
      return ExitCode::kIncomplete;
  }
  if (HadMessage(kBackupIncompleteCaption) || HadMessage(kBackupFailedCaption)) {
    // At the block's end the only thing that can go wrong is the file.
    return records_.counters.BlocksCompleted.load() > blocks_before ? ExitCode::kFileError
                                                                    : ExitCode::kIncomplete;
  }
  reporter_.Note("Backup of " + StationName(station) + ": " + std::to_string(records) +
                 " records written to " + PathText(file));
  return ExitCode::kSuccess;
}

// ---- restore ----

ExitCode CliSession::Restore(const std::filesystem::path& file, std::optional<int> to_station) {
  // Counted first: the progress needs the total, and a file that cannot be
  // read is refused before the controller is touched.
  int32_t total = 0;
  {
    std::error_code error;
    const std::unique_ptr<TextFileReader> reader = TextFileReader::Open(file, error);
    if (!reader) {
      reporter_.Error("corvane-cli: cannot read " + PathText(file) + ": " + error.message());
      return ExitCode::kFileError;
    }
    std::string line;
    while (reader->ReadLine(line)) ++total;
    if (reader->Failed()) {
      reporter_.Error("corvane-cli: cannot read " + PathText(file) + ": " +
                      reader->Error().message());
      return ExitCode::kFileError;
    }
  }
  if (const ExitCode open = Open(); open != ExitCode::kSuccess) return open;

  records_.counters.LinesSent.store(0);
  records_.restore.ArmRestore(file, to_station.has_value(),
                              static_cast<uint16_t>(to_station.value_or(1) - 1));
  // The restore runs on the receiver at the end of the next image and ends
  // with a screen request; the image that answers it shows the controller
  // took the whole file and is back. (The image the restore ran at was
  // shown before the run disarmed the request.)
  bool taken = false;
  int64_t pictures_when_taken = 0;
  const WaitEnd end = Await(
      [&] {
        if (!taken && !records_.restore.Armed()) {
          taken = true;
          pictures_when_taken = PicturesShown();
        }
        return taken && PicturesShown() > pictures_when_taken;
      },
      [&] {
        return static_cast<int64_t>(bytes_received_.load() + bytes_sent_.load()) +
               records_.counters.LinesSent.load();
      },
      [&] {
        const int32_t sent = records_.counters.LinesSent.load();
        const int percent = total > 0 ? static_cast<int>(int64_t{sent} * 100 / total) : 100;
        return "Restore: " + std::to_string(sent) + " of " + std::to_string(total) +
               " lines sent (" + std::to_string(percent) + "%)";
      });
  Close();
  const int32_t sent = records_.counters.LinesSent.load();
  const bool begun = taken || sent > 0;
  if (HadMessage(kRestoreFailedCaption)) return ExitCode::kFileError;
  if (HadMessage(kRestoreIncompleteCaption)) return ExitCode::kIncomplete;
  switch (end) {
    case WaitEnd::kDone: break;
    case WaitEnd::kTimedOut:
      if (!begun) {
        reporter_.Error("corvane-cli: time-out: no screen image ended within " +
                        Seconds(settings_.timeout) + "; nothing was sent");
        return ExitCode::kTimedOut;
      }
      // Only a run that was cut off raises a message; here the file went out.
      reporter_.Error("corvane-cli: time-out: all " + std::to_string(sent) +
                      " lines were sent, but the controller did not answer afterwards");
      return ExitCode::kTimedOut;
    case WaitEnd::kLinkLost:
      reporter_.Error("corvane-cli: the connection to " + LinkName() + " was lost");
      return begun ? ExitCode::kIncomplete : ExitCode::kNotConnected;
    case WaitEnd::kInterrupted:
      reporter_.Error(begun ? "corvane-cli: interrupted; the restore is incomplete"
                            : "corvane-cli: interrupted; nothing was sent");
      return ExitCode::kIncomplete;
  }
  reporter_.Note("Restore of " + PathText(file) + ": " + std::to_string(sent) + " lines sent" +
                 (to_station ? " to station " + std::to_string(*to_station) : std::string()));
  return ExitCode::kSuccess;
}

// ---- screenshot ----

ExitCode CliSession::Screenshot(const std::filesystem::path& file) {
  if (!FolderExists(file)) {
    reporter_.Error("corvane-cli: cannot write " + PathText(file) + ": no such folder");
    return ExitCode::kFileError;
  }
  {
    std::lock_guard lock(mutex_);
    picture_wanted_ = true;
    picture_.clear();
  }
  if (const ExitCode open = Open(); open != ExitCode::kSuccess) return open;
  const WaitEnd end = Await(
      [&] {
        std::lock_guard lock(mutex_);
        return !picture_.empty();
      },
      [&] { return static_cast<int64_t>(bytes_received_.load()); }, {});
  Close();
  switch (end) {
    case WaitEnd::kDone: break;
    case WaitEnd::kTimedOut:
      reporter_.Error("corvane-cli: time-out: no complete screen image within " +
                      Seconds(settings_.timeout));
      return ExitCode::kTimedOut;
    case WaitEnd::kLinkLost:
      reporter_.Error("corvane-cli: the connection to " + LinkName() + " was lost");
      return ExitCode::kNotConnected;
    case WaitEnd::kInterrupted:
      reporter_.Error("corvane-cli: interrupted; no picture was saved");
      return ExitCode::kIncomplete;
  }
  // The workers are gone: the picture is the main thread's now.
  if (const std::error_code error =
          WritePngFile(file, picture_, Surface::kWidth, Surface::kHeight)) {
    reporter_.Error("corvane-cli: cannot write " + PathText(file) + ": " + error.message());
    return ExitCode::kFileError;
  }
  reporter_.Note("Screen saved to " + PathText(file));
  return ExitCode::kSuccess;
}

// ---- log ----

ExitCode CliSession::Log(std::chrono::milliseconds duration, const std::filesystem::path& file) {
  if (!FolderExists(file)) {
    reporter_.Error("corvane-cli: cannot write " + PathText(file) + ": no such folder");
    return ExitCode::kFileError;
  }
  const Clock::time_point start = Clock::now();
  traffic_log_ = std::make_unique<TrafficLog>(start);
  link_->Sinks().Add(*traffic_log_);
  if (const ExitCode open = Open(); open != ExitCode::kSuccess) return open;
  // Created only once the port is ours: a refused run leaves an earlier
  // log alone.
  std::error_code error;
  std::unique_ptr<TextFileWriter> writer = TextFileWriter::Create(file, error);
  if (!writer) {
    Close();
    reporter_.Error("corvane-cli: cannot create " + PathText(file) + ": " + error.message());
    return ExitCode::kFileError;
  }
  writer->Write("# corvane-cli traffic log of " + LinkName() + ", started " + LocalTimeNow() +
                "\n# milliseconds since the start, TX (to the controller) or RX (from it), "
                "bytes in hex\n");
  std::string lines;
  const Clock::time_point end = start + duration;
  bool interrupted = false;
  while (Clock::now() < end && !LinkWasLost()) {
    if (Interrupted()) {
      interrupted = true;
      break;
    }
    SleepUnlessLost(std::min(end, Clock::now() + kWakeInterval));
    // Written as it comes, so a long log never piles up in memory.
    lines.clear();
    traffic_log_->TakeLines(lines);
    writer->Write(lines);
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(
        std::max(end - Clock::now(), Clock::duration::zero()));
    reporter_.Progress("Logging " + LinkName() + ": " + std::to_string(left.count()) + " s left, " +
                       std::to_string(bytes_sent_.load()) + " bytes sent, " +
                       std::to_string(bytes_received_.load()) + " received");
  }
  Close();
  link_->Sinks().Remove(*traffic_log_);
  lines.clear();
  traffic_log_->TakeLines(lines);
  writer->Write(lines);
  if (!writer->Close()) {
    reporter_.Error("corvane-cli: cannot write " + PathText(file) + ": " +
                    writer->Error().message());
    return ExitCode::kFileError;
  }
  const uint64_t received = bytes_received_.load();
  if (LinkWasLost()) {
    reporter_.Error("corvane-cli: the connection to " + LinkName() +
                    " was lost; the log up to then is in " + PathText(file));
    return ExitCode::kNotConnected;
  }
  if (received == 0 && !interrupted) {
    reporter_.Error("corvane-cli: time-out: the controller sent nothing in " + Seconds(duration) +
                    " (the log is in " + PathText(file) + ")");
    return ExitCode::kTimedOut;
  }
  reporter_.Note("Logged " + std::to_string(bytes_sent_.load()) + " bytes sent and " +
                 std::to_string(received) + " received to " + PathText(file));
  return ExitCode::kSuccess;
}

}  // namespace corvane::cli
