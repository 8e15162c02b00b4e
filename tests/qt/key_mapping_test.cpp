#include "qt/key_mapping.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

MappedKey Forward(VirtualKey vk) { return {KeyRoute::kKeypad, vk}; }
constexpr MappedKey kMenus{KeyRoute::kMenus, 0};

TEST(KeyMapping, ShiftedSymbolsOfTheMainKeyboardAreTheirDigitKeys) {
  const int shifted[10] = {Qt::Key_ParenRight, Qt::Key_Exclam,     Qt::Key_At,
                           Qt::Key_NumberSign, Qt::Key_Dollar,     Qt::Key_Percent,
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
