// The replay's controls along the bottom of the main window's client area,
// shown while a recording is replayed: play/pause, the three speeds, the
// timeline (a trackbar), where the replay is, the recorded time, the marks
// of the stretch to export and Back to Live. The buttons carry the menu
// table's replay identifiers, so they reach the dispatch table through
// WM_COMMAND like menu items; the trackbar's WM_HSCROLL seeks.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "app/replay_session.h"

namespace corvane {

class ReplayBar : public ReplayControls {
 public:
  // The strip's height in client pixels.
  static constexpr int kHeight = 30;

  // Creates the controls, hidden, as children of `window`.
  void Attach(HWND window);
  void SetSeekHandler(std::function<void(uint64_t)> handler) { seek_ = std::move(handler); }
  // Runs when the bar comes or goes: the window makes room for it.
  void SetShownHandler(std::function<void()> handler) { shown_handler_ = std::move(handler); }
  bool Shown() const { return shown_; }
  // WM_SIZE: lays the controls out along the bottom of the client area.
  void Layout();
  // WM_HSCROLL from `control`: true when it was the timeline (and seeks).
  bool OnScroll(HWND control);
  // Greys or ungreys the button that raises `command`, if the bar has one.
  void EnableCommand(int command, bool enabled);

  // ReplayControls.
  void ShowReplayControls(bool shown) override;
  void ShowReplayState(const ReplayState& state) override;

 private:
  HWND window_ = nullptr;
  HWND play_ = nullptr;
  HWND speeds_[3] = {};
  HWND timeline_ = nullptr;
  HWND position_ = nullptr;
  HWND recorded_time_ = nullptr;
  HWND mark_start_ = nullptr;
  HWND mark_end_ = nullptr;
  HWND stretch_ = nullptr;
  HWND live_ = nullptr;
  bool shown_ = false;
  std::function<void(uint64_t)> seek_;
  std::function<void()> shown_handler_;
};

}  // namespace corvane
