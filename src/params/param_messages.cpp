#include "params/param_messages.h"

#include "files/path_text.h"

namespace corvane {

namespace {

OperatorMessage Warning(std::string_view caption, std::string text) {
  return OperatorMessage{std::string(caption), std::move(text), MessageIcon::kWarning};
}

std::string Quoted(const std::filesystem::path& path) { return "\n\"" + PathText(path) + "\"\n"; }

}  // namespace

OperatorMessage BackupIncompleteMessage(const std::filesystem::path& path, BackupCutOff cause,
                                        std::error_code error,
                                        const std::filesystem::path& partial) {
  std::string text = std::string(kBackupIncompleteText) + Quoted(path);
  switch (cause) {
    case BackupCutOff::kWriteFailed:
      text += "Not every byte of the parameter block could be written";
      if (error) text += " (" + error.message() + ")";
      text += ".";
      break;
    case BackupCutOff::kReplaced:
      text += "A new backup was started before the controller had sent the whole block.";
      break;
    case BackupCutOff::kLinkClosed:
      text += "The connection closed before the controller had sent the whole block.";
      break;
    case BackupCutOff::kControllerSilent:
      text += "The controller fell silent before it had sent the whole block.";
      break;
    case BackupCutOff::kNotPutInPlace:
      text += "The whole block was written, but it could not take the place of the file";
      if (error) text += " (" + error.message() + ")";
      text += ".";
      break;
  }
  text += "\n";
  if (!partial.empty()) text += std::string(kBackupKeptText) + Quoted(partial);
  text += kBackupWarning;
  return Warning(kBackupIncompleteCaption, std::move(text));
}

OperatorMessage BackupCreateFailedMessage(const std::filesystem::path& path,
                                          std::error_code error) {
  std::string text = std::string(kBackupCreateFailedText) + Quoted(path);
  if (error) text += "(" + error.message() + ")\n";
  text += "No backup was requested from the controller.";
  return Warning(kBackupFailedCaption, std::move(text));
}

OperatorMessage BackupNotSentMessage(const std::filesystem::path& path) {
  std::string text = std::string(kBackupNotSentText) + Quoted(path) + "was not changed.";
  return Warning(kBackupFailedCaption, std::move(text));
}

OperatorMessage RestoreOpenFailedMessage(const std::filesystem::path& path, std::error_code error) {
  std::string text = std::string(kRestoreOpenFailedText) + Quoted(path);
  if (error) text += "(" + error.message() + ")\n";
  text += kRestoreNothingSent;
  return Warning(kRestoreFailedCaption, std::move(text));
}

OperatorMessage RestoreIncompleteMessage(const std::filesystem::path& path, RestoreCutOff cause,
                                         int32_t lines_read, std::error_code error) {
  std::string text = std::string(kRestoreIncompleteText) + Quoted(path);
  switch (cause) {
    case RestoreCutOff::kReadFailed:
      text += "Reading the file failed after " + std::to_string(lines_read) + " lines";
      if (error) text += " (" + error.message() + ")";
      text += ".\nThe rest of the file was not sent.";
      break;
    case RestoreCutOff::kLinkClosed:
      text += "The connection closed after " + std::to_string(lines_read) +
              " lines had been read, before every byte had gone out.\n"
              "Restore the file again once the connection is up.";
      break;
  }
  return Warning(kRestoreIncompleteCaption, std::move(text));
}

}  // namespace corvane
