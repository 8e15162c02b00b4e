// The menu table: the View menu's place, texts and identifiers, clear of
// every identifier the other menus raise.
#include "app/menu_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace corvane {
namespace {

void CollectCommands(std::span<const MenuEntry> entries, std::vector<int>& out) {
  for (const MenuEntry& entry : entries) {
    if (entry.command != 0) out.push_back(entry.command);
    CollectCommands(entry.children, out);
  }
}

TEST(MenuTable, ViewMenuSitsBetweenConfigAndHelpWithItsItems) {
  std::vector<std::string> bar;
  for (const MenuEntry& top : MainMenu()) bar.emplace_back(top.text);
  EXPECT_EQ(bar, (std::vector<std::string>{"&File", "&Config", "&View", "&Help"}));

  const std::span<const MenuEntry> view = MainMenu()[2].children;
  std::vector<std::string> items;
  for (const MenuEntry& entry : view) {
    items.push_back(
        entry.IsSeparator() ? "-" : std::string(entry.text) + "=" + std::to_string(entry.command));
  }
  EXPECT_EQ(items,
            (std::vector<std::string>{"Save Screen Image...=32810", "Copy Screen Image=32811", "-",
                                      "100 %=32812", "150 %=32813", "200 %=32814",
                                      "Fit to Window=32815", "-", "Draw While Receiving=32816"}));
}

TEST(MenuTable, TheRecordingItemsSitBetweenRestoreAndExitSetOffBySeparators) {
  std::vector<std::string> items;
  for (const MenuEntry& entry : MainMenu()[0].children) {
    items.push_back(entry.IsSeparator() ? "-" : std::string(entry.text));
  }
  EXPECT_EQ(items, (std::vector<std::string>{"Backup", "Restore", "-", "Record Session...",
                                             "Stop Recording", "-", "Open Recording...",
                                             "Back to Live", "Export Clip...", "-", "E&xit"}));
  for (int command : {command_id::kRecordSession, command_id::kStopRecording,
                      command_id::kOpenRecording, command_id::kBackToLive, command_id::kExportClip,
                      command_id::kReplayMarkStart, command_id::kReplayMarkEnd}) {
    EXPECT_FALSE(command >= 32771 && command <= 32816) << command;
  }
}

TEST(MenuTable, TheReplayItemsAreGreyWhileTheyHaveNothingToActOn) {
  const MenuConditions live{false, false};
  const MenuConditions opening{true, false};
  const MenuConditions shown{true, true};
  using namespace command_id;
  for (int command : {kBackToLive, kExportClip, kReplayMarkStart, kReplayMarkEnd}) {
    EXPECT_FALSE(CommandEnabled(command, live)) << command;
    EXPECT_TRUE(CommandEnabled(command, shown)) << command;
  }
  // A recording still being read through can be left, not yet exported.
  EXPECT_TRUE(CommandEnabled(kBackToLive, opening));
  EXPECT_FALSE(CommandEnabled(kExportClip, opening));
  EXPECT_TRUE(CommandEnabled(kOpenRecording, live));
  EXPECT_TRUE(CommandEnabled(kExit, opening));
}

TEST(MenuTable, EveryItemHasItsOwnIdentifierAndTheNewOnesMissTheOldRange) {
  std::vector<int> commands;
  CollectCommands(MainMenu(), commands);
  EXPECT_EQ(std::set<int>(commands.begin(), commands.end()).size(), commands.size());

  std::vector<int> view;
  CollectCommands(MainMenu()[2].children, view);
  ASSERT_EQ(view.size(), 7u);
  for (int command : view) {
    SCOPED_TRACE(command);
    EXPECT_NE(command, command_id::kAbout);
    EXPECT_NE(command, command_id::kExit);
    EXPECT_FALSE(command >= 32771 && command <= 32799);
  }

  for (ZoomMode mode : {ZoomMode::k100, ZoomMode::k150, ZoomMode::k200, ZoomMode::kFit}) {
    EXPECT_EQ(ZoomOfCommand(ZoomCommand(mode)), mode);
  }
  EXPECT_FALSE(ZoomOfCommand(command_id::kSaveScreenImage));
  EXPECT_EQ(MenuTextOf(command_id::kZoomFit), "Fit to Window");
}

}  // namespace
}  // namespace corvane
