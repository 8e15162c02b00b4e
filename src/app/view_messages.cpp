#include "app/view_messages.h"

#include <array>

#include "files/path_text.h"

namespace corvane {

std::string ScreenImageFileName(const std::tm& local_time) {
  // Hyphens, not colons, between the hours, minutes and seconds: Windows
  // allows no colon in a file name.
  std::array<char, 64> stamp{};
  const size_t length = std::strftime(stamp.data(), stamp.size(), "%Y-%m-%d %H-%M-%S", &local_time);
  return "Mirelon " + std::string(stamp.data(), length) + ".png";
}

OperatorMessage NoPictureYetMessage(std::string_view caption) {
  return {std::string(caption), "No screen image has come from the controller yet.",
          MessageIcon::kWarning};
}

OperatorMessage PictureNotSavedMessage(const std::filesystem::path& path, std::error_code error) {
  std::string text = "The screen image cannot be saved to\n";
  text += PathText(path);
  text += "\n(" + error.message() + ").";
  return {std::string(kSaveScreenImageTitle), std::move(text), MessageIcon::kWarning};
}

OperatorMessage PictureNotCopiedMessage(std::error_code error) {
  return {std::string(kCopyScreenImageTitle),
          "The screen image cannot be put on the clipboard\n(" + error.message() + ").",
          MessageIcon::kWarning};
}

}  // namespace corvane
