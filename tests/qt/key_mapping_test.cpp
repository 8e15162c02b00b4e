#include "qt/key_mapping.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

MappedKey Forward(VirtualKey vk) { return {KeyRoute::kKeypad, vk}; }
constexpr MappedKey kMenus{KeyRoute::kMenus, 0};

TEST(KeyMapping, ShiftedSymbolsOfTheMainKeyboardAreTheirDigitKeys) {
  const int shifted[10] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                           Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                           Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                           Qt::Key_ParenLeft};
  for (int digit = 0; digit <= 9; ++digit) {
    SCOPED_TRACE(digit);
    EXPECT_EQ(MapQtKey(Qt::Key_0 + digit, Qt::NoModifier), Forward(VkDigit(digit)));
    EXPECT_EQ(MapQtKey(shifted[digit], Qt::ShiftModifier), Forward(VkDigit(digit)));
  }
  EXPECT_EQ(MapQtKey(Qt::Key_Greater, Qt::ShiftModifier), Forward(kVkOemPeriod));
  EXPECT_EQ(MapQtKey(Qt::Key_Period, Qt::NoModifier), Forward(kVkOemPeriod));
}

TEST(KeyMapping, LettersKeepTheirCodeWithShiftCtrlAndCapsLock) {
  for (int key = Qt::Key_A; key <= Qt::Key_Z; ++key) {
    const MappedKey expected = Forward(static_cast<VirtualKey>('A' + (key - Qt::Key_A)));
    EXPECT_EQ(MapQtKey(key, Qt::NoModifier), expected);
    EXPECT_EQ(MapQtKey(key, Qt::ShiftModifier), expected);
    EXPECT_EQ(MapQtKey(key, Qt::ControlModifier | Qt::ShiftModifier), expected);
  }
}

TEST(KeyMapping, NumericKeypadHasItsOwnCodes) {
  for (int digit = 0; digit <= 9; ++digit) {
    EXPECT_EQ(MapQtKey(Qt::Key_0 + digit, Qt::KeypadModifier), Forward(VkNumpad(digit)));
  }
  EXPECT_EQ(MapQtKey(Qt::Key_Period, Qt::KeypadModifier), Forward(kVkDecimal));
  EXPECT_EQ(MapQtKey(Qt::Key_Asterisk, Qt::KeypadModifier), Forward(kVkMultiply));
  EXPECT_EQ(MapQtKey(Qt::Key_Plus, Qt::KeypadModifier), Forward(kVkAdd));
  EXPECT_EQ(MapQtKey(Qt::Key_Minus, Qt::KeypadModifier), Forward(kVkSubtract));
  EXPECT_EQ(MapQtKey(Qt::Key_Slash, Qt::KeypadModifier), Forward(kVkDivide));
  // Keypad Enter is Enter; with Num Lock off the keypad's arrows are arrows.
  EXPECT_EQ(MapQtKey(Qt::Key_Enter, Qt::KeypadModifier), Forward(kVkReturn));
  EXPECT_EQ(MapQtKey(Qt::Key_Left, Qt::KeypadModifier), Forward(kVkLeft));
  EXPECT_EQ(MapQtKey(Qt::Key_Up, Qt::KeypadModifier), Forward(kVkUp));
  EXPECT_EQ(MapQtKey(Qt::Key_Right, Qt::KeypadModifier), Forward(kVkRight));
  EXPECT_EQ(MapQtKey(Qt::Key_Down, Qt::KeypadModifier), Forward(kVkDown));
  EXPECT_EQ(MapQtKey(Qt::Key_Home, Qt::KeypadModifier), Forward(kVkHome));
}

TEST(KeyMapping, ControllerKeysOfTheMainKeyboard) {
  EXPECT_EQ(MapQtKey(Qt::Key_Backspace, Qt::NoModifier), Forward(kVkBack));
  EXPECT_EQ(MapQtKey(Qt::Key_Tab, Qt::NoModifier), Forward(kVkTab));
  EXPECT_EQ(MapQtKey(Qt::Key_Backtab, Qt::ShiftModifier), Forward(kVkTab));
  EXPECT_EQ(MapQtKey(Qt::Key_Return, Qt::NoModifier), Forward(kVkReturn));
  EXPECT_EQ(MapQtKey(Qt::Key_Space, Qt::NoModifier), Forward(kVkSpace));
  EXPECT_EQ(MapQtKey(Qt::Key_Left, Qt::NoModifier), Forward(kVkLeft));
  EXPECT_EQ(MapQtKey(Qt::Key_Down, Qt::NoModifier), Forward(kVkDown));
  for (int n = 1; n <= 9; ++n) {
    EXPECT_EQ(MapQtKey(Qt::Key_F1 + n - 1, Qt::NoModifier), Forward(VkFunction(n)));
  }
}

TEST(KeyMapping, ModifierAndLockKeysAreKeyDownsOfTheirOwn) {
  // They send nothing, but the keypad must see them: Ctrl arms the Ctrl
  // codes, Shift and Num Lock disarm them.
  EXPECT_EQ(MapQtKey(Qt::Key_Control, Qt::ControlModifier), Forward(kVkControl));
  EXPECT_EQ(MapQtKey(Qt::Key_Shift, Qt::ShiftModifier), Forward(kVkShift));
  EXPECT_EQ(MapQtKey(Qt::Key_CapsLock, Qt::NoModifier), Forward(kVkCapital));
  EXPECT_EQ(MapQtKey(Qt::Key_NumLock, Qt::NoModifier), Forward(144));
  EXPECT_EQ(MapQtKey(Qt::Key_F11, Qt::NoModifier), Forward(VkFunction(11)));
  EXPECT_EQ(MapQtKey(Qt::Key_F12, Qt::NoModifier), Forward(kVkF12));
  // A key the platform numbering lacks still counts as a key-down.
  EXPECT_EQ(MapQtKey(Qt::Key_VolumeUp, Qt::NoModifier), Forward(0));
  // Ctrl with a digit stays the digit: the keypad picks the Ctrl code.
  EXPECT_EQ(MapQtKey(Qt::Key_1, Qt::ControlModifier), Forward(VkDigit(1)));
}

// What xcb reports for keys of French (AZERTY) and German (QWERTZ)
// keyboards: the toolkit's key for what was typed, and the X keycode.
TEST(KeyMapping, XKeycodeNamesTheDigitKeysAndTheLayoutNamesTheLetters) {
  constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
  constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
  constexpr Qt::KeyboardModifiers kAltGr = Qt::GroupSwitchModifier;
  struct Case {
    const char* what;
    int key;
    Qt::KeyboardModifiers modifiers;
    uint32_t x_keycode;
    MappedKey expected;
  };
  const Case cases[] = {
      {"fr: & on the 1 key", Qt::Key_Ampersand, kNone, 10, Forward(VkDigit(1))},
      {"fr: Shift+1", Qt::Key_1, kShift, 10, Forward(VkDigit(1))},
      {"fr: Ctrl then the 1 key", Qt::Key_Ampersand, Qt::ControlModifier, 10, Forward(VkDigit(1))},
      {"fr: a on the 0 key", Qt::Key_Agrave, kNone, 19, Forward(VkDigit(0))},
      {"fr: AltGr+0 types @", Qt::Key_At, kAltGr, 19, Forward(VkDigit(0))},
      {"de: Shift+0 types =", Qt::Key_Equal, kShift, 19, Forward(VkDigit(0))},
      {"de: z where US has y", Qt::Key_Z, kNone, 29, Forward(VkLetter('Z'))},
      {"de: y where US has z", Qt::Key_Y, kNone, 52, Forward(VkLetter('Y'))},
      {"fr: a where US has q", Qt::Key_A, kShift, 24, Forward(VkLetter('A'))},
      {"de: AltGr+q types @, not a 2", Qt::Key_At, kAltGr, 24, Forward(0)},
      {"fr: ; under the full stop", Qt::Key_Semicolon, kNone, 59, Forward(kVkOemPeriod)},
      {"fr: Shift gives the full stop", Qt::Key_Period, kShift, 59, Forward(kVkOemPeriod)},
      {"fr: : where US has the full stop", Qt::Key_Colon, kNone, 60, Forward(0)},
      {"de: full stop", Qt::Key_Period, kNone, 60, Forward(kVkOemPeriod)},
      {"de: Shift+. types :", Qt::Key_Colon, kShift, 60, Forward(kVkOemPeriod)},
      {"de: Shift+, types ;", Qt::Key_Semicolon, kShift, 59, Forward(0)},
      {"us: Shift+. types >", Qt::Key_Greater, kShift, 60, Forward(kVkOemPeriod)},
      {"keypad 1 with Num Lock", Qt::Key_1, Qt::KeypadModifier, 87, Forward(VkNumpad(1))},
      {"Alt with the 1 key", Qt::Key_Ampersand, Qt::AltModifier, 10, kMenus},
      // No X keycode: the key is read as on a US keyboard, where & is Shift+7.
      {"no keycode: &", Qt::Key_Ampersand, kShift, 0, Forward(VkDigit(7))},
      {"no keycode: z", Qt::Key_Z, kNone, 0, Forward(VkLetter('Z'))},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MapQtKey(c.key, c.modifiers, c.x_keycode), c.expected) << c.what;
  }
}

TEST(KeyMapping, AltAndF10BelongToTheMenus) {
  EXPECT_EQ(MapQtKey(Qt::Key_Alt, Qt::AltModifier), kMenus);
  EXPECT_EQ(MapQtKey(Qt::Key_Slash, Qt::AltModifier), kMenus);
  EXPECT_EQ(MapQtKey(Qt::Key_Question, Qt::AltModifier | Qt::ShiftModifier), kMenus);
  EXPECT_EQ(MapQtKey(Qt::Key_F, Qt::AltModifier), kMenus);
  EXPECT_EQ(MapQtKey(Qt::Key_1, Qt::AltModifier | Qt::ControlModifier), kMenus);
  EXPECT_EQ(MapQtKey(Qt::Key_F10, Qt::NoModifier), kMenus);
}

}  // namespace
}  // namespace corvane
