// The small interfaces through which the application reaches a front end
// (window, view, dialogs, message boxes) and the commands reach the link and
// the setting, so that the application runs in tests without a modal
// dialog, a window or a serial port. Each front end implements them once;
// tests implement fakes.
//
// Threads: every call is made on the UI thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/picture_zoom.h"
#include "app/zoom_for_scale.h"
#include "link/network_address.h"
#include "screen/surface.h"

namespace corvane {

class OperatorMessages;
class ScreenDisplay;

// What a file dialog offers: the parameter files of the backups and
// restores, the PNG pictures the View menu saves, the recordings of
// File > Record Session, or the clips of File > Export Clip.
enum class FileKind { kParameters, kScreenImage, kRecording, kClip };

// A dialog's filter as both front ends show it: the text (which also names
// the pattern, as the toolkits expect), the pattern, and the suffix a name
// typed without one gets.
struct FileFilter {
  std::string_view text;
  std::string_view pattern;
  std::string_view suffix;
};

inline FileFilter FilterFor(FileKind kind) {
  // "*.SPB" in the text matches .spb in any case.
  switch (kind) {
    case FileKind::kScreenImage: return {"PNG Files (*.png)", "*.png", "png"};
    case FileKind::kRecording: return {"Corvane Recordings (*.cvr)", "*.cvr", "cvr"};
    // A name without an extension: the frames go into a new folder of
    // that name. Every build writes them.
    case FileKind::kClip: return {"PNG Frames, a New Folder (*)", "*", ""};
    case FileKind::kParameters: break;
  }
  return {"SPB Files (*.SPB)", "*.spb", "spb"};
}

// Every filter the dialog for `kind` offers, the first chosen at the
// start: FilterFor's one, but for a clip one per format this build writes
// (app/replay_export.cpp).
std::vector<FileFilter> FiltersFor(FileKind kind);

// Every parameter command asks with the same default name; only the title
// (the command's menu text) differs.
struct FileChooserRequest {
  std::string_view title;
  std::string_view default_name;
  FileKind kind = FileKind::kParameters;
};

struct FileChoice {
  std::filesystem::path path;  // the full path, exactly as chosen
  std::string title;           // the file's name without the directory, as UTF-8 text
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // Empty when the operator cancelled. The save dialog asks before it
  // lets the operator pick an existing file; the open dialog never asks.
  virtual std::optional<FileChoice> ChooseSaveFile(const FileChooserRequest& request) = 0;
  virtual std::optional<FileChoice> ChooseOpenFile(const FileChooserRequest& request) = 0;
};

class PortDialog {
 public:
  virtual ~PortDialog() = default;
  // Shows `current_port` for editing. The text in the edit box when the
  // operator pressed OK, or empty for Cancel.
  virtual std::optional<std::string> AskPortNumber(int current_port) = 0;
  // The Network Port dialog, opened on `current_address` (empty: none yet).
  // OK is taken only with fields that make an address
  // (app/network_port_entry.h), which is handed back; empty for Cancel.
  virtual std::optional<std::string> AskNetworkAddress(std::string_view current_address) = 0;
};

// The one setting, the COM port number, and the file that keeps it; and
// the device server's address, which, when there is one, the link uses
// instead (the settings store keeps it, never the file).
class PortSetting {
 public:
  virtual ~PortSetting() = default;
  virtual int Port() const = 0;
  virtual void SetPort(int port) = 0;
  // "rfc2217://host:port" or "socket://host:port"; empty for the COM port.
  virtual std::string NetworkAddress() const = 0;
  virtual void SetNetworkAddress(std::string address) = 0;
  // Writes the setting to the configuration file; the reason when it cannot
  // be written, empty on success.
  virtual std::error_code Save() = 0;
  // The file Save writes, for the operator's message when it fails.
  virtual std::filesystem::path FilePath() const = 0;
};

// The controller link as the commands see it.
class LinkControl {
 public:
  virtual ~LinkControl() = default;
  // How an open ended: empty when the link runs, else why the port cannot
  // be opened. A release or a later open that came first ends it with
  // OpenCancelled's reason, which is nobody's to report.
  using Opened = std::function<void(std::error_code)>;
  // Opens the port the setting names and starts the workers, then tells
  // `opened`, on the UI thread: for a COM port before this returns; for a
  // device server's address, which may take seconds to answer, later, so
  // that the window goes on meanwhile. Exactly once either way.
  virtual void OpenLink(Opened opened) = 0;
  // Ends the link, or an open under way; returns once both workers have
  // ended.
  virtual void ReleaseLink() = 0;
  // False before the first open, while one is under way, after a release,
  // and once the link went down by itself (the device vanished or failed).
  virtual bool LinkUp() const = 0;
  // True from the start of an open of a device server's address until
  // `opened` has been told.
  virtual bool Opening() const = 0;
};

// The reason an open was superseded (LinkControl::Opened).
inline bool OpenCancelled(const std::error_code& reason) {
  return reason == MakeErrorCode(NetworkError::kCancelled);
}

// The main window as the commands see it.
class WindowControl {
 public:
  virtual ~WindowControl() = default;
  // Sizes the window to the view and shows it.
  virtual void ShowWindow() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // The About box; `details` is one more line for the service technician.
  virtual void ShowAbout(const std::string& details) = 0;
  // Ends the program: the window goes, and with it the link.
  virtual void CloseWindow() = 0;
};

// The mirrored picture as the view shows it, for the View menu.
class PictureView {
 public:
  virtual ~PictureView() = default;
  // Copies the picture on screen now into `pixels` (Surface::kWidth x
  // Surface::kHeight, row-major), exactly as the decoder drew it: never a
  // grab of the window, so the zoom changes nothing. False before the
  // first picture arrived.
  virtual bool CopyShownPicture(std::vector<Pixel>& pixels) const = 0;
  // Lays the picture out at `mode` and checks that zoom's menu item; the
  // window keeps its size (ApplyZoom decides whether it follows).
  virtual void ShowZoom(ZoomMode mode) = 0;
  // True once the window is on the screen.
  virtual bool WindowShown() const = 0;
  // Brings the window, out of maximized or full screen first, to the size
  // of the whole picture at the zoom shown, as far as the monitor's work
  // area allows (FitWindowToWorkArea).
  virtual void SizeWindowToPicture() = 0;
  // The monitor the window is on, or opens on before it is shown: the
  // scale its desktop draws at and the room its work area has.
  virtual MonitorScale WindowMonitor() const = 0;
  // Checks or unchecks the Draw While Receiving item.
  virtual void CheckDrawWhileReceiving(bool on) = 0;
};

// The window's menu items and the replay bar's buttons, greyed while their
// command has nothing to act on (CommandEnabled, app/menu_table.h).
class MenuItems {
 public:
  virtual ~MenuItems() = default;
  virtual void EnableCommand(int command, bool enabled) = 0;
};

// The system clipboard, for a copy of the picture.
class ImageClipboard {
 public:
  virtual ~ImageClipboard() = default;
  // Puts `width` x `height` pixels (row-major) on the clipboard as a
  // picture in place of what it held; the reason when the clipboard could
  // not be had, empty on success.
  virtual std::error_code PutPicture(std::span<const Pixel> pixels, int width, int height) = 0;
};

// The platform's store for the program's own preferences (the zoom): the
// user's settings, never config.dpm, which holds the port line only.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The value stored under `key`; none when nothing is.
  virtual std::optional<std::string> ReadSetting(std::string_view key) const = 0;
  // A preference that cannot be stored costs the operator only a menu
  // click after the next start, so a failure is not reported.
  virtual void WriteSetting(std::string_view key, std::string_view value) = 0;
};

// The front end's event loop as the application sees it: work handed to
// the UI thread now or a little later.
class UiScheduler {
 public:
  virtual ~UiScheduler() = default;
  // Any thread. Runs `task` on the UI thread soon, unless the front end has
  // gone by then.
  virtual void Post(std::function<void()> task) = 0;
  // UI thread. Runs `task` on the UI thread after `delay`, unless the front
  // end has gone by then.
  virtual void PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) = 0;
};

// One front end as the application sees it. Every part lives as long as
// the Program it is handed to.
struct FrontEnd {
  WindowControl& window;
  ScreenDisplay& display;  // the view; called from the receiver thread
  FileChooser& chooser;
  PortDialog& port_dialog;
  OperatorMessages& messages;  // called from any thread
  UiScheduler& scheduler;
  PictureView& picture;
  ImageClipboard& clipboard;
  SettingsStore& settings;
};

}  // namespace corvane
