#include "win32/message_boxes.h"

#include "win32/wide_text.h"

namespace corvane {

void MessageBoxes::Attach(HWND owner) {
  owner_.store(owner, std::memory_order_release);
  PostMessageA(owner, kShowMessage, 0, 0);
}

void MessageBoxes::Show(const OperatorMessage& message) {
  {
    std::lock_guard lock(mutex_);
    waiting_.push_back(message);
  }
  // A worker never waits for the operator: the box opens on the UI thread.
  const HWND owner = owner_.load(std::memory_order_acquire);
  if (owner != nullptr) PostMessageA(owner, kShowMessage, 0, 0);
}

void MessageBoxes::ShowWaiting() {
  if (showing_) return;  // the box on screen shows the rest when it closes
  showing_ = true;
  for (;;) {
    OperatorMessage message;
    {
      std::lock_guard lock(mutex_);
      if (waiting_.empty()) break;
      message = std::move(waiting_.front());
      waiting_.pop_front();
    }
    const HWND owner = owner_.load(std::memory_order_acquire);
    const UINT icon = message.icon == MessageIcon::kWarning ? MB_ICONWARNING : 0;
    // A box without an owner blocks nothing: the window and its menus stay
    // usable, so the operator can go straight to the port dialog.
    MessageBoxW(message.owned ? owner : nullptr, WideFromUtf8(message.text).c_str(),
                WideFromUtf8(message.caption).c_str(), MB_OK | icon);
  }
  showing_ = false;
}

}  // namespace corvane
