#include "app/connection_message.h"

#include "app/network_port_entry.h"
#include "files/path_text.h"

namespace corvane {

OperatorMessage ConnectionFailedMessage() {
  // Without an owner, at start-up and after the port dialog alike: the
  // operator's next step is the COMM Port dialog, which must open at once.
  return {std::string(kConnectionCaption), std::string(kConnectionFailedText),
          MessageIcon::kWarning, /*owned=*/false};
}

void ShowConnectionFailed(OperatorMessages& messages) { messages.Show(ConnectionFailedMessage()); }

std::string FormatConnectionLostText(int port_number) {
  return "Connection Lost \nCOM" + std::to_string(port_number) +
         " was disconnected\n(device removed or hung up).\n"
         "Corvane reconnects by itself once the port is back.\n"
         "To use another port, choose COMM Port.";
}

OperatorMessage ConnectionLostMessage(int port_number) {
  return {std::string(kConnectionCaption), FormatConnectionLostText(port_number),
          MessageIcon::kWarning};
}

OperatorMessage NotConnectedMessage(int port, std::string_view refused) {
  return NotConnectedMessage("COM" + std::to_string(port), refused);
}

OperatorMessage NotConnectedMessage(std::string_view port_name, std::string_view refused) {
  std::string text(kNotConnectedText);
  text += " (" + std::string(port_name) + ").\n";
  text += refused;
  return {std::string(kConnectionCaption), std::move(text), MessageIcon::kWarning};
}

OperatorMessage NetworkConnectionFailedMessage(std::string_view address, std::error_code reason) {
  // Unowned, like the COM port's box: the operator's next step is a dialog.
  std::string text = "Connection Failed \nThe device server " + NetworkAddressName(address);
  // A server serves one client a line: the same conflict as a COM port
  // that another program holds, said in the same words.
  if (reason == std::errc::device_or_resource_busy) {
    text += "\nis busy: another client\nholds this line (conflict).";
  } else {
    text += "\ncannot be reached:\n" + reason.message() + ".";
  }
  return {std::string(kConnectionCaption), std::move(text), MessageIcon::kWarning,
          /*owned=*/false};
}

void ShowLinkOpenFailed(OperatorMessages& messages, std::string_view address,
                        std::error_code reason) {
  if (address.empty()) {
    ShowConnectionFailed(messages);
  } else {
    messages.Show(NetworkConnectionFailedMessage(address, reason));
  }
}

OperatorMessage NetworkConnectionLostMessage(std::string_view address) {
  return {std::string(kConnectionCaption),
          "Connection Lost \nThe device server " + NetworkAddressName(address) +
              " went away\n(switched off, unplugged or restarted).\n"
              "Corvane reconnects by itself once it answers again.\n"
              "To use another port, choose COMM Port or Network Port.",
          MessageIcon::kWarning};
}

OperatorMessage ConfigNotSavedMessage(const std::filesystem::path& path, std::error_code error,
                                      int port) {
  std::string text = "The COM port setting cannot be saved to\n";
  text += PathText(path);
  text += "\n(" + error.message() + ").\nCOM" + std::to_string(port) +
          " is used until Corvane is closed.";
  return {std::string(kConnectionCaption), std::move(text), MessageIcon::kWarning};
}

}  // namespace corvane
