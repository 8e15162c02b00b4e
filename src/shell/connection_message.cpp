#include "shell/connection_message.h"

namespace corvane {

OperatorMessage ConnectionFailedMessage() {
  return {kConnectionFailedCaption, kConnectionFailedText, MessageIcon::kWarning};
}

void ShowConnectionFailed(OperatorMessages& messages) { messages.Show(ConnectionFailedMessage()); }

}  // namespace corvane
