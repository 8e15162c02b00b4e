// The application's work handed to the UI thread (front_end.h's
// UiScheduler): posted messages for "now", window timers for "later".
//
// Threads: Post from any thread; everything else on the UI thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "app/front_end.h"

namespace corvane {

class UiTasks : public UiScheduler {
 public:
  // Posted to the window when tasks wait; the window calls RunPosted.
  static constexpr UINT kRunMessage = WM_APP + 3;

  // UI thread.
  void Attach(HWND window) { window_.store(window, std::memory_order_release); }
  // UI thread, when the window goes: pending work is dropped.
  void Detach();

  void Post(std::function<void()> task) override;
  void PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) override;

  // UI thread. Runs what was posted.
  void RunPosted();
  // UI thread, on WM_TIMER. False for a timer that is not ours.
  bool RunTimer(UINT_PTR timer);

 private:
  static constexpr UINT_PTR kFirstTimer = 1000;

  std::atomic<HWND> window_{nullptr};
  std::mutex mutex_;
  std::deque<std::function<void()>> posted_;  // guarded by mutex_
  // UI thread only.
  std::map<UINT_PTR, std::function<void()>> delayed_;
  UINT_PTR next_timer_ = kFirstTimer;
};

}  // namespace corvane
