// Backup capture: the open parameter file and the bytes of the parameter
// block that the controller sends for a backup command.
//
// A backup never destroys an earlier good file. The bytes go into
// "<file>.partial" beside the chosen file (same directory, so the last step
// is one atomic rename); only when "]" ends the block and every byte, the
// sync to disk and the close succeeded does that file take the chosen name.
// A backup cut short in any way (link lost, controller silent or restarted,
// disk full, a new backup, Exit, the process killed) leaves the chosen file
// byte for byte as it was, and what was received in "<file>.partial", which
// the next backup of that file removes and creates anew. The suffix is this
// program's own: a file of that name is taken to be what an earlier backup
// left, and never written through: a symbolic link planted under that name
// is removed, not followed, so it cannot turn a backup into a write over the
// file it points at.
//
// Threads: StartBackup and the Exit command's CloseBackupFile run on the UI
// thread; CaptureParameterByte, AbandonCapture and the close at "]" on the
// receiver thread. One mutex guards the file and the capturing flag, so a
// close on one thread never meets a write or a close on the other. At "]"
// the file is closed and renamed first and the 500 ms pause is taken after,
// outside that lock, so a backup started during the pause is not closed by
// this "]".
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
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

// Where the bytes of a backup into `path` are written until the block is
// whole, and where they stay when it never is.
inline constexpr std::string_view kPartialBackupSuffix = ".partial";
std::filesystem::path PartialBackupPath(const std::filesystem::path& path);

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

  // UI thread. Creates the file's ".partial" new, then queues the
  // 4-byte backup command. An earlier capture still open is closed first and
  // reported as incomplete. Returns false, sending nothing, when the chosen
  // file could not be replaced (a read-only file, a directory, a device),
  // the ".partial" cannot be created or the queue has no room for the
  // command; the operator has then already been told (the caller shows
  // nothing more), and the chosen file is as it was.
  bool StartBackup(const std::filesystem::path& path, std::string_view command);

  // Receiver thread, for every byte inside a parameter block, the closing
  // "]" included. Returns true when the byte ended the block: the receiver
  // then leaves its parameter-block mode. At "]" the whole file replaces the
  // chosen one; when that fails the backup is reported as incomplete.
  bool CaptureParameterByte(uint8_t byte, ScreenDisplay& display);

  // Either thread (Exit on the UI thread). Closes an open backup file and
  // clears capturing. Its block has not ended, so what arrived stays in the
  // ".partial" and the chosen file is not touched; this is reported only
  // when the bytes could not all be written (the program is going).
  void CloseBackupFile();

  // Receiver thread, when the link closes inside a parameter block or the
  // controller falls silent in one: an open capture is closed, its bytes
  // kept in the ".partial", and reported as incomplete, for `cause`.
  void AbandonCapture(BackupCutOff cause = BackupCutOff::kLinkClosed);

  bool Capturing() const;

 private:
  // How an open capture ends.
  enum class Ending {
    kBlockEnded,  // "]": the whole file takes the chosen name
    kCutOff,      // the block did not end here: the ".partial" keeps what arrived
    kTakenOver,   // cut off by a new backup of the same file, which reuses the ".partial"
    kNotAsked,    // the command never went out: the empty ".partial" goes
  };

  // Closes the open file (mutex_ held) and says what the operator must be
  // told; the message is shown after the lock is released. `cause` names
  // why the block did not end in this file; without it only a failed write
  // makes a cut-off file worth a message.
  std::optional<OperatorMessage> CloseLocked(Ending ending,
                                             std::optional<BackupCutOff> cause = std::nullopt);

  TransmitQueue& queue_;
  StatusCounters& counters_;
  OperatorMessages& messages_;
  Pause pause_;
  mutable std::mutex mutex_;
  std::unique_ptr<TextFileWriter> file_;  // guarded by mutex_
  std::filesystem::path path_;            // guarded by mutex_: the chosen file
  std::filesystem::path partial_;         // guarded by mutex_: where its bytes go
  bool capturing_ = false;                // guarded by mutex_
};

}  // namespace corvane
