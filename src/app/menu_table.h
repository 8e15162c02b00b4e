// The main window's menu as the operator sees it: menus, submenus, item
// texts with their mnemonics ("&" marks the letter), order, and the command
// identifier each item raises. The window builds its menu bar from this
// table and hands every identifier to the one dispatch table (commands.h).
//
// Threads: read-only data, any thread.
#pragma once

#include <span>
#include <string_view>

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
}  // namespace command_id

// One entry of a menu: an item that raises `command`, or (command == 0) a
// submenu whose entries are `children`.
struct MenuEntry {
  std::string_view text;
  int command = 0;
  std::span<const MenuEntry> children = {};
};

// The menu bar, left to right: "&File", "&Config", "&Help".
std::span<const MenuEntry> MainMenu();

// The menu text of the item that raises `command`, as the table spells it;
// empty when no item raises it. The file dialogs use it as their title (the
// backup and restore items carry no mnemonic).
std::string_view MenuTextOf(int command);

}  // namespace corvane
