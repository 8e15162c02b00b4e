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
  auto set = [&table](VirtualKey vk, KeyCode plain, KeyCode ctrl) { table[vk] = {plain, ctrl}; };
  // Most keys send their own virtual-key number, some another with Ctrl.
  auto with_ctrl = [&set](VirtualKey vk, KeyCode ctrl) { set(vk, static_cast<KeyCode>(vk), ctrl); };
  auto same = [&with_ctrl](VirtualKey vk) { with_ctrl(vk, static_cast<KeyCode>(vk)); };
  // The controller has no backspace: it takes the key as a left move.
  set(kVkBack, key::kLeft, key::kLeft);
  for (const VirtualKey vk :
       {kVkTab, kVkReturn, kVkSpace, kVkLeft, kVkUp, kVkRight, kVkDown, kVkOemPeriod}) {
    same(vk);
  }
  // Ctrl with 1 to 9 sends the codes the soft keys also send; Ctrl with 0
  // is just 0.
  same(kVk0);
  for (int d = 1; d <= 9; ++d) {
    with_ctrl(VkDigit(d), key::CtrlDigit(d));
  }
  for (VirtualKey vk = kVkA; vk <= kVkZ; ++vk) same(vk);
  with_ctrl(VkLetter('A'), key::kCtrlA);
  with_ctrl(VkLetter('D'), key::kCtrlD);
  with_ctrl(VkLetter('M'), key::kCtrlM);
  for (VirtualKey vk = kVkF1; vk <= kVkF9; ++vk) same(vk);
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
