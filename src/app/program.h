// The composition root: the one instance of every record the running
// program has, wired together in start-up order, and the shutdown that
// releases the link and closes a backup file. It reaches the front end only
// through the interfaces of front_end.h, so each front end builds its
// window and dialogs, attaches them, and hands every menu command to
// Dispatch().
//
// Threads: built, attached, started and destroyed on the UI thread. The
// link's workers run between Start and Shutdown; the destructor releases
// the link before any record the workers use goes.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/app_config.h"
#include "app/commands.h"
#include "app/front_end.h"
#include "app/reconnect.h"
#include "app/replay_export.h"
#include "app/replay_session.h"
#include "app/session_recording.h"
#include "hub/receiver_records.h"
#include "hub/serial_link.h"
#include "keypad/keypad.h"
#include "link/transmit_queue.h"
#include "screen/display_switch.h"

namespace corvane {

class Program {
 public:
  // `base_directory` holds "config.dpm" and the "com<n>" device entries:
  // the working directory in the program, a scratch directory in tests.
  // Reads the configuration; the keypad is ready for the front end's view.
  // `quiet_time` is the silence after which the receiver asks again (tests
  // shorten it).
  explicit Program(std::filesystem::path base_directory,
                   std::chrono::milliseconds quiet_time = kQuietTime);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Wires the receiver, the link and the commands to `front`. Once, before
  // Start.
  void Attach(const FrontEnd& front);

  // Shows the window, then opens the link on the configured port and names
  // it in the caption (or tells the operator it cannot be opened). True when
  // the link opened, or, on a device server's address, is being opened:
  // that caption or message follows when the server answers (or the
  // connect limit passes), and the window goes on meanwhile.
  bool Start();
  // Releases the link (both workers joined) and closes an open backup
  // file. Runs when the window closes; safe to call again.
  void Shutdown();

  // The queue and the keypad exist from construction; the rest from Attach.
  CommandDispatch& Dispatch() { return *dispatch_; }
  AppConfig& Config() { return config_; }
  TransmitQueue& Queue() { return queue_; }
  StatusCounters& Counters() { return records_->counters; }
  CaptureState& Capture() { return records_->capture; }
  RestoreRequest& Restore() { return records_->restore; }
  SerialLink& Link() { return *link_; }
  SilenceWatchdog& Watchdog() { return records_->watchdog; }
  ImageDrawing& Drawing() { return records_->drawing; }
  Reconnector& Reconnect() { return *reconnector_; }
  ReplaySession& Replay() { return *replay_; }
  ReplayExport& Export() { return *export_; }
  Keypad& KeypadRecord() { return keypad_; }
  ReadConfigResult ConfigReadResult() const { return config_read_; }

 private:
  class LinkAdapter;
  class PortAdapter;

  const std::filesystem::path base_directory_;
  AppConfig config_;
  ReadConfigResult config_read_;
  const std::chrono::milliseconds quiet_time_;
  TransmitQueue queue_;
  Keypad keypad_;
  std::optional<FrontEnd> front_;
  std::unique_ptr<ReceiverRecords> records_;
  std::unique_ptr<SerialLink> link_;
  std::unique_ptr<LinkAdapter> link_control_;
  std::unique_ptr<PortAdapter> port_setting_;
  std::unique_ptr<Reconnector> reconnector_;
  std::unique_ptr<CommandDispatch> dispatch_;
  // The window's caption, noting a recording; the recording itself, after
  // the link whose byte stream it watches, so it goes first.
  std::unique_ptr<RecordingCaption> caption_;
  std::unique_ptr<SessionRecording> recording_;
  // Between the receiver and the view: the window shows the controller or
  // a replayed recording. The replay's caption under the recording's, so
  // both notes show.
  std::unique_ptr<DisplaySwitch> display_switch_;
  std::unique_ptr<ReplayCaption> replay_caption_;
  std::unique_ptr<ReplaySession> replay_;
  // Reads the replayed recording's stretch and file: goes before it.
  std::unique_ptr<ReplayExport> export_;
  bool shut_down_ = false;
};

}  // namespace corvane
