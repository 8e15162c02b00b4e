// What the View menu offers and tells the operator: the dialog titles, the
// default name of a saved screen image, the setting that remembers the
// zoom, and the boxes for a picture that cannot be saved or copied.
//
// Threads: pure functions and constants, any thread (the commands call
// them on the UI thread).
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "link/operator_messages.h"

namespace corvane {

// The save dialog's title, and the caption of the boxes each command shows.
inline constexpr std::string_view kSaveScreenImageTitle = "Save Screen Image";
inline constexpr std::string_view kCopyScreenImageTitle = "Copy Screen Image";

// The settings store's key for the zoom (the value is ZoomName's).
inline constexpr std::string_view kZoomSettingKey = "Zoom";
// The settings store's key for View > Draw While Receiving, and its values.
inline constexpr std::string_view kDrawWhileReceivingSettingKey = "DrawWhileReceiving";
inline constexpr std::string_view kSettingOn = "on";
inline constexpr std::string_view kSettingOff = "off";

// "Mirelon 2026-12-07 10-15-03.png": the controller's name and the local
// date and time the operator asked, so that pictures taken one after the
// other sort in order and never share a name.
std::string ScreenImageFileName(const std::tm& local_time);

// Save or copy before the controller sent its first picture.
OperatorMessage NoPictureYetMessage(std::string_view caption);
// The file could not be written; names the file and the reason.
OperatorMessage PictureNotSavedMessage(const std::filesystem::path& path, std::error_code error);
// The clipboard could not be had (another program holds it open).
OperatorMessage PictureNotCopiedMessage(std::error_code error);

}  // namespace corvane
