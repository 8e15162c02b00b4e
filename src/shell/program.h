// The composition root: the one instance of every record the running
// program has, wired together in start-up order, and the shutdown that
// releases the link and closes a backup file.
//
// Threads: built, started and destroyed on the UI thread. The link's
// workers run between Start and the window's close; the destructor
// releases the link before any record the workers use goes.
#pragma once

#include <filesystem>
#include <memory>

#include "keypad/keypad.h"
#include "link/receiver.h"
#include "link/serial_link.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"
#include "screen/surface.h"
#include "shell/app_config.h"
#include "shell/commands.h"
#include "shell/file_chooser.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"
#include "shell/port_dialog.h"

namespace corvane {

struct ProgramOptions {
  // Where "config.dpm" and the "com<n>" device entries live: the working
  // directory in the program, a scratch directory in tests.
  std::filesystem::path base_directory;
  // Stand-ins for the modal dialogs (tests); the toolkit's when null.
  FileChooser* chooser = nullptr;
  PortDialog* port_dialog = nullptr;
  OperatorMessages* messages = nullptr;
};

class Program {
 public:
  explicit Program(ProgramOptions options);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Sizes the window to the view and shows it, then opens the link on the
  // configured port and names it in the caption (or tells the operator it
  // cannot be opened). True when the link opened.
  bool Start();
  // Releases the link (both workers joined) and closes an open backup
  // file. Runs when the window closes; safe to call again.
  void Shutdown();

  MainWindow& Window() { return *window_; }
  ScreenView& View() { return *window_->View(); }
  CommandDispatch& Dispatch() { return *dispatch_; }
  AppConfig& Config() { return config_; }
  TransmitQueue& Queue() { return queue_; }
  StatusCounters& Counters() { return counters_; }
  CaptureState& Capture() { return *capture_; }
  RestoreRequest& Restore() { return restore_; }
  SerialLink& Link() { return *link_; }
  Keypad& KeypadRecord() { return keypad_; }
  ReadConfigResult ConfigReadResult() const { return config_read_; }

 private:
  class LinkAdapter;
  class PortAdapter;

  const std::filesystem::path base_directory_;
  AppConfig config_;
  ReadConfigResult config_read_;
  TransmitQueue queue_;
  StatusCounters counters_;
  ScreenImageBuffer image_;
  Surface surface_;
  ReceiverState receiver_state_;
  RestoreRequest restore_;
  Keypad keypad_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<MessageBoxes> message_boxes_;
  OperatorMessages* messages_;
  std::unique_ptr<CaptureState> capture_;
  std::unique_ptr<ReceiverContext> receiver_context_;
  std::unique_ptr<SerialLink> link_;
  std::unique_ptr<LinkAdapter> link_control_;
  std::unique_ptr<PortAdapter> port_setting_;
  std::unique_ptr<QtFileChooser> own_chooser_;
  std::unique_ptr<QtPortDialog> own_port_dialog_;
  std::unique_ptr<CommandDispatch> dispatch_;
  bool shut_down_ = false;
};

}  // namespace corvane
