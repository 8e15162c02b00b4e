#include "app/connection_message.h"

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
  std::string text(kNotConnectedText);
  text += " (COM" + std::to_string(port) + ").\n";
  text += refused;
  return {std::string(kConnectionCaption), std::move(text), MessageIcon::kWarning};
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
