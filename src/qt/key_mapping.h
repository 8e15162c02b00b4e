// From the toolkit's key events to the platform virtual-key codes the
// keypad and the controller's key table are written in.
//
// Which key the operator pressed, on a keyboard that need not be a US one:
//
// - The digit keys of the top row go by where they are. Every keyboard
//   prints 1 to 0 on that row, but AZERTY types "&", "é", ... there without
//   Shift, QWERTZ has "!" over 1 and "=" over 0, AltGr adds "@", "{" or dead
//   keys. The controller wants the digit the key is printed with, so under
//   X11 we take the X keycode (10 to 19 are 1 to 9 and 0) and ignore what it
//   types. This is also how the controller's home platform numbers them.
// - Letters go by the layout: the "z" of a QWERTZ keyboard sends Z although
//   it sits where a US keyboard has Y, the "a" of AZERTY sends A. Operators
//   look for the letter on the keycap, not for a US position. Shift and Caps
//   Lock change nothing. AltGr with a letter types a third character ("@" on
//   the German Q, "€" on E) and sends what that character is, which is no
//   key of the controller. A layout without Latin letters sends no letters.
// - The full stop goes by the character too, because the layouts do not
//   agree on where it is: US and QWERTZ have it left of "/" or "-", AZERTY
//   has it over ";" one key further left, where a US keyboard has the comma.
//   As with the digits, Shift must not change what the key sends, so its
//   other character counts as well: ">" (US, UK) and ":" with Shift
//   (QWERTZ, Nordic, Spanish, Italian) on the US full-stop key, ";" without
//   Shift on the AZERTY one. The AZERTY ":" key, where US has the full stop,
//   sends nothing.
// - Everything else (Enter, Tab, arrows, F-keys, the numeric keypad with
//   KeypadModifier, Ctrl, Shift) goes by the toolkit's key, which names
//   these keys alike on every layout.
//
// Where no X keycode is known (the offscreen platform of the tests, Wayland,
// where the code is not ours to interpret, or a code of 0) the mapping reads
// the key as if the layout were US: a shifted symbol is the key it is printed
// on there ("!" is 1, ">" the full stop). Neither the native virtual key
// (under X11 the keysym of what was typed, shifted) nor the text helps.
//
// Threads: pure, any thread (the view calls it on the UI thread).
#pragma once

#include <QtCore/qnamespace.h>

#include <cstdint>

#include "keypad/virtual_keys.h"

class QKeyEvent;

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

// `key` is QKeyEvent::key(); `modifiers` its modifiers(); `x_keycode` the X
// keycode of the key (nativeScanCode() under X11) or 0 where there is none
// to trust. KeypadModifier selects the numeric keypad's codes.
MappedKey MapQtKey(int key, Qt::KeyboardModifiers modifiers, uint32_t x_keycode = 0);

// MapQtKey for an event of the running program: the event's scan code is
// taken for an X keycode only on the X11 platform.
MappedKey MapKeyEvent(const QKeyEvent& event);

}  // namespace corvane
