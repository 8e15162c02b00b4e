// The "Network Port" dialog (resource IDD_NETWORK_PORT): the host and TCP
// port of a serial device server and whether it speaks RFC 2217 or raw
// TCP. OK is taken only when the fields make an address
// (app/network_port_entry.h); otherwise the dialog says what is wrong
// beneath the fields, keeps what was typed and puts the focus on the field
// at fault. What OK does with the address is the application's
// (CommandDispatch::ApplyNetworkAddress).
//
// Threads: UI thread only.
#include <string>

#include "app/network_port_entry.h"
#include "win32/port_dialog.h"
#include "win32/resource_ids.h"
#include "win32/wide_text.h"

namespace corvane {
namespace {

struct NetworkDialogState {
  NetworkPortFields shown;
  std::string address;
};

std::string ControlText(HWND dialog, int control) {
  const HWND window = GetDlgItem(dialog, control);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8FromWide(text);
}

void SetText(HWND dialog, int control, std::string_view text) {
  SetDlgItemTextW(dialog, control, WideFromUtf8(text).c_str());
}

void Initialise(HWND dialog, const NetworkPortFields& fields) {
  SetWindowTextW(dialog, WideFromUtf8(kNetworkPortDialogTitle).c_str());
  SetText(dialog, IDC_NET_EXPLANATION, kNetworkPortExplanation);
  SetText(dialog, IDC_NET_HOST_LABEL, kNetworkHostLabel);
  SetText(dialog, IDC_NET_PORT_LABEL, kNetworkTcpPortLabel);
  SetText(dialog, IDC_NET_RFC2217, kNetworkRfc2217Text);
  SetText(dialog, IDC_NET_RAW, kNetworkRawTcpText);
  SetText(dialog, IDC_NET_HOST, fields.host);
  SetText(dialog, IDC_NET_PORT, fields.port);
  CheckRadioButton(dialog, IDC_NET_RFC2217, IDC_NET_RAW,
                   fields.kind == NetworkAddress::Kind::kRawTcp ? IDC_NET_RAW : IDC_NET_RFC2217);
}

// OK: the address, or the problem shown and the dialog kept.
bool TakeFields(HWND dialog, NetworkDialogState& state) {
  const NetworkPortCheck check = CheckNetworkPortFields(
      {ControlText(dialog, IDC_NET_HOST), ControlText(dialog, IDC_NET_PORT),
       IsDlgButtonChecked(dialog, IDC_NET_RAW) == BST_CHECKED ? NetworkAddress::Kind::kRawTcp
                                                              : NetworkAddress::Kind::kRfc2217});
  if (check.problem.empty()) {
    state.address = check.address;
    return true;
  }
  SetText(dialog, IDC_NET_PROBLEM, check.problem);
  const HWND at_fault =
      GetDlgItem(dialog, check.field == NetworkPortField::kPort ? IDC_NET_PORT : IDC_NET_HOST);
  // Through the dialog manager, so the default button stays right; the
  // text selected for retyping.
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(at_fault), TRUE);
  SendMessageW(at_fault, EM_SETSEL, 0, -1);
  return false;
}

INT_PTR CALLBACK NetworkDialogProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      Initialise(dialog, reinterpret_cast<const NetworkDialogState*>(lparam)->shown);
      // TRUE: the system gives the focus to the first tab stop, the host.
      return TRUE;
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<NetworkDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
      if (LOWORD(wparam) == IDOK) {
        if (TakeFields(dialog, *state)) EndDialog(dialog, IDOK);
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

std::optional<std::string> CommPortDialog::AskNetworkAddress(std::string_view current_address) {
  NetworkDialogState state{FieldsOfNetworkAddress(current_address), {}};
  if (DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_NETWORK_PORT), owner_, NetworkDialogProcedure,
                      reinterpret_cast<LPARAM>(&state)) != IDOK) {
    return std::nullopt;
  }
  return state.address;
}

}  // namespace corvane
