// Backup capture: the open parameter file and the bytes of the parameter
// block that the controller sends for a backup command.
//
// Threads: StartBackup and the Exit command's CloseBackupFile run on the UI
// thread; CaptureParameterByte, AbandonCapture and the close at "]" on the
// receiver thread. One mutex guards the file and the capturing flag, so a
// close on one thread never meets a write or a close on the other. At "]"
// the file is closed first and the 500 ms pause is taken after, outside that
// lock, so a backup started during the pause is not closed by this "]".
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "link/operator_messages.h"
#include "params/param_messages.h"

namespace corvane {

class ScreenDisplay;
class TextFileWriter;
class TransmitQueue;
struct StatusCounters;

class CaptureState {
 public:
  using Pause = std::function<void(std::chrono::milliseconds)>;

  // `pause` stands in for the 500 ms sleep at "]" (tests pass one that
  // records instead of sleeping); by default the thread sleeps.
  CaptureState(TransmitQueue& queue, StatusCounters& counters, OperatorMessages& messages,
               Pause pause = {});
  ~CaptureState();

  // The pause at "]": the controller needs it before the next screen request.
  static constexpr std::chrono::milliseconds kBlockEndPause{500};

  // UI thread. Creates (or empties) the file, then queues the 4-byte backup
  // command. An earlier capture still open is closed first and reported as
  // incomplete. Returns false, sending nothing, when the file cannot be
  // created or the queue has no room for the command; the operator has then
  // already been told (the caller shows nothing more).
  bool StartBackup(const std::string& path, std::string_view command);

  // Receiver thread, for every byte inside a parameter block, the closing
  // "]" included. Returns true when the byte ended the block: the receiver
  // then leaves its parameter-block mode.
  bool CaptureParameterByte(uint8_t byte, ScreenDisplay& display);

  // Either thread (Exit on the UI thread). Closes an open backup file and
  // clears capturing; a file whose bytes could not all be written is
  // reported as incomplete.
  void CloseBackupFile();

  // Receiver thread, when the link closes inside a parameter block or the
  // controller falls silent in one: an open capture is closed and reported
  // as incomplete, for `cause`.
  void AbandonCapture(BackupCutOff cause = BackupCutOff::kLinkClosed);

  bool Capturing() const;

 private:
  // Closes the open file (mutex_ held) and says what the operator must be
  // told; the message is shown after the lock is released. `cut_off` names
  // why the block did not end in this file; without it only a failed write
  // makes the file incomplete.
  std::optional<OperatorMessage> CloseLocked(std::optional<BackupCutOff> cut_off);

  TransmitQueue& queue_;
  StatusCounters& counters_;
  OperatorMessages& messages_;
  Pause pause_;
  mutable std::mutex mutex_;
  std::unique_ptr<TextFileWriter> file_;  // guarded by mutex_
  std::string path_;                      // guarded by mutex_
  bool capturing_ = false;                // guarded by mutex_
};

}  // namespace corvane
