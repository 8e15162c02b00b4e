// The key codes: the one byte a key or a soft key sends the controller. The
// keypad maps the operator's keys and clicks onto them and mirelon-sim reads
// them, so both spell them from here.
//
// Most keys send their own virtual-key number (virtual_keys.h); Backspace
// sends Left's, and the Ctrl variants and the soft keys send codes of their
// own.
#pragma once

#include <cstdint>

#include "keypad/virtual_keys.h"

namespace corvane {

// One byte, 9 to 190, that names a key or soft key to the controller.
using KeyCode = uint8_t;

// The soft keys S1 to S8 above the controller's screen.
inline constexpr int kSoftKeyCount = 8;

namespace key {

inline constexpr KeyCode kTab = kVkTab;
inline constexpr KeyCode kEnter = kVkReturn;
inline constexpr KeyCode kSpace = kVkSpace;
inline constexpr KeyCode kLeft = kVkLeft;  // also what Backspace sends
inline constexpr KeyCode kUp = kVkUp;
inline constexpr KeyCode kRight = kVkRight;
inline constexpr KeyCode kDown = kVkDown;
inline constexpr KeyCode kDigit0 = kVk0;  // "0" to "9" are 48 to 57
inline constexpr KeyCode kDigit9 = kVk9;
inline constexpr KeyCode kLetterA = kVkA;  // "A" to "Z" are 65 to 90
inline constexpr KeyCode kLetterZ = kVkZ;
inline constexpr KeyCode kF1 = kVkF1;  // F1 to F9 are 112 to 120
inline constexpr KeyCode kF9 = kVkF9;
inline constexpr KeyCode kFullStop = kVkOemPeriod;

// Ctrl with A, D and M. The controller reuses the numbers F10 to F12 would
// have had; it has no keys of those names.
inline constexpr KeyCode kCtrlA = 121;
inline constexpr KeyCode kCtrlD = 122;
inline constexpr KeyCode kCtrlM = 123;

// Ctrl with digit 1 to 9 sends 140 to 148.
constexpr KeyCode CtrlDigit(int digit) { return static_cast<KeyCode>(139 + digit); }
inline constexpr KeyCode kCtrl1 = CtrlDigit(1);
inline constexpr KeyCode kCtrl9 = CtrlDigit(9);

// Soft key n (1 to 8) sends what Ctrl with digit n sends: the controller
// cannot tell a click from the keys.
constexpr KeyCode SoftKey(int n) { return CtrlDigit(n); }

}  // namespace key
}  // namespace corvane
