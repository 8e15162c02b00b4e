// The main window: one window class and its procedure, the menu bar built
// from the application's menu table (same texts, mnemonics and command
// identifiers; the zoom items a radio group), the view as its client area,
// sized to the picture at its zoom, keys and left clicks handed to the
// keypad (a click through the zoom, back to the picture pixel under it). Menu items and the About
// accelerators raise command identifiers; the composition root hands them to the dispatch table.
//
// Threads: UI thread only. The parts that the workers call (view, message
// boxes, tasks) post to this window; it routes their messages back to them.
#pragma once

#include <windows.h>

#include <functional>

#include "app/front_end.h"

namespace corvane {

class Keypad;
class MessageBoxes;
class ReplayBar;
class ScreenView;
class UiTasks;

// The window's class name, also the title before a port or file is named.
// A Unicode window: its caption names a file in any letters.
inline constexpr wchar_t kWindowClassName[] = L"Corvane";

struct MainWindowParts {
  Keypad& keypad;
  ScreenView& view;
  MessageBoxes& messages;
  UiTasks& tasks;
  ReplayBar& replay;
};

class MainWindow : public WindowControl, public PictureView, public MenuItems {
 public:
  MainWindow(HINSTANCE instance, int show_command, MainWindowParts parts);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Registers the class and creates the window with its menu; not shown
  // yet. False when it cannot be created.
  bool Create();
  HWND Handle() const { return window_; }

  // Every command an item or accelerator raises goes here; true when it
  // was one of ours.
  void SetCommandHandler(std::function<bool(int)> handler) {
    command_handler_ = std::move(handler);
  }
  // Runs once, when the window is destroyed (by Exit or by its close box),
  // before the message loop ends.
  void SetCloseHandler(std::function<void()> handler) { close_handler_ = std::move(handler); }

  // The message loop, with the About accelerators; returns the exit code.
  int RunMessageLoop();

  // WindowControl.
  void ShowWindow() override;
  void SetCaption(const std::string& caption) override;
  void ShowAbout(const std::string& details) override;
  void CloseWindow() override;

  // PictureView.
  bool CopyShownPicture(std::vector<Pixel>& pixels) const override;
  void ShowZoom(ZoomMode mode) override;
  bool WindowShown() const override;
  void SizeWindowToPicture() override;
  MonitorScale WindowMonitor() const override;
  void CheckDrawWhileReceiving(bool on) override;

  // MenuItems: the menu's item and the replay bar's button alike.
  void EnableCommand(int command, bool enabled) override;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void OnDestroy();
  // Sizes the window so that its client area holds the status line and the
  // picture at the view's zoom, as far as the monitor's work area allows,
  // and moves it back onto that area when it would stick out.
  void SizeToPicture();

  HINSTANCE instance_;
  int show_command_;
  MainWindowParts parts_;
  HWND window_ = nullptr;
  std::function<bool(int)> command_handler_;
  std::function<void()> close_handler_;
};

}  // namespace corvane
