#include "params/capture.h"

#include <cstdio>
#include <thread>

#include "files/file_open.h"

#include "link/protocol.h"
#include "link/transmit_queue.h"
#include "params/file_replace.h"
#include "params/text_file.h"
#include "screen/status_counters.h"

namespace corvane {

namespace {

// The chosen file is replaced at the end by a rename, which POSIX allows
// over a read-only file. Opening it for update (which empties nothing) asks
// what writing it directly would have asked, so a backup the operator
// protected is still refused at the start, before the controller is asked
// anything. A directory or a device is no backup to replace.
std::error_code CheckReplaceable(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return {};
  if (error) return error;
  if (std::filesystem::is_directory(status)) {
    return std::make_error_code(std::errc::is_a_directory);
  }
  if (!std::filesystem::is_regular_file(status)) {
    return std::make_error_code(std::errc::not_supported);
  }
  std::FILE* file = OpenFile(path, "r+b", error);
  if (file == nullptr) return error;
  std::fclose(file);
  return {};
}

// A ".partial" left by an earlier backup goes first, whatever it is: the
// new one is then created exclusively, so that a symbolic link planted
// under the name is removed, never written through. Should a name appear
// again between the two steps, the create refuses it.
std::unique_ptr<TextFileWriter> CreatePartial(const std::filesystem::path& partial,
                                              std::error_code& error) {
  std::error_code ignored;
  std::filesystem::remove(partial, ignored);
  return TextFileWriter::CreateNew(partial, error);
}

}  // namespace

std::filesystem::path PartialBackupPath(const std::filesystem::path& path) {
  std::filesystem::path partial = path;
  partial += kPartialBackupSuffix;
  return partial;
}

CaptureState::CaptureState(TransmitQueue& queue, StatusCounters& counters,
                           OperatorMessages& messages, Pause pause)
    : queue_(queue), counters_(counters), messages_(messages), pause_(std::move(pause)) {
  if (!pause_) pause_ = [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); };
}

CaptureState::~CaptureState() {
  // The process is going: whatever was captured stays in the ".partial", and
  // an error now has nobody left to tell.
  std::lock_guard lock(mutex_);
  if (file_) file_->Close();
}

std::optional<OperatorMessage> CaptureState::CloseLocked(Ending ending,
                                                         std::optional<BackupCutOff> cause) {
  if (!capturing_) return std::nullopt;
  capturing_ = false;
  const std::unique_ptr<TextFileWriter> file = std::move(file_);
  switch (ending) {
    case Ending::kBlockEnded: {
      // On the disk before the rename: a rename that outlives a power cut
      // must not name a file whose bytes did not.
      file->Sync();
      if (!file->Close()) {
        return BackupIncompleteMessage(path_, BackupCutOff::kWriteFailed, file->Error(), partial_);
      }
      if (const std::error_code error = RenameOverFile(partial_, path_)) {
        return BackupIncompleteMessage(path_, BackupCutOff::kNotPutInPlace, error, partial_);
      }
      return std::nullopt;
    }
    case Ending::kNotAsked: {
      // Nothing was asked, so nothing is missing: the ".partial" holds no
      // backup. A leftover that cannot be removed does no harm; the next
      // backup of this file empties it.
      file->Close();
      std::error_code ignored;
      std::filesystem::remove(partial_, ignored);
      return std::nullopt;
    }
    case Ending::kCutOff:
    case Ending::kTakenOver: {
      const bool written = file->Close();
      // A new backup of the same file empties the ".partial" at once, so the
      // message does not send the operator looking for it.
      const std::filesystem::path kept =
          ending == Ending::kCutOff ? partial_ : std::filesystem::path();
      // A write failure outranks the other causes: it says why bytes are
      // missing even from the part that did arrive.
      if (!written) {
        return BackupIncompleteMessage(path_, BackupCutOff::kWriteFailed, file->Error(), kept);
      }
      if (cause) return BackupIncompleteMessage(path_, *cause, {}, kept);
      return std::nullopt;
    }
  }
  return std::nullopt;
}

bool CaptureState::StartBackup(const std::filesystem::path& path, std::string_view command) {
  std::optional<OperatorMessage> earlier;
  std::optional<OperatorMessage> failed;
  const std::filesystem::path partial = PartialBackupPath(path);
  {
    std::lock_guard lock(mutex_);
    // The earlier file is closed first: its block has not ended, and the
    // rest of it must not land in the new file.
    std::error_code ignored;
    const bool same_file = capturing_ && std::filesystem::equivalent(partial_, partial, ignored);
    earlier =
        CloseLocked(same_file ? Ending::kTakenOver : Ending::kCutOff, BackupCutOff::kReplaced);
    std::error_code error = CheckReplaceable(path);
    std::unique_ptr<TextFileWriter> file;
    if (!error) file = CreatePartial(partial, error);
    if (!file) {
      failed = BackupCreateFailedMessage(path, error);
    } else {
      file_ = std::move(file);
      path_ = path;
      partial_ = partial;
      // Capturing before the command is queued: no byte of the answer can
      // come before the file is ready for it.
      capturing_ = true;
    }
  }
  if (!failed && queue_.EnqueueBytes(command) != EnqueueResult::kAppended) {
    // The controller was never asked, so no block will come to end this
    // capture; put it back to idle rather than leave it waiting.
    std::lock_guard lock(mutex_);
    if (capturing_ && path_ == path) CloseLocked(Ending::kNotAsked);
    failed = BackupNotSentMessage(path);
  }
  if (earlier) messages_.Show(*earlier);
  if (failed) messages_.Show(*failed);
  return !failed;
}

bool CaptureState::CaptureParameterByte(uint8_t byte, ScreenDisplay& display) {
  if (byte == kBlockClose) {
    // The block is whole: put its file in place at once, so that a backup
    // started during the pause below begins cleanly and is not closed by
    // this "]".
    std::optional<OperatorMessage> message;
    {
      std::lock_guard lock(mutex_);
      message = CloseLocked(Ending::kBlockEnded);
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
    message = CloseLocked(Ending::kCutOff);
  }
  if (message) messages_.Show(*message);
}

void CaptureState::AbandonCapture(BackupCutOff cause) {
  std::optional<OperatorMessage> message;
  {
    std::lock_guard lock(mutex_);
    message = CloseLocked(Ending::kCutOff, cause);
  }
  if (message) messages_.Show(*message);
}

bool CaptureState::Capturing() const {
  std::lock_guard lock(mutex_);
  return capturing_;
}

}  // namespace corvane
