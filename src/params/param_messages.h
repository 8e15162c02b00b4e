// What the backup and the restore tell the operator, through the
// OperatorMessages seam. The captions are fixed so that the shell and the
// tests can tell the messages apart; the texts name the file and the cause.
// A file is named by its UTF-8 text (files/path_text.h), exactly as chosen.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "link/operator_messages.h"

namespace corvane {

inline constexpr std::string_view kBackupIncompleteCaption = "Backup Incomplete";
inline constexpr std::string_view kBackupFailedCaption = "Backup Failed";
inline constexpr std::string_view kRestoreFailedCaption = "Restore Failed";
inline constexpr std::string_view kRestoreIncompleteCaption = "Restore Incomplete";

// Why a backup file holds less than the whole parameter block.
enum class BackupCutOff {
  kWriteFailed,       // bytes could not be written (disk full, I/O error)
  kReplaced,          // a new backup was started before this block ended
  kLinkClosed,        // the connection closed inside the block
  kControllerSilent,  // the controller fell silent inside the block
  kNotPutInPlace,     // the whole block was written but could not replace the chosen file
};

// Every incomplete-backup text starts with this, then names the file.
inline constexpr std::string_view kBackupIncompleteText = "The backup file is incomplete:";
inline constexpr std::string_view kBackupWarning = "Do not restore from this file.";
// The backup file could not be created: nothing was asked of the controller.
inline constexpr std::string_view kBackupCreateFailedText = "The backup file cannot be created:";
// An incomplete backup leaves the chosen file as it was; the bytes it did
// receive are kept beside it, in the file this names.
inline constexpr std::string_view kBackupKeptText =
    "No earlier file of that name was changed; what was received is kept in";
// The transmit queue had no room for the backup command.
inline constexpr std::string_view kBackupNotSentText =
    "The backup command could not be sent (the transmit queue is full). Try again later.";
// The restore file could not be opened: nothing was sent, the mirror goes on.
inline constexpr std::string_view kRestoreOpenFailedText =
    "The parameter file cannot be opened for reading:";
inline constexpr std::string_view kRestoreNothingSent = "Nothing was sent to the controller.";
// The controller received only part of the file.
inline constexpr std::string_view kRestoreIncompleteText =
    "The controller received only part of the parameter file:";

// `partial` names the file that keeps what was received, when there is one;
// the file at `path` itself is never touched by an incomplete backup.
OperatorMessage BackupIncompleteMessage(const std::filesystem::path& path, BackupCutOff cause,
                                        std::error_code error = {},
                                        const std::filesystem::path& partial = {});
OperatorMessage BackupCreateFailedMessage(const std::filesystem::path& path, std::error_code error);
OperatorMessage BackupNotSentMessage(const std::filesystem::path& path);
OperatorMessage RestoreOpenFailedMessage(const std::filesystem::path& path, std::error_code error);

// Why a restore ended before the controller had every byte.
enum class RestoreCutOff {
  kReadFailed,  // the file could not be read to its end
  kLinkClosed,  // the connection closed while the file was being sent
};
OperatorMessage RestoreIncompleteMessage(const std::filesystem::path& path, RestoreCutOff cause,
                                         int32_t lines_read, std::error_code error = {});

}  // namespace corvane
