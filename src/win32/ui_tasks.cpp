#include "win32/ui_tasks.h"

namespace corvane {

void UiTasks::Detach() {
  const HWND window = window_.exchange(nullptr, std::memory_order_acq_rel);
  for (const auto& [timer, task] : delayed_) {
    if (window != nullptr) KillTimer(window, timer);
  }
  delayed_.clear();
  std::lock_guard lock(mutex_);
  posted_.clear();
}

void UiTasks::Post(std::function<void()> task) {
  const HWND window = window_.load(std::memory_order_acquire);
  if (window == nullptr) return;
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    first = posted_.empty();
    posted_.push_back(std::move(task));
  }
  // One message carries everything queued before it is handled.
  if (first) PostMessageA(window, kRunMessage, 0, 0);
}

void UiTasks::PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) {
  const HWND window = window_.load(std::memory_order_acquire);
  if (window == nullptr) return;
  const UINT_PTR timer = next_timer_++;
  if (SetTimer(window, timer, static_cast<UINT>(delay.count()), nullptr) == 0) return;
  delayed_[timer] = std::move(task);
}

void UiTasks::RunPosted() {
  std::deque<std::function<void()>> tasks;
  {
    std::lock_guard lock(mutex_);
    tasks.swap(posted_);
  }
  for (auto& task : tasks) {
    if (window_.load(std::memory_order_acquire) == nullptr) return;
    task();
  }
}

bool UiTasks::RunTimer(UINT_PTR timer) {
  const auto found = delayed_.find(timer);
  if (found == delayed_.end()) return false;
  KillTimer(window_.load(std::memory_order_acquire), timer);
  // Out of the table before it runs: the task may post the next one.
  std::function<void()> task = std::move(found->second);
  delayed_.erase(found);
  task();
  return true;
}

}  // namespace corvane
