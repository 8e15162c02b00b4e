// The operator-message seam for the running program: every message the
// core, the link workers or the commands raise becomes a message box on
// the UI thread, one at a time, in the order raised.
//
// Threads: Show from any thread; it only queues and posts. Attach and
// ShowWaiting run on the UI thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>

#include "link/operator_messages.h"

namespace corvane {

class MessageBoxes : public OperatorMessages {
 public:
  // Posted to the window when a message waits; the window calls
  // ShowWaiting.
  static constexpr UINT kShowMessage = WM_APP + 2;

  // UI thread. Boxes raised before are shown now.
  void Attach(HWND owner);
  // UI thread, when the window goes.
  void Detach() { owner_.store(nullptr, std::memory_order_release); }

  void Show(const OperatorMessage& message) override;

  // UI thread. Shows the waiting boxes in order. A box runs its own message
  // loop, so the mirror keeps running behind it; a message raised meanwhile
  // waits for this box to close instead of stacking on top of it.
  void ShowWaiting();

 private:
  std::atomic<HWND> owner_{nullptr};
  std::mutex mutex_;
  std::deque<OperatorMessage> waiting_;  // guarded by mutex_
  bool showing_ = false;                 // UI thread only
};

}  // namespace corvane
