// From the toolkit's key events to the platform virtual-key codes the
// keypad and the controller's key table are written in.
//
// The mapping works from QKeyEvent::key() and modifiers() alone: the native
// scan code and virtual key are 0 under the offscreen platform, and on X11
// the native "virtual key" is the shifted keysym, so neither can be trusted.
//
// Threads: pure, any thread (the view calls it on the UI thread).
#pragma once

#include <QtCore/qnamespace.h>

#include "keypad/virtual_keys.h"

namespace corvane {

enum class KeyRoute {
  // Goes to Keypad::ForwardKey with `virtual_key`, which sends its code or
  // nothing and records it as the last key-down either way.
  kKeypad,
  // Belongs to the menus (Alt and everything pressed with it, and F10): it
  // reaches neither the controller nor the keypad's last key-down.
  kMenus,
};

struct MappedKey {
  KeyRoute route = KeyRoute::kKeypad;
  // 0 for a key the platform numbering has no code for; forwarded anyway,
  // since any key-down other than Ctrl disarms the Ctrl codes.
  VirtualKey virtual_key = 0;

  friend bool operator==(const MappedKey&, const MappedKey&) = default;
};

// `key` is QKeyEvent::key(); `modifiers` its modifiers(). Shift and Caps
// Lock never change the code of a letter or a main-keyboard digit: the US
// shifted symbols ("!" for Shift+1, ">" for Shift+.) map back to their key.
// KeypadModifier selects the numeric keypad's codes.
MappedKey MapQtKey(int key, Qt::KeyboardModifiers modifiers);

}  // namespace corvane
