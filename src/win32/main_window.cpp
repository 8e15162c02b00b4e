#include "win32/main_window.h"

#include <algorithm>
#include <span>
#include <string>

#include "app/captions.h"
#include "app/menu_table.h"
#include "keypad/keypad.h"
#include "keypad/picture_origin.h"
#include "screen/surface.h"
#include "win32/about_box.h"
#include "win32/message_boxes.h"
#include "win32/resource_ids.h"
#include "win32/screen_view.h"
#include "win32/ui_tasks.h"

namespace corvane {
namespace {

static_assert(IDM_ABOUT == command_id::kAbout, "the accelerators raise the About command");

// Room right and below the picture, as on the left.
constexpr int kMargin = 10;

void AddEntries(HMENU menu, std::span<const MenuEntry> entries) {
  for (const MenuEntry& entry : entries) {
    const std::string text(entry.text);
    if (entry.command == 0) {
      const HMENU submenu = CreatePopupMenu();
      AddEntries(submenu, entry.children);
      AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu), text.c_str());
    } else {
      AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(entry.command), text.c_str());
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
uint16_t ClientCoordinate(WORD word) {
  const int value = static_cast<short>(word);  // signed: a grab may report one left of 0
  return static_cast<uint16_t>(std::clamp(value, 0, 0xFFFF));
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, int show_command, MainWindowParts parts)
    : instance_(instance), show_command_(show_command), parts_(parts) {}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool MainWindow::Create() {
  WNDCLASSEXA window_class{};
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
  if (RegisterClassExA(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }
  const std::string title(kWindowTitle);
  window_ = CreateWindowExA(0, kWindowClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, BuildMenuBar(),
                            instance_, this);
  return window_ != nullptr;
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    auto* self = static_cast<MainWindow*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (command_handler_ && command_handler_(LOWORD(wparam))) return 0;
      break;
    case WM_KEYDOWN:
      // The system's virtual-key code is the keypad's own: no table, and
      // every keyboard layout is right. Alt and F10 come as WM_SYSKEYDOWN
      // and are left to the menus.
      parts_.keypad.ForwardKey(static_cast<uint16_t>(LOWORD(wparam)));
      return 0;
    case WM_LBUTTONDOWN:
      parts_.keypad.ForwardClick(ClientCoordinate(LOWORD(lparam)),
                                 ClientCoordinate(HIWORD(lparam)));
      return 0;
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
  return DefWindowProcA(window_, message, wparam, lparam);
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
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (window_ != nullptr && accelerators != nullptr &&
        TranslateAcceleratorA(window_, accelerators, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void MainWindow::ShowWindow() {
  // Sized so that the client area holds the status line, the picture at
  // the picture origin and a margin, below the menu bar.
  RECT frame{0, 0, kPictureX + Surface::kWidth + kMargin, kPictureY + Surface::kHeight + kMargin};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(window_, show_command_);
  UpdateWindow(window_);
}

void MainWindow::SetCaption(const std::string& caption) {
  SetWindowTextA(window_, caption.c_str());
}

void MainWindow::ShowAbout(const std::string& details) {
  ShowAboutBox(instance_, window_, details);
}

void MainWindow::CloseWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

}  // namespace corvane
