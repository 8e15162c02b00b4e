// The "COMM Port" dialog (resource IDD_COMM_PORT): the current number for
// editing, the range it takes, OK and Cancel. What OK does with the text
// is the application's (CommandDispatch::ApplyPortNumber).
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include "app/front_end.h"

namespace corvane {

class CommPortDialog : public PortDialog {
 public:
  explicit CommPortDialog(HINSTANCE instance) : instance_(instance) {}
  void Attach(HWND owner) { owner_ = owner; }
  std::optional<std::string> AskPortNumber(int current_port) override;
  // The Network Port dialog (resource IDD_NETWORK_PORT), in
  // network_port_dialog.cpp.
  std::optional<std::string> AskNetworkAddress(std::string_view current_address) override;

 private:
  HINSTANCE instance_;
  HWND owner_ = nullptr;
};

}  // namespace corvane
