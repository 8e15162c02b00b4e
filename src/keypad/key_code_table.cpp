#include "keypad/key_code_table.h"

#include <array>

namespace corvane {

namespace {

struct KeyCodes {
  KeyCode plain = 0;  // 0: the key sends nothing
  KeyCode ctrl = 0;
};

// Indexed by virtual-key code; every code the table lists is below 256.
constexpr std::array<KeyCodes, 256> kKeyCodes = [] {
  std::array<KeyCodes, 256> table{};
  auto set = [&table](VirtualKey key, KeyCode plain, KeyCode ctrl) {
    table[key] = {plain, ctrl};
  };
  auto same = [&set](VirtualKey key) {
    set(key, static_cast<KeyCode>(key), static_cast<KeyCode>(key));
  };
  // The controller has no backspace: it takes the key as a left move.
  set(kVkBack, kVkLeft, kVkLeft);
  for (const VirtualKey key : {kVkTab, kVkReturn, kVkSpace, kVkLeft, kVkUp, kVkRight, kVkDown,
                               kVkOemPeriod}) {
    same(key);
  }
  // Ctrl with 1 to 9 gives 140 to 148, the codes the soft keys also send;
  // Ctrl with 0 is just 0.
  same(kVk0);
  for (int d = 1; d <= 9; ++d) {
    set(VkDigit(d), static_cast<KeyCode>(VkDigit(d)), static_cast<KeyCode>(139 + d));
  }
  for (VirtualKey key = kVkA; key <= kVkZ; ++key) same(key);
  set(VkLetter('A'), 'A', 121);
  set(VkLetter('D'), 'D', 122);
  set(VkLetter('M'), 'M', 123);
  for (VirtualKey key = kVkF1; key <= kVkF9; ++key) same(key);
  return table;
}();

}  // namespace

std::optional<KeyCode> KeyCodeTable(uint32_t virtual_key, bool after_ctrl) {
  if (virtual_key >= kKeyCodes.size()) return std::nullopt;
  const KeyCodes& codes = kKeyCodes[virtual_key];
  if (codes.plain == 0) return std::nullopt;
  return after_ctrl ? codes.ctrl : codes.plain;
}

}  // namespace corvane
