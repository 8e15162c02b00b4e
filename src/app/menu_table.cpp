#include "app/menu_table.h"

namespace corvane {
namespace {

using namespace command_id;

constexpr MenuEntry kBackupMenu[] = {
    {"Backup All Station Parameters", kBackupAll},
    {"Backup Station 1 Parameters", kBackupStation1 + 0},
    {"Backup Station 2 Parameters", kBackupStation1 + 1},
    {"Backup Station 3 Parameters", kBackupStation1 + 2},
    {"Backup Station 4 Parameters", kBackupStation1 + 3},
    {"Backup Station 5 Parameters", kBackupStation1 + 4},
    {"Backup Station 6 Parameters", kBackupStation1 + 5},
    {"Backup Station 7 Parameters", kBackupStation1 + 6},
    {"Backup Station 8 Parameters", kBackupStation1 + 7},
};

constexpr MenuEntry kPartialRestoreMenu[] = {
    {"Restore Parameters to Station 1", kRestoreStation[0]},
    {"Restore Parameters to Station 2", kRestoreStation[1]},
    {"Restore Parameters to Station 3", kRestoreStation[2]},
    {"Restore Parameters to Station 4", kRestoreStation[3]},
    {"Restore Parameters to Station 5", kRestoreStation[4]},
    {"Restore Parameters to Station 6", kRestoreStation[5]},
    {"Restore Parameters to Station 7", kRestoreStation[6]},
    {"Restore Parameters to Station 8", kRestoreStation[7]},
};

constexpr MenuEntry kRestoreMenu[] = {
    {"Restore All Station Parameters", kRestoreAll},
    {"Partial Station Restore", 0, kPartialRestoreMenu},
};

constexpr MenuEntry kFileMenu[] = {
    {"Backup", 0, kBackupMenu},
    {"Restore", 0, kRestoreMenu},
    {""},
    {"Record Session...", kRecordSession},
    {"Stop Recording", kStopRecording},
    {""},
    {"Open Recording...", kOpenRecording},
    {"Back to Live", kBackToLive},
    {"Export Clip...", kExportClip},
    {""},
    {"E&xit", kExit},
};

constexpr MenuEntry kConfigMenu[] = {
    {"&COMM Port", kCommPort},
    {"&Network Port...", kNetworkPort},
};

constexpr MenuEntry kViewMenu[] = {
    {"Save Screen Image...", kSaveScreenImage},
    {"Copy Screen Image", kCopyScreenImage},
    {""},
    {"100 %", kZoom100},
    {"150 %", kZoom150},
    {"200 %", kZoom200},
    {"Fit to Window", kZoomFit},
    {""},
    {"Draw While Receiving", kDrawWhileReceiving},
};

constexpr MenuEntry kHelpMenu[] = {
    {"&About ...", kAbout},
};

constexpr MenuEntry kMenuBar[] = {
    {"&File", 0, kFileMenu},
    {"&Config", 0, kConfigMenu},
    {"&View", 0, kViewMenu},
    {"&Help", 0, kHelpMenu},
};

std::string_view FindText(std::span<const MenuEntry> entries, int command) {
  for (const MenuEntry& entry : entries) {
    if (entry.command == 0) {
      std::string_view found = FindText(entry.children, command);
      if (!found.empty()) return found;
    } else if (entry.command == command) {
      return entry.text;
    }
  }
  return {};
}

}  // namespace

std::span<const MenuEntry> MainMenu() { return kMenuBar; }

int ZoomCommand(ZoomMode mode) {
  switch (mode) {
    case ZoomMode::k100: return kZoom100;
    case ZoomMode::k150: return kZoom150;
    case ZoomMode::k200: return kZoom200;
    case ZoomMode::kFit: return kZoomFit;
  }
  return kZoom100;
}

std::optional<ZoomMode> ZoomOfCommand(int command) {
  for (ZoomMode mode : kZoomModes) {
    if (ZoomCommand(mode) == command) return mode;
  }
  return std::nullopt;
}

std::string_view MenuTextOf(int command) { return FindText(kMenuBar, command); }

bool CommandEnabled(int command, const MenuConditions& now) {
  switch (command) {
    // Live, there is nothing to go back to.
    case kBackToLive: return now.replaying;
    case kExportClip:
    case kReplayMarkStart:
    case kReplayMarkEnd: return now.recording_shown;
    default: return true;
  }
}

std::span<const int> ConditionalCommands() {
  static constexpr int kCommands[] = {kBackToLive, kExportClip, kReplayMarkStart, kReplayMarkEnd};
  return kCommands;
}

}  // namespace corvane
