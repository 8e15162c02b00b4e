#include "params/capture.h"

#include <thread>

#include "link/protocol.h"
#include "link/transmit_queue.h"
#include "params/text_file.h"
#include "screen/status_counters.h"

namespace corvane {

CaptureState::CaptureState(TransmitQueue& queue, StatusCounters& counters,
                           OperatorMessages& messages, Pause pause)
    : queue_(queue), counters_(counters), messages_(messages), pause_(std::move(pause)) {
  if (!pause_) pause_ = [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); };
}

CaptureState::~CaptureState() {
  // The process is going: whatever was captured stays in the file, and an
  // error now has nobody left to tell.
  std::lock_guard lock(mutex_);
  if (file_) file_->Close();
}

std::optional<OperatorMessage> CaptureState::CloseLocked(std::optional<BackupCutOff> cut_off) {
  if (!capturing_) return std::nullopt;
  capturing_ = false;
  const bool written = file_->Close();
  const std::error_code error = file_->Error();
  file_.reset();
  // A write failure outranks the other causes: it says why bytes are missing
  // even from the part that did arrive.
  if (!written) return BackupIncompleteMessage(path_, BackupCutOff::kWriteFailed, error);
  if (cut_off) return BackupIncompleteMessage(path_, *cut_off);
  return std::nullopt;
}

bool CaptureState::StartBackup(const std::string& path, std::string_view command) {
  std::optional<OperatorMessage> earlier;
  std::optional<OperatorMessage> failed;
  {
    std::lock_guard lock(mutex_);
    // The earlier file is closed first: its block has not ended, and the
    // rest of it must not land in the new file.
    earlier = CloseLocked(BackupCutOff::kReplaced);
    std::error_code error;
    std::unique_ptr<TextFileWriter> file = TextFileWriter::Create(path, error);
    if (!file) {
      failed = BackupCreateFailedMessage(path, error);
    } else {
      file_ = std::move(file);
      path_ = path;
      // Capturing before the command is queued: no byte of the answer can
      // come before the file is ready for it.
      capturing_ = true;
    }
  }
  if (!failed && queue_.EnqueueBytes(command) != EnqueueResult::kAppended) {
    // The controller was never asked, so no block will come to end this
    // capture; put it back to idle rather than leave it waiting.
    std::lock_guard lock(mutex_);
    if (capturing_ && path_ == path) CloseLocked(std::nullopt);
    failed = BackupNotSentMessage(path);
  }
  if (earlier) messages_.Show(*earlier);
  if (failed) messages_.Show(*failed);
  return !failed;
}

bool CaptureState::CaptureParameterByte(uint8_t byte, ScreenDisplay& display) {
  if (byte == kBlockClose) {
    // The block is whole: close its file at once, so that a backup started
    // during the pause below begins cleanly and is not closed by this "]".
    std::optional<OperatorMessage> message;
    {
      std::lock_guard lock(mutex_);
      message = CloseLocked(std::nullopt);
    }
    pause_(kBlockEndPause);
    ShowBlockEndStatus(display, counters_);
    if (message) messages_.Show(*message);
    return true;
  }
  bool counted = false;
  {
    std::lock_guard lock(mutex_);
    if (!capturing_ || byte == 0) return false;
    file_->Put(byte);
    if (byte == kParameterEnd) {
      counters_.ParametersReceived.fetch_add(1);
      counted = true;
    }
  }
  // Drawn outside the lock: the display is the shell's and may take its time.
  if (counted) ShowReceivingStatus(display, counters_);
  return false;
}

void CaptureState::CloseBackupFile() {
  std::optional<OperatorMessage> message;
  {
    std::lock_guard lock(mutex_);
    message = CloseLocked(std::nullopt);
  }
  if (message) messages_.Show(*message);
}

void CaptureState::AbandonCapture(BackupCutOff cause) {
  std::optional<OperatorMessage> message;
  {
    std::lock_guard lock(mutex_);
    message = CloseLocked(cause);
  }
  if (message) messages_.Show(*message);
}

bool CaptureState::Capturing() const {
  std::lock_guard lock(mutex_);
  return capturing_;
}

}  // namespace corvane
