// The texts the main window shows in its caption and the fixed names the
// parameter file dialogs offer.
//
// Threads: pure functions and constants, any thread (the shell calls them
// on the UI thread).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr std::string_view kWindowTitle = "Corvane";
// The first half of the caption after a parameter file was chosen.
inline constexpr std::string_view kParameterApplicationName = "Mirelon";
// The file name every backup and restore dialog offers first.
inline constexpr std::string_view kDefaultParameterFileName = "Mirelon Parameters";

// "Corvane - COM%d": the link's port, shown after start-up opened it and
// after the port dialog's OK.
std::string PortCaption(int port);

// "Corvane - plc7.example:4001": the device server at `address`
// (app/network_port_entry.h) that the link is on.
std::string NetworkPortCaption(std::string_view address);

// The caption of the port a link is on: the device server at `address`
// when there is one, otherwise COM `port`.
std::string LinkCaption(int port, std::string_view address);

// "Corvane - COM%d (reconnecting...)", or the address's caption with the
// same note: the link's device went away and the port is being tried again.
std::string ReconnectingCaption(int port, std::string_view address = {});

// The caption with a note that the session is being recorded:
// "Corvane - COM3 - Recording".
std::string RecordingCaptionText(std::string_view caption);

// "%s - %s" with the application name and the chosen file's title (its name
// without the directory); "(untitled)" stands in for an empty title.
std::string FileCaption(std::string_view application_name, std::string_view file_title);

// The About box's line for the service technician: how often the mirror
// was restarted because the controller fell silent.
std::string RerequestsText(int32_t rerequests);

// "Corvane Version <major>.<minor>", the About box's text; the version is
// the project's own, set in one place by the build.
std::string AboutText();

}  // namespace corvane
