#include "win32/replay_bar.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/menu_table.h"
#include "win32/wide_text.h"

namespace corvane {
namespace {

// The timeline counts tenths of a second: a day's recording is 864,000
// steps, well inside the trackbar's range.
constexpr uint64_t kTimelineStepUs = 100'000;
constexpr int kGap = 4;
constexpr int kButtonWidth = 44;
constexpr int kLiveWidth = 96;
constexpr int kPositionWidth = 130;
constexpr int kTimeWidth = 190;
constexpr int kMarkWidth = 70;
constexpr int kStretchWidth = 150;

HWND MakeControl(HWND parent, HINSTANCE instance, const wchar_t* type, const std::wstring& text,
                 DWORD style, int id) {
  return CreateWindowExW(0, type, text.c_str(), WS_CHILD | style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

}  // namespace

void ReplayBar::Attach(HWND window) {
  window_ = window;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES};
  InitCommonControlsEx(&common);
  using namespace command_id;
  play_ = MakeControl(window, instance, L"BUTTON", L"Play", BS_PUSHBUTTON, kReplayPlayPause);
  const int speed_commands[] = {kReplaySpeed1, kReplaySpeed10, kReplaySpeed100};
  for (size_t i = 0; i < std::size(speeds_); ++i) {
    // Push-like check boxes: the speed in use stays pressed.
    speeds_[i] =
        MakeControl(window, instance, L"BUTTON", std::to_wstring(kReplaySpeeds[i]) + L"\u00D7",
                    BS_CHECKBOX | BS_PUSHLIKE, speed_commands[i]);
  }
  timeline_ = MakeControl(window, instance, TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS, 0);
  position_ = MakeControl(window, instance, L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE, 0);
  recorded_time_ = MakeControl(window, instance, L"STATIC", L"", SS_LEFT | SS_CENTERIMAGE, 0);
  mark_start_ =
      MakeControl(window, instance, L"BUTTON", L"Mark Start", BS_PUSHBUTTON, kReplayMarkStart);
  mark_end_ = MakeControl(window, instance, L"BUTTON", L"Mark End", BS_PUSHBUTTON, kReplayMarkEnd);
  stretch_ = MakeControl(window, instance, L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE, 0);
  live_ = MakeControl(window, instance, L"BUTTON", WideFromUtf8(MenuTextOf(kBackToLive)),
                      BS_PUSHBUTTON, kBackToLive);
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (HWND control : {play_, speeds_[0], speeds_[1], speeds_[2], timeline_, position_,
                       recorded_time_, mark_start_, mark_end_, stretch_, live_}) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
}

void ReplayBar::Layout() {
  if (window_ == nullptr) return;
  RECT client{};
  GetClientRect(window_, &client);
  const int top = client.bottom - kHeight + kGap;
  const int height = kHeight - 2 * kGap;
  int x = kGap;
  const auto place = [&](HWND control, int width) {
    MoveWindow(control, x, top, width, height, TRUE);
    x += width + kGap;
  };
  place(play_, kButtonWidth + 8);
  for (HWND speed : speeds_) place(speed, kButtonWidth);
  // The timeline takes what the fixed parts leave, but never less than a
  // little.
  const int fixed =
      kPositionWidth + kTimeWidth + 2 * kMarkWidth + kStretchWidth + kLiveWidth + 7 * kGap;
  place(timeline_, std::max<int>(80, client.right - x - fixed));
  place(position_, kPositionWidth);
  place(recorded_time_, kTimeWidth);
  place(mark_start_, kMarkWidth);
  place(mark_end_, kMarkWidth);
  place(stretch_, kStretchWidth);
  place(live_, kLiveWidth);
}

bool ReplayBar::OnScroll(HWND control) {
  if (control == nullptr || control != timeline_) return false;
  const auto position = static_cast<uint64_t>(SendMessageW(timeline_, TBM_GETPOS, 0, 0));
  if (seek_) seek_(position * kTimelineStepUs);
  return true;
}

void ReplayBar::ShowReplayControls(bool shown) {
  if (window_ == nullptr || shown == shown_) return;
  shown_ = shown;
  Layout();
  for (HWND control : {play_, speeds_[0], speeds_[1], speeds_[2], timeline_, position_,
                       recorded_time_, mark_start_, mark_end_, stretch_, live_}) {
    ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
  }
  if (shown_handler_) shown_handler_();
}

void ReplayBar::ShowReplayState(const ReplayState& state) {
  if (window_ == nullptr) return;
  SetWindowTextW(play_, state.playing ? L"Pause" : L"Play");
  for (size_t i = 0; i < std::size(speeds_); ++i) {
    SendMessageW(speeds_[i], BM_SETCHECK,
                 kReplaySpeeds[i] == state.speed ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  // Held by the operator (it has the mouse), the timeline stays where the
  // hand is.
  if (GetCapture() != timeline_) {
    SendMessageW(timeline_, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(timeline_, TBM_SETRANGEMAX, FALSE,
                 static_cast<LPARAM>(state.length_us / kTimelineStepUs));
    SendMessageW(timeline_, TBM_SETPOS, TRUE,
                 static_cast<LPARAM>(state.position_us / kTimelineStepUs));
  }
  SetWindowTextUtf8(position_, state.position);
  SetWindowTextUtf8(recorded_time_, state.recorded_time);
  SetWindowTextUtf8(stretch_, state.stretch);
}

void ReplayBar::EnableCommand(int command, bool enabled) {
  for (HWND button : {mark_start_, mark_end_, live_}) {
    if (button != nullptr && GetDlgCtrlID(button) == command) EnableWindow(button, enabled);
  }
}

}  // namespace corvane
