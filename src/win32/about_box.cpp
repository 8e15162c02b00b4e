#include "win32/about_box.h"

#include "app/captions.h"
#include "win32/resource_ids.h"

namespace corvane {
namespace {

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_ABOUT_TEXT, AboutText().c_str());
      SetDlgItemTextA(dialog, IDC_ABOUT_DETAILS,
                      reinterpret_cast<const std::string*>(lparam)->c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace

void ShowAboutBox(HINSTANCE instance, HWND owner, const std::string& details) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutProcedure,
                  reinterpret_cast<LPARAM>(&details));
}

}  // namespace corvane
