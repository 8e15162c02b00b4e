#include "keypad/keypad.h"

#include "keypad/soft_key_areas.h"

namespace corvane {

ForwardResult Keypad::Enqueue(std::optional<KeyCode> code) {
  ForwardResult result{code, false};
  if (code) result.refused = queue_.EnqueueByte(*code) != EnqueueResult::kAppended;
  return result;
}

ForwardResult Keypad::ForwardKey(uint16_t virtual_key) {
  if (held_) return {};
  const std::optional<KeyCode> code = KeyCodeTable(virtual_key, last_key_down_ == kVkControl);
  // Updated for every key-down, sent or not: this is all the Ctrl rule
  // remembers.
  last_key_down_ = virtual_key;
  return Enqueue(code);
}

ForwardResult Keypad::ForwardClick(uint16_t x, uint16_t y) {
  if (held_) return {};
  click_ = {x, y};
  return Enqueue(SoftKeyAreas(x, y));
}

}  // namespace corvane
