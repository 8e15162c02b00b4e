#include "win32/port_dialog.h"

#include <string>

#include "app/port_dialog_texts.h"
#include "win32/resource_ids.h"

namespace corvane {
namespace {

struct PortDialogState {
  int current_port = 0;
  std::optional<std::string> entered;
};

std::string WindowText(HWND control) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

INT_PTR CALLBACK PortDialogProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      const auto* state = reinterpret_cast<const PortDialogState*>(lparam);
      SetDlgItemTextA(dialog, IDC_PORT_NUMBER,
                      std::to_string(static_cast<unsigned>(state->current_port)).c_str());
      SetWindowTextA(dialog, std::string(kPortDialogTitle).c_str());
      SetDlgItemTextA(dialog, IDC_PORT_LABEL, std::string(kPortNumberLabel).c_str());
      SetDlgItemTextA(dialog, IDC_PORT_EXPLANATION, std::string(kPortDialogExplanation).c_str());
      SetDlgItemTextA(dialog, IDC_PORT_RANGE, PortRangeText().c_str());
      // TRUE: the system gives the focus to the edit box, its text
      // selected, so typing replaces the number; Enter presses OK.
      return TRUE;
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<PortDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
      if (LOWORD(wparam) == IDOK) {
        // Any characters may have been typed; OK decides what they mean.
        state->entered = WindowText(GetDlgItem(dialog, IDC_PORT_NUMBER));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    default: return FALSE;
  }
}

}  // namespace

std::optional<std::string> CommPortDialog::AskPortNumber(int current_port) {
  PortDialogState state{current_port, std::nullopt};
  if (DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_COMM_PORT), owner_, PortDialogProcedure,
                      reinterpret_cast<LPARAM>(&state)) != IDOK) {
    return std::nullopt;
  }
  return state.entered;
}

}  // namespace corvane
