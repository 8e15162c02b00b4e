#include "keypad/key_code_table.h"

#include <gtest/gtest.h>

#include <map>

namespace corvane {
namespace {

// The controller's key table, written out key by key: virtual-key code to
// {plain code, code after Ctrl}.
std::map<uint32_t, std::pair<int, int>> ExpectedTable() {
  std::map<uint32_t, std::pair<int, int>> table = {
      {8, {37, 37}},   {9, {9, 9}},     {13, {13, 13}},  {32, {32, 32}},   {37, {37, 37}},
      {38, {38, 38}},  {39, {39, 39}},  {40, {40, 40}},  {48, {48, 48}},   {190, {190, 190}},
  };
  for (int d = 1; d <= 9; ++d) table[48u + d] = {48 + d, 139 + d};
  for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<uint32_t>(c)] = {c, c};
  table['A'] = {'A', 121};
  table['D'] = {'D', 122};
  table['M'] = {'M', 123};
  for (int f = 112; f <= 120; ++f) table[static_cast<uint32_t>(f)] = {f, f};
  return table;
}

TEST(KeyCodeTable, EveryListedKeyAndNothingElse) {
  const auto expected = ExpectedTable();
  for (uint32_t vk = 0; vk < 70000; ++vk) {
    const auto plain = KeyCodeTable(vk, false);
    const auto ctrl = KeyCodeTable(vk, true);
    const auto it = expected.find(vk);
    if (it == expected.end()) {
      EXPECT_FALSE(plain.has_value()) << "vk " << vk;
      EXPECT_FALSE(ctrl.has_value()) << "vk " << vk;
      continue;
    }
    ASSERT_TRUE(plain && ctrl) << "vk " << vk;
    EXPECT_EQ(*plain, it->second.first) << "vk " << vk;
    EXPECT_EQ(*ctrl, it->second.second) << "vk " << vk << " after Ctrl";
  }
}

TEST(KeyCodeTable, NamedCases) {
  EXPECT_EQ(KeyCodeTable(kVkBack, false), KeyCodeTable(kVkLeft, false));
  EXPECT_EQ(KeyCodeTable(VkDigit(1), true), 140);
  EXPECT_EQ(KeyCodeTable(VkDigit(9), true), 148);
  EXPECT_EQ(KeyCodeTable(VkDigit(0), true), 48);
  EXPECT_EQ(KeyCodeTable(VkLetter('B'), true), 66);
  // F10 to F12, the numeric keypad, the modifiers themselves: nothing.
  for (const VirtualKey vk : {kVkF10, VirtualKey(kVkF10 + 1), kVkF12, VkNumpad(0), VkNumpad(9),
                              kVkShift, kVkControl, kVkMenu, kVkEscape, kVkDelete}) {
    EXPECT_FALSE(KeyCodeTable(vk, false).has_value()) << vk;
  }
}

}  // namespace
}  // namespace corvane
