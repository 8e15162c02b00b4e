// The menu commands: one dispatch table keyed by command identifier, and
// the logic behind each command (backups, restores, the port dialog's OK,
// the About box, Exit, and the View menu's screen images and zoom). Dialogs, the window and the
// link are reached through front_end.h, so the table runs in tests as it runs in the
// program.
//
// Threads: UI thread only. The records it touches (counters, capture,
// restore request, transmit queue) guard themselves against the workers.
#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "app/front_end.h"

namespace corvane {

class CaptureState;
class OperatorMessages;
class RestoreRequest;
struct StatusCounters;

// The pause between releasing the old link and opening the new one.
inline constexpr std::chrono::milliseconds kReopenPause{200};

struct CommandParts {
  StatusCounters& counters;
  CaptureState& capture;
  RestoreRequest& restore;
  OperatorMessages& messages;
  LinkControl& link;
  PortSetting& port;
  FileChooser& chooser;
  PortDialog& port_dialog;
  WindowControl& window;
  PictureView& picture;
  ImageClipboard& clipboard;
  SettingsStore& settings;
  // Stands in for the 200 ms sleep before a reopen; tests record instead.
  std::function<void(std::chrono::milliseconds)> pause;
  // The About box's line for the service technician; none when empty.
  std::function<std::string()> about_details = {};
  // The local date and time a saved picture is named after; the system's
  // clock when empty (tests set it).
  std::function<std::tm()> local_time = {};
  // Turns drawing while receiving on or off in the receiver; nothing when
  // empty.
  std::function<void(bool)> draw_while_receiving = {};
  // File > Record Session... and Stop Recording (app/session_recording.h);
  // nothing when empty.
  std::function<void()> record_session = {};
  std::function<void()> stop_recording = {};
};

// Shows the picture at `mode`. Fit to Window follows the window; a fixed
// zoom brings the window to the picture once it is shown (before that,
// showing it sizes it).
void ApplyZoom(PictureView& view, ZoomMode mode);

class CommandDispatch {
 public:
  explicit CommandDispatch(CommandParts parts);
  CommandDispatch(const CommandDispatch&) = delete;
  CommandDispatch& operator=(const CommandDispatch&) = delete;

  // Runs the command an item raised. False for an identifier no item
  // raises (nothing happens).
  bool Run(int command);
  bool Handles(int command) const { return table_.contains(command); }
  // A command whose logic lives with its own record (the replay's), so the
  // table needs no part for it.
  void Add(int command, std::function<void()> run) { table_[command] = std::move(run); }

  // What the port dialog's OK does with the edit box's text: a number from
  // 1 to 100 that differs from the current one is stored, the link moves to
  // it and the file is rewritten (a file that cannot be written is
  // reported, the port changes all the same); the same number reopens a link that is
  // down and otherwise leaves it alone. Either way the caption then names
  // the port. On a device server, any number from 1 to 100 goes back to the
  // COM port and the settings store forgets the address. Anything else
  // changes nothing.
  void ApplyPortNumber(std::string_view text);
  // What the Network Port dialog's OK does with the address it made: a new
  // one is stored and remembered in the settings store, and the link moves
  // to it; the same one reopens a link that is down. Either way the caption
  // then names it. An address no link could open changes nothing.
  void ApplyNetworkAddress(const std::string& address);

  // The zoom the settings store remembers, applied to the view; when it
  // holds none (or a value this program never wrote), the zoom nearest the
  // monitor's scale that its work area holds. Start-up calls it before the
  // window is shown.
  void RestoreZoom();
  // Drawing while receiving as the settings store remembers it (off when it
  // holds nothing this program wrote), to the receiver and the menu.
  void RestoreDrawWhileReceiving();

 private:
  // True (and the operator told) when no link is up.
  bool RefuseWhileDown(std::string_view refused);
  void Backup(int station, int command);
  void Restore(int command, std::optional<uint16_t> station_index);
  void CommPort();
  void NetworkPort();
  void Exit();
  void ReopenLink();
  void SaveScreenImage();
  void CopyScreenImage();
  void ChooseZoom(ZoomMode mode);
  void SetDrawWhileReceiving(bool on);

  CommandParts parts_;
  bool draw_while_receiving_ = false;
  std::map<int, std::function<void()>> table_;
};

}  // namespace corvane
