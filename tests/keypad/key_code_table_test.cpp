#include "keypad/key_code_table.h"

#include <gtest/gtest.h>

#include <map>

namespace corvane {
namespace {

// The controller's key table written out key by key: virtual-key code, the
// code the key sends, and the code it sends right after Ctrl.
struct Row {
  uint32_t vk;
  int plain;
  int ctrl;
};
constexpr Row kTable[] = {
    {8, 37, 37},     {9, 9, 9},       {13, 13, 13},    {32, 32, 32},    {37, 37, 37},
    {38, 38, 38},    {39, 39, 39},    {40, 40, 40},    {48, 48, 48},    {49, 49, 140},
    {50, 50, 141},   {51, 51, 142},   {52, 52, 143},   {53, 53, 144},   {54, 54, 145},
    {55, 55, 146},   {56, 56, 147},   {57, 57, 148},   {65, 65, 121},   {66, 66, 66},
    {67, 67, 67},    {68, 68, 122},   {69, 69, 69},    {70, 70, 70},    {71, 71, 71},
    {72, 72, 72},    {73, 73, 73},    {74, 74, 74},    {75, 75, 75},    {76, 76, 76},
    {77, 77, 123},   {78, 78, 78},    {79, 79, 79},    {80, 80, 80},    {81, 81, 81},
    {82, 82, 82},    {83, 83, 83},    {84, 84, 84},    {85, 85, 85},    {86, 86, 86},
    {87, 87, 87},    {88, 88, 88},    {89, 89, 89},    {90, 90, 90},    {112, 112, 112},
    {113, 113, 113}, {114, 114, 114}, {115, 115, 115}, {116, 116, 116}, {117, 117, 117},
    {118, 118, 118}, {119, 119, 119}, {120, 120, 120}, {190, 190, 190},
};

TEST(KeyCodeTable, EveryListedKeyAndNothingElse) {
  std::map<uint32_t, Row> expected;
  for (const Row& row : kTable) expected[row.vk] = row;
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
    EXPECT_EQ(*plain, it->second.plain) << "vk " << vk;
    EXPECT_EQ(*ctrl, it->second.ctrl) << "vk " << vk << " after Ctrl";
  }
}

TEST(KeyCodeTable, EdgesOfTheTableAndOfEachRun) {
  // The first and last keys listed, and the lowest and highest codes sent.
  EXPECT_EQ(KeyCodeTable(8, false), 37);
  EXPECT_EQ(KeyCodeTable(9, false), 9);
  EXPECT_EQ(KeyCodeTable(190, false), 190);
  EXPECT_EQ(KeyCodeTable(57, true), 148);
  // Just outside the table, each run of keys, and the table's storage.
  for (const uint32_t vk : {0u,  7u,  10u, 12u,  14u,  31u,  33u,  36u,  41u,  47u,
                            58u, 64u, 91u, 111u, 121u, 189u, 191u, 255u, 256u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(KeyCodeTable(vk, false).has_value()) << vk;
    EXPECT_FALSE(KeyCodeTable(vk, true).has_value()) << vk;
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
