#include "qt/key_mapping.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace corvane {
namespace {

// Platform codes the keypad never sends but the mapping still hands on, so
// that a key-down of them disarms the Ctrl codes as it does on the
// controller's home platform.
namespace more_vk {
inline constexpr VirtualKey kClear = 12;
inline constexpr VirtualKey kSnapshot = 44;
inline constexpr VirtualKey kLeftWindows = 91;
inline constexpr VirtualKey kApps = 93;
inline constexpr VirtualKey kNumLock = 144;
inline constexpr VirtualKey kScroll = 145;
inline constexpr VirtualKey kOemSemicolon = 186;  // ";:"
inline constexpr VirtualKey kOemSlash = 191;      // "/?"
inline constexpr VirtualKey kOemTilde = 192;      // "`~"
inline constexpr VirtualKey kOemOpenBracket = 219;
inline constexpr VirtualKey kOemBackslash = 220;
inline constexpr VirtualKey kOemCloseBracket = 221;
inline constexpr VirtualKey kOemQuote = 222;
}  // namespace more_vk

MappedKey Keypad(VirtualKey vk) { return {KeyRoute::kKeypad, vk}; }

// Keys whose code does not depend on the keypad modifier.
VirtualKey CommonKey(int key) {
  switch (key) {
    case Qt::Key_Backspace: return kVkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return kVkTab;  // Shift+Tab is still the Tab key
    case Qt::Key_Return:
    case Qt::Key_Enter: return kVkReturn;  // keypad Enter is Enter
    case Qt::Key_Space: return kVkSpace;
    case Qt::Key_Left: return kVkLeft;
    case Qt::Key_Up: return kVkUp;
    case Qt::Key_Right: return kVkRight;
    case Qt::Key_Down: return kVkDown;
    case Qt::Key_PageUp: return kVkPrior;
    case Qt::Key_PageDown: return kVkNext;
    case Qt::Key_Home: return kVkHome;
    case Qt::Key_End: return kVkEnd;
    case Qt::Key_Insert: return kVkInsert;
    case Qt::Key_Delete: return kVkDelete;
    case Qt::Key_Clear: return more_vk::kClear;
    case Qt::Key_Escape: return kVkEscape;
    case Qt::Key_Pause: return kVkPause;
    case Qt::Key_Print: return more_vk::kSnapshot;
    case Qt::Key_Shift: return kVkShift;
    case Qt::Key_Control: return kVkControl;
    case Qt::Key_Meta: return more_vk::kLeftWindows;
    case Qt::Key_Menu: return more_vk::kApps;
    case Qt::Key_CapsLock: return kVkCapital;
    case Qt::Key_NumLock: return more_vk::kNumLock;
    case Qt::Key_ScrollLock: return more_vk::kScroll;
    default: return 0;
  }
}

// The numeric keypad with Num Lock on; with it off, the keypad's keys
// arrive as arrows, Home, Delete and so on, which CommonKey names.
VirtualKey NumericKeypadKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return VkNumpad(key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Period:
    case Qt::Key_Comma: return kVkDecimal;  // the decimal key of some layouts
    case Qt::Key_Asterisk: return kVkMultiply;
    case Qt::Key_Plus: return kVkAdd;
    case Qt::Key_Minus: return kVkSubtract;
    case Qt::Key_Slash: return kVkDivide;
    default: return CommonKey(key);
  }
}

// Letters, function keys and the keys every layout names alike.
VirtualKey LayoutFreeKey(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return VkLetter(static_cast<char>(key));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VkFunction(key - Qt::Key_F1 + 1);
  return CommonKey(key);
}

// X keycodes (evdev code + 8) of the keys whose place says what they are.
constexpr uint32_t kXKeycodeDigit1 = 10;  // 1 to 9, then 0 at 19
constexpr uint32_t kXKeycodeDigit0 = 19;
constexpr uint32_t kXKeycodeUsComma = 59;     // AZERTY: ";" and "."
constexpr uint32_t kXKeycodeUsFullStop = 60;  // QWERTZ: "." and ":"; AZERTY: ":" and "/"

// The full stop key of the layout, from what it typed this time (see the
// header for why the other character of the key counts too).
bool IsFullStopKey(int key, Qt::KeyboardModifiers modifiers, uint32_t x_keycode) {
  const bool shift = modifiers & Qt::ShiftModifier;
  switch (key) {
    case Qt::Key_Period: return true;
    case Qt::Key_Greater: return x_keycode == kXKeycodeUsFullStop;
    case Qt::Key_Colon: return x_keycode == kXKeycodeUsFullStop && shift;
    case Qt::Key_Semicolon: return x_keycode == kXKeycodeUsComma && !shift;
    default: return false;
  }
}

// The main keyboard of whatever layout is active, told by its X keycode.
// Punctuation other than the full stop has no code here: the table never
// sends one, and naming it by a US keycap would be a guess.
VirtualKey PhysicalMainKeyboardKey(int key, Qt::KeyboardModifiers modifiers, uint32_t x_keycode) {
  if (x_keycode >= kXKeycodeDigit1 && x_keycode <= kXKeycodeDigit0) {
    return VkDigit(static_cast<int>(x_keycode - kXKeycodeDigit1 + 1) % 10);
  }
  if (IsFullStopKey(key, modifiers, x_keycode)) return kVkOemPeriod;
  return LayoutFreeKey(key);
}

// The main keyboard, read as a US layout: a shifted symbol is the key it is
// printed on, so Shift never changes what the controller receives.
VirtualKey UsMainKeyboardKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return VkDigit(key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Exclam: return VkDigit(1);
    case Qt::Key_At: return VkDigit(2);
    case Qt::Key_NumberSign: return VkDigit(3);
    case Qt::Key_Dollar: return VkDigit(4);
    case Qt::Key_Percent: return VkDigit(5);
    case Qt::Key_AsciiCircum: return VkDigit(6);
    case Qt::Key_Ampersand: return VkDigit(7);
    case Qt::Key_Asterisk: return VkDigit(8);
    case Qt::Key_ParenLeft: return VkDigit(9);
    case Qt::Key_ParenRight: return VkDigit(0);
    case Qt::Key_Period:
    case Qt::Key_Greater: return kVkOemPeriod;
    case Qt::Key_Comma:
    case Qt::Key_Less: return kVkOemComma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return kVkOemMinus;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return kVkOemPlus;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return more_vk::kOemSemicolon;
    case Qt::Key_Slash:
    case Qt::Key_Question: return more_vk::kOemSlash;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return more_vk::kOemTilde;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return more_vk::kOemOpenBracket;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return more_vk::kOemBackslash;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return more_vk::kOemCloseBracket;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return more_vk::kOemQuote;
    default: return LayoutFreeKey(key);
  }
}

}  // namespace

MappedKey MapQtKey(int key, Qt::KeyboardModifiers modifiers, uint32_t x_keycode) {
  // Alt and whatever is pressed with it are the menus' (mnemonics and the
  // About accelerators); F10 is the platform's menu key. The controller's
  // home platform delivers both as system keys that never reach the keypad.
  if (key == Qt::Key_Alt || key == Qt::Key_AltGr || (modifiers & Qt::AltModifier) ||
      key == Qt::Key_F10) {
    return {KeyRoute::kMenus, 0};
  }
  if (modifiers & Qt::KeypadModifier) return Keypad(NumericKeypadKey(key));
  if (x_keycode != 0) return Keypad(PhysicalMainKeyboardKey(key, modifiers, x_keycode));
  return Keypad(UsMainKeyboardKey(key));
}

MappedKey MapKeyEvent(const QKeyEvent& event) {
  const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
  return MapQtKey(event.key(), event.modifiers(), x11 ? event.nativeScanCode() : 0);
}

}  // namespace corvane
