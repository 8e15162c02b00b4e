// The Qt program: the application's Program with the Qt front end attached
// (main window, view, file and port dialogs, message boxes, clipboard and
// settings store). main() builds
// one; the in-process tests build one with stand-ins for the modal dialogs.
//
// Threads: UI thread only.
#pragma once

#include <filesystem>
#include <memory>

#include "app/program.h"
#include "qt/file_chooser.h"
#include "qt/image_clipboard.h"
#include "qt/main_window.h"
#include "qt/message_boxes.h"
#include "qt/port_dialog.h"
#include "qt/settings_store.h"
#include "qt/ui_scheduler.h"

namespace corvane {

class ScreenView;

struct QtProgramOptions {
  // Where "config.dpm" and the "com<n>" device entries live.
  std::filesystem::path base_directory;
  // Stand-ins for the modal dialogs (tests); the toolkit's when null.
  FileChooser* chooser = nullptr;
  PortDialog* port_dialog = nullptr;
  OperatorMessages* messages = nullptr;
  // The silence after which the mirror asks again (tests shorten it).
  std::chrono::milliseconds quiet_time = kQuietTime;
};

class QtProgram {
 public:
  explicit QtProgram(QtProgramOptions options);
  ~QtProgram();
  QtProgram(const QtProgram&) = delete;
  QtProgram& operator=(const QtProgram&) = delete;

  bool Start() { return program_.Start(); }
  void Shutdown() { program_.Shutdown(); }

  Program& App() { return program_; }
  MainWindow& Window() { return *window_; }
  ScreenView& View() { return *window_->View(); }
  CommandDispatch& Dispatch() { return program_.Dispatch(); }
  AppConfig& Config() { return program_.Config(); }
  TransmitQueue& Queue() { return program_.Queue(); }
  StatusCounters& Counters() { return program_.Counters(); }
  CaptureState& Capture() { return program_.Capture(); }
  RestoreRequest& Restore() { return program_.Restore(); }
  SerialLink& Link() { return program_.Link(); }
  Keypad& KeypadRecord() { return program_.KeypadRecord(); }
  ReadConfigResult ConfigReadResult() const { return program_.ConfigReadResult(); }

 private:
  // Declared first so that it goes last: the window and the boxes outlive
  // the link's workers, which the program's destructor joins.
  Program program_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<MessageBoxes> own_messages_;
  std::unique_ptr<QtFileChooser> own_chooser_;
  std::unique_ptr<QtPortDialog> own_port_dialog_;
  std::unique_ptr<QtUiScheduler> scheduler_;
  QtImageClipboard clipboard_;
  QtSettingsStore settings_;
};

}  // namespace corvane
