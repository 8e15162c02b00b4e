// The Win32 program: the application's Program with the native front end
// attached (main window, view, file and port dialogs, message boxes,
// tasks, clipboard and registry settings). WinMain builds one.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include <filesystem>

#include "app/program.h"
#include "win32/file_dialogs.h"
#include "win32/image_clipboard.h"
#include "win32/main_window.h"
#include "win32/message_boxes.h"
#include "win32/port_dialog.h"
#include "win32/replay_bar.h"
#include "win32/screen_view.h"
#include "win32/settings_store.h"
#include "win32/ui_tasks.h"

namespace corvane {

class Win32Program {
 public:
  // `base_directory` holds config.dpm.
  Win32Program(HINSTANCE instance, int show_command, std::filesystem::path base_directory);
  ~Win32Program();
  Win32Program(const Win32Program&) = delete;
  Win32Program& operator=(const Win32Program&) = delete;

  // Creates the window and attaches the front end. False when the window
  // cannot be created; nothing else has started then.
  bool Create();
  // Shows the window and opens the link on the configured port.
  bool Start() { return program_.Start(); }
  // Until the window is gone; the exit code.
  int Run() { return window_.RunMessageLoop(); }

 private:
  // The parts the workers call are declared before the program, so that
  // they go after it: the program's destructor joins the workers.
  ScreenView view_;
  MessageBoxes messages_;
  UiTasks tasks_;
  FileDialogs file_dialogs_;
  CommPortDialog port_dialog_;
  Win32ImageClipboard clipboard_;
  RegistrySettingsStore settings_;
  ReplayBar replay_bar_;
  Program program_;
  MainWindow window_;
};

}  // namespace corvane
