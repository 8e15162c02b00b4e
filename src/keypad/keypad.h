// The remote keypad: turns the operator's key-downs and left clicks in the
// main window into key codes for the controller, one byte at most each.
//
// Threads: the UI thread alone calls ForwardKey and ForwardClick and owns
// LastKeyDown and the click position; the queue is shared with the link
// workers and guards itself. Neither call ever waits: when the queue is
// full the code is refused and the caller is told.
#pragma once

#include <cstdint>
#include <optional>

#include "keypad/key_code_table.h"
#include "link/transmit_queue.h"

namespace corvane {

struct ForwardResult {
  // The code the key or click maps to; empty when it maps to nothing.
  std::optional<KeyCode> code;
  // The code was refused because the transmit queue is full; it is lost.
  bool refused = false;

  bool Sent() const { return code.has_value() && !refused; }
};

struct ClickPosition {
  uint16_t x = 0;
  uint16_t y = 0;
};

class Keypad {
 public:
  explicit Keypad(TransmitQueue& queue) : queue_(queue) {}
  Keypad(const Keypad&) = delete;
  Keypad& operator=(const Keypad&) = delete;

  // Every key-down of the main window, auto-repeats included, with its
  // virtual-key code. Ctrl's own key-down sends nothing but arms the Ctrl
  // codes for the next key-down; any other key-down disarms them. Key
  // releases are never seen, so Ctrl pressed and released still arms.
  ForwardResult ForwardKey(uint16_t virtual_key);
  // Every left-button press, in client coordinates of the main window.
  ForwardResult ForwardClick(uint16_t x, uint16_t y);

  // While the window replays a recording its keys and clicks go nowhere:
  // the picture they would answer is not the controller's.
  void SetHeld(bool held) { held_ = held; }
  bool Held() const { return held_; }

  uint32_t LastKeyDown() const { return last_key_down_; }
  ClickPosition LastClick() const { return click_; }

 private:
  ForwardResult Enqueue(std::optional<KeyCode> code);

  TransmitQueue& queue_;
  uint32_t last_key_down_ = 0;
  ClickPosition click_;
  bool held_ = false;
};

}  // namespace corvane
