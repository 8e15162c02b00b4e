// The message boxes that tell the operator about the COM port: it cannot be
// opened (at start-up and after the port dialog), the device of an open link
// went away, or the chosen port cannot be kept in the configuration file.
//
// Threads: pure functions, any thread; ShowConnectionFailed on the UI
// thread (it returns at once, the box is shown by the message seam).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "link/operator_messages.h"

namespace corvane {

// Both connection boxes carry the controller maker's name as their caption.
inline constexpr std::string_view kConnectionCaption = "Velkor";
// Three lines; the first ends in a blank before its line break.
inline constexpr std::string_view kConnectionFailedText =
    "Connection Failed \nPort is either not available\nor busy (conflict)";

OperatorMessage ConnectionFailedMessage();
void ShowConnectionFailed(OperatorMessages& messages);

// Told once per link, when the device of an open link goes away.
std::string FormatConnectionLostText(int port_number);
OperatorMessage ConnectionLostMessage(int port_number);

// A backup or restore chosen while no link is up: refused at once, so no
// file is created or armed for a controller that cannot be asked.
inline constexpr std::string_view kNotConnectedText = "The controller is not connected";
OperatorMessage NotConnectedMessage(int port, std::string_view refused);
// The same, naming the port as the operator knows it ("COM3",
// "plc7.example:4001").
OperatorMessage NotConnectedMessage(std::string_view port_name, std::string_view refused);

// The device server at `address` cannot be reached: the box names it and
// says why (unknown host, refused, no answer, another client on it), so
// that the operator knows which of the three to look at.
OperatorMessage NetworkConnectionFailedMessage(std::string_view address, std::error_code reason);
// Told once per link, when the device server of an open link goes away.
OperatorMessage NetworkConnectionLostMessage(std::string_view address);

// The box for a link that did not open: the COM port's, or, when the link
// was to the device server at `address`, the one that names it and gives
// `reason`.
void ShowLinkOpenFailed(OperatorMessages& messages, std::string_view address,
                        std::error_code reason);

// The port dialog changed the port but the configuration file could not be
// written: the new port holds for this run only.
OperatorMessage ConfigNotSavedMessage(const std::filesystem::path& path, std::error_code error,
                                      int port);

}  // namespace corvane
