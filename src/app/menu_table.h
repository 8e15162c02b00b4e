// The main window's menu as the operator sees it: menus, submenus, item
// texts with their mnemonics ("&" marks the letter), order, and the command
// identifier each item raises. The window builds its menu bar from this
// table and hands every identifier to the one dispatch table (commands.h).
//
// Threads: read-only data, any thread.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "app/picture_zoom.h"

namespace corvane {

// Command identifiers. They are the keys of the dispatch table; the gaps
// (32774, 32796) are deliberate: no item raises them.
namespace command_id {
inline constexpr int kAbout = 104;
inline constexpr int kExit = 105;
inline constexpr int kCommPort = 32771;
inline constexpr int kRestoreAll = 32772;
inline constexpr int kBackupAll = 32773;
// Backup station 1..8: 32775..32782.
inline constexpr int kBackupStation1 = 32775;
// Restore to station 1..8 in menu order. Station 6 carries 32799, not 32796.
inline constexpr int kRestoreStation[8] = {32791, 32792, 32793, 32794, 32795, 32799, 32797, 32798};
// The View menu's items, clear of every identifier above.
inline constexpr int kSaveScreenImage = 32810;
inline constexpr int kCopyScreenImage = 32811;
inline constexpr int kZoom100 = 32812;
inline constexpr int kZoom150 = 32813;
inline constexpr int kZoom200 = 32814;
inline constexpr int kZoomFit = 32815;
// A check item of its own, off until chosen.
inline constexpr int kDrawWhileReceiving = 32816;
// File > Record Session... and Stop Recording.
inline constexpr int kRecordSession = 32820;
inline constexpr int kStopRecording = 32821;
// File > Open Recording... and Back to Live; the replay bar's play/pause
// and speeds raise the four after them.
inline constexpr int kOpenRecording = 32822;
inline constexpr int kBackToLive = 32823;
inline constexpr int kReplayPlayPause = 32824;
inline constexpr int kReplaySpeed1 = 32825;
inline constexpr int kReplaySpeed10 = 32826;
inline constexpr int kReplaySpeed100 = 32827;
// Config > Network Port..., after COMM Port.
inline constexpr int kNetworkPort = 32830;
// File > Export Clip... (the marked stretch of the recording replayed), and
// the replay bar's marks of that stretch's start and end.
inline constexpr int kExportClip = 32840;
inline constexpr int kReplayMarkStart = 32841;
inline constexpr int kReplayMarkEnd = 32842;
}  // namespace command_id

// What the window is doing, as far as it greys items that would have
// nothing to act on.
struct MenuConditions {
  // A recording is in the window, from Open Recording... to Back to Live.
  bool replaying = false;
  // ... and it has been read through, so its stretch can be marked and
  // exported.
  bool recording_shown = false;
};

// Whether the item (or replay bar button) that raises `command` can be
// chosen under `now`. Only the commands of ConditionalCommands are ever
// greyed.
bool CommandEnabled(int command, const MenuConditions& now);
std::span<const int> ConditionalCommands();

// The zoom items form one radio group, the item of the current zoom
// checked: the item of each zoom, and the zoom an item chooses (none for
// the items outside the group).
int ZoomCommand(ZoomMode mode);
std::optional<ZoomMode> ZoomOfCommand(int command);

// One entry of a menu: an item that raises `command`, or (command == 0) a
// submenu whose entries are `children`, or (command == 0, no text, no
// children) a separator line.
struct MenuEntry {
  std::string_view text;
  int command = 0;
  std::span<const MenuEntry> children = {};

  bool IsSeparator() const { return command == 0 && text.empty() && children.empty(); }
};

// The menu bar, left to right: "&File", "&Config", "&View", "&Help".
std::span<const MenuEntry> MainMenu();

// The menu text of the item that raises `command`, as the table spells it;
// empty when no item raises it. The file dialogs use it as their title (the
// backup and restore items carry no mnemonic).
std::string_view MenuTextOf(int command);

}  // namespace corvane
