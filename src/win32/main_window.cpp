#include "win32/main_window.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>

#include "app/captions.h"
#include "app/menu_table.h"
#include "app/picture_zoom.h"
#include "app/window_fit.h"
#include "keypad/keypad.h"
#include "screen/surface.h"
#include "win32/about_box.h"
#include "win32/message_boxes.h"
#include "win32/replay_bar.h"
#include "win32/resource_ids.h"
#include "win32/screen_view.h"
#include "win32/ui_tasks.h"
#include "win32/wide_text.h"

namespace corvane {
namespace {

static_assert(IDM_ABOUT == command_id::kAbout, "the accelerators raise the About command");

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;

void AddEntries(HMENU menu, std::span<const MenuEntry> entries) {
  for (const MenuEntry& entry : entries) {
    const std::string text(entry.text);
    if (entry.IsSeparator()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else if (entry.command == 0) {
      const HMENU submenu = CreatePopupMenu();
      AddEntries(submenu, entry.children);
      AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu), text.c_str());
    } else {
      AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(entry.command), text.c_str());
      if (ZoomOfCommand(entry.command)) {
        // The zoom items check with a bullet, as one choice of several.
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        SetMenuItemInfoA(menu, static_cast<UINT>(entry.command), FALSE, &item);
      }
    }
  }
}

HMENU BuildMenuBar() {
  const HMENU bar = CreateMenu();
  AddEntries(bar, MainMenu());
  return bar;
}

// A coordinate from a mouse message's LPARAM word. (windowsx.h's macros for
// it come with others, such as SelectPen, that clash with the screen's.)
int ClientCoordinate(WORD word) {
  return static_cast<short>(word);  // signed: a grab may report one left of 0
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, int show_command, MainWindowParts parts)
    : instance_(instance), show_command_(show_command), parts_(parts) {}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool MainWindow::Create() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_CORVANE));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CORVANE), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClassName;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }
  const std::wstring title = WideFromUtf8(kWindowTitle);
  window_ = CreateWindowExW(0, kWindowClassName, title.c_str(), kWindowStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, BuildMenuBar(),
                            instance_, this);
  return window_ != nullptr;
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<MainWindow*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (command_handler_ && command_handler_(LOWORD(wparam))) {
        // A button of the replay's bar took the focus: the keys come back
        // to the window.
        if (lparam != 0 && window_ != nullptr) SetFocus(window_);
        return 0;
      }
      break;
    case WM_HSCROLL:
      if (parts_.replay.OnScroll(reinterpret_cast<HWND>(lparam))) return 0;
      break;
    case WM_SIZE: parts_.replay.Layout(); break;
    case WM_KEYDOWN:
      // The system's virtual-key code is the keypad's own: no table, and
      // every keyboard layout is right. Alt and F10 come as WM_SYSKEYDOWN
      // and are left to the menus.
      parts_.keypad.ForwardKey(static_cast<uint16_t>(LOWORD(wparam)));
      return 0;
    case WM_LBUTTONDOWN: {
      // Back through the zoom to the picture pixel under the pointer; a
      // click beside the picture reaches nothing.
      const std::optional<PicturePoint> at =
          UnzoomedClientPoint(parts_.view.PictureArea(), ClientCoordinate(LOWORD(lparam)),
                              ClientCoordinate(HIWORD(lparam)));
      if (at) {
        parts_.keypad.ForwardClick(static_cast<uint16_t>(at->x), static_cast<uint16_t>(at->y));
      }
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      const HDC dc = BeginPaint(window_, &paint);
      parts_.view.Paint(dc, paint.rcPaint);
      EndPaint(window_, &paint);
      return 0;
    }
    case ScreenView::kHandoverMessage: parts_.view.TakeHandover(); return 0;
    case MessageBoxes::kShowMessage: parts_.messages.ShowWaiting(); return 0;
    case UiTasks::kRunMessage: parts_.tasks.RunPosted(); return 0;
    case WM_TIMER:
      if (parts_.tasks.RunTimer(wparam)) return 0;
      break;
    case WM_DESTROY: OnDestroy(); return 0;
    default: break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

void MainWindow::OnDestroy() {
  // The link's workers end here, while the window still takes their posts;
  // then nothing more is handed to it.
  if (close_handler_) {
    const std::function<void()> handler = std::move(close_handler_);
    close_handler_ = nullptr;
    handler();
  }
  parts_.view.Detach();
  parts_.messages.Detach();
  parts_.tasks.Detach();
  window_ = nullptr;
  PostQuitMessage(0);
}

int MainWindow::RunMessageLoop() {
  const HACCEL accelerators = LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window_ != nullptr && accelerators != nullptr &&
        TranslateAcceleratorW(window_, accelerators, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void MainWindow::ShowWindow() {
  SizeToPicture();
  ::ShowWindow(window_, show_command_);
  UpdateWindow(window_);
}

void MainWindow::SizeToPicture() {
  // The client area below the menu bar holds the status line, the picture
  // at the picture origin and a margin.
  const auto outer_size = [](ClientSize client) {
    RECT frame{0, 0, client.width, client.height};
    AdjustWindowRectEx(&frame, kWindowStyle, TRUE, 0);
    return ClientSize{frame.right - frame.left, frame.bottom - frame.top};
  };
  // The replay's bar, while shown, adds its strip below the picture.
  const int bar = parts_.replay.Shown() ? ReplayBar::kHeight : 0;
  const auto with_bar = [bar](ClientSize client) {
    return ClientSize{client.width, client.height + bar};
  };
  const ClientSize unzoomed = outer_size(with_bar(ClientSizeFor(ZoomMode::k100)));
  ClientSize wanted = outer_size(with_bar(ClientSizeFor(parts_.view.Zoom())));
  RECT now{};
  GetWindowRect(window_, &now);
  int x = now.left;
  int y = now.top;
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    const WindowPlace place =
        FitWindowToWorkArea(wanted, unzoomed, x, y,
                            {work.left, work.top, work.right - work.left, work.bottom - work.top});
    wanted = place.size;
    if (place.moved) {
      x = place.x;
      y = place.y;
      flags &= ~static_cast<UINT>(SWP_NOMOVE);
    }
  }
  SetWindowPos(window_, nullptr, x, y, wanted.width, wanted.height, flags);
}

bool MainWindow::CopyShownPicture(std::vector<Pixel>& pixels) const {
  return parts_.view.CopyShownPicture(pixels);
}

void MainWindow::ShowZoom(ZoomMode mode) {
  parts_.view.SetZoom(mode);
  if (window_ == nullptr) return;
  const HMENU menu = GetMenu(window_);
  for (ZoomMode each : kZoomModes) {
    CheckMenuItem(menu, static_cast<UINT>(ZoomCommand(each)),
                  MF_BYCOMMAND | (each == mode ? MF_CHECKED : MF_UNCHECKED));
  }
}

bool MainWindow::WindowShown() const { return window_ != nullptr && IsWindowVisible(window_); }

void MainWindow::SizeWindowToPicture() {
  if (window_ == nullptr) return;
  // A maximized window keeps its size whatever it is given.
  if (IsZoomed(window_)) ::ShowWindow(window_, SW_RESTORE);
  SizeToPicture();
}

void MainWindow::CheckDrawWhileReceiving(bool on) {
  if (window_ == nullptr) return;
  CheckMenuItem(GetMenu(window_), static_cast<UINT>(command_id::kDrawWhileReceiving),
                MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::EnableCommand(int command, bool enabled) {
  parts_.replay.EnableCommand(command, enabled);
  if (window_ == nullptr) return;
  EnableMenuItem(GetMenu(window_), static_cast<UINT>(command),
                 MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

MonitorScale MainWindow::WindowMonitor() const {
  MonitorScale monitor;
  if (window_ == nullptr) return monitor;
  // The manifest declares the program DPI aware, so the system stretches
  // nothing of it: the desktop's whole scale is left to the zoom.
  if (const HDC dc = GetDC(window_)) {
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(window_, dc);
    if (dpi > 0) monitor.scale = dpi / 96.0;
  }
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &info)) {
    // The frame, caption and menu bar come off the work area.
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, kWindowStyle, TRUE, 0);
    const RECT& work = info.rcWork;
    monitor.room = ClientSize{(work.right - work.left) - (frame.right - frame.left),
                              (work.bottom - work.top) - (frame.bottom - frame.top)};
  }
  return monitor;
}

void MainWindow::SetCaption(const std::string& caption) { SetWindowTextUtf8(window_, caption); }

void MainWindow::ShowAbout(const std::string& details) {
  ShowAboutBox(instance_, window_, details);
}

void MainWindow::CloseWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

}  // namespace corvane
