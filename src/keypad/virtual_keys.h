// The platform's virtual-key numbering, as the controller's key table is
// written in it. The keypad looks keys up by these codes, and the shell maps
// its toolkit's key events onto them, so both spell them from here.
//
// The names follow the platform's VK_ constants with a kVk prefix, so that
// this header can sit beside the platform's own headers without clashing
// with their macros.
#pragma once

#include <cstdint>

namespace corvane {

using VirtualKey = uint16_t;

inline constexpr VirtualKey kVkBack = 8;
inline constexpr VirtualKey kVkTab = 9;
inline constexpr VirtualKey kVkReturn = 13;
inline constexpr VirtualKey kVkShift = 16;
inline constexpr VirtualKey kVkControl = 17;
inline constexpr VirtualKey kVkMenu = 18;  // Alt
inline constexpr VirtualKey kVkPause = 19;
inline constexpr VirtualKey kVkCapital = 20;  // Caps Lock
inline constexpr VirtualKey kVkEscape = 27;
inline constexpr VirtualKey kVkSpace = 32;
inline constexpr VirtualKey kVkPrior = 33;  // Page Up
inline constexpr VirtualKey kVkNext = 34;   // Page Down
inline constexpr VirtualKey kVkEnd = 35;
inline constexpr VirtualKey kVkHome = 36;
inline constexpr VirtualKey kVkLeft = 37;
inline constexpr VirtualKey kVkUp = 38;
inline constexpr VirtualKey kVkRight = 39;
inline constexpr VirtualKey kVkDown = 40;
inline constexpr VirtualKey kVkInsert = 45;
inline constexpr VirtualKey kVkDelete = 46;
// The digit and letter keys of the main keyboard are their ASCII codes:
// "0" to "9" are 48 to 57, "A" to "Z" are 65 to 90, whatever Shift or
// Caps Lock say.
inline constexpr VirtualKey kVk0 = '0';
inline constexpr VirtualKey kVk9 = '9';
inline constexpr VirtualKey kVkA = 'A';
inline constexpr VirtualKey kVkZ = 'Z';
inline constexpr VirtualKey kVkNumpad0 = 96;
inline constexpr VirtualKey kVkNumpad9 = 105;
inline constexpr VirtualKey kVkMultiply = 106;
inline constexpr VirtualKey kVkAdd = 107;
inline constexpr VirtualKey kVkSubtract = 109;
inline constexpr VirtualKey kVkDecimal = 110;
inline constexpr VirtualKey kVkDivide = 111;
inline constexpr VirtualKey kVkF1 = 112;
inline constexpr VirtualKey kVkF9 = 120;
inline constexpr VirtualKey kVkF10 = 121;
inline constexpr VirtualKey kVkF12 = 123;
inline constexpr VirtualKey kVkOemPlus = 187;
inline constexpr VirtualKey kVkOemComma = 188;
inline constexpr VirtualKey kVkOemMinus = 189;
inline constexpr VirtualKey kVkOemPeriod = 190;  // full stop of the main keyboard

// Digit d (0 to 9) of the main keyboard, letter "A" to "Z", function key Fn
// (1 to 12), digit d (0 to 9) of the numeric keypad.
constexpr VirtualKey VkDigit(int d) { return static_cast<VirtualKey>(kVk0 + d); }
constexpr VirtualKey VkLetter(char upper) { return static_cast<VirtualKey>(upper); }
constexpr VirtualKey VkFunction(int n) { return static_cast<VirtualKey>(kVkF1 + n - 1); }
constexpr VirtualKey VkNumpad(int d) { return static_cast<VirtualKey>(kVkNumpad0 + d); }

}  // namespace corvane
