// One run of corvane-cli: the link to the controller and the records behind
// it, built the way the window's composition root builds them, and the four
// commands on top. The command itself runs on the main thread; it starts
// the link's two workers, waits for them to do the work, and closes the link
// (joining both) before it looks at the outcome, so every message a worker
// raised has been seen by then.
//
// Threads: the commands run on the main thread only. The display and the
// message seams, the link-lost handler and the traffic tap run on the
// workers; what they share with the main thread is guarded by mutex_ (or is
// atomic), and each of them wakes the main thread's wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/exit_codes.h"
#include "cli/reporter.h"
#include "hub/receiver.h"
#include "hub/receiver_records.h"
#include "hub/serial_link.h"
#include "hub/silence_watchdog.h"
#include "link/operator_messages.h"
#include "link/traffic_log.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/screen_display.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"
#include "screen/surface.h"

namespace corvane::cli {

struct SessionSettings {
  LinkTarget target;
  std::chrono::milliseconds timeout{kDefaultTimeout};
  // Where "com<n>" entries are looked up, as the window does.
  std::filesystem::path device_directory = ".";
  // True once the operator asked to stop (Ctrl+C); the waits look at it a
  // few times a second. Empty: never.
  std::function<bool()> interrupted;
};

class CliSession : private ByteStreamSink {
 public:
  CliSession(SessionSettings settings, Reporter& reporter);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Station 0: all stations. The file is written by the capture, which
  // keeps an earlier file of that name unless the block arrived whole.
  ExitCode Backup(int station, const std::filesystem::path& file);
  // Sends the file at the end of the next screen image, as the window does,
  // retargeted to `to_station` (1..8) when given; done once the controller
  // sends its screen again.
  ExitCode Restore(const std::filesystem::path& file, std::optional<int> to_station);
  // The next complete screen image, framed as the window shows it.
  ExitCode Screenshot(const std::filesystem::path& file);
  // Mirrors the screen for `duration` and logs the traffic (traffic_log.h).
  ExitCode Log(std::chrono::milliseconds duration, const std::filesystem::path& file);

 private:
  class Display;
  class Messages;
  enum class WaitEnd { kDone, kTimedOut, kLinkLost, kInterrupted };

  // Opens the link; on failure says why and returns kNotConnected.
  ExitCode Open();
  // Closes the link and joins its workers.
  void Close();
  // "COM3 (./com3)" or the device.
  std::string LinkName() const;

  // Sleeps until `done` holds, the link is lost, the operator interrupts, or
  // `progress` has not changed for the time-out. `progress_text` (may be
  // empty) is redrawn a few times a second.
  WaitEnd Await(const std::function<bool()>& done, const std::function<int64_t()>& progress,
                const std::function<std::string()>& progress_text);
  // Sleeps until the link is lost or `until`, whichever comes first.
  void SleepUnlessLost(std::chrono::steady_clock::time_point until);
  bool Interrupted() const;

  // Worker threads, through the seams: each wakes the main thread.
  void NoteEvent();
  void NotePicture(const Pixel* pixels);
  void NoteMessage(const OperatorMessage& message);
  void NoteLinkLost();
  // The link's workers: counts the bytes both ways (a sink of the link).
  void OnTraffic(Clock::time_point time, TrafficDirection direction,
                 std::span<const uint8_t> bytes) override;

  int64_t PicturesShown() const;
  bool LinkWasLost() const;
  bool HadMessage(std::string_view caption) const;

  const SessionSettings settings_;
  Reporter& reporter_;

  mutable std::mutex mutex_;
  std::condition_variable event_;
  uint64_t events_ = 0;                    // guarded by mutex_
  int64_t pictures_ = 0;                   // guarded by mutex_
  bool picture_wanted_ = false;            // guarded by mutex_
  std::vector<Pixel> picture_;             // guarded by mutex_
  std::vector<OperatorMessage> messages_;  // guarded by mutex_
  bool link_lost_ = false;                 // guarded by mutex_
  bool mute_messages_ = false;             // guarded by mutex_
  std::atomic<uint64_t> bytes_received_{0};
  std::atomic<uint64_t> bytes_sent_{0};
  // Set on the main thread while no link is open; a sink of the link.
  std::unique_ptr<TrafficLog> traffic_log_;

  std::unique_ptr<Display> display_;
  std::unique_ptr<Messages> message_seam_;
  TransmitQueue queue_;
  ReceiverRecords records_;
  // Last, so that it goes first: its workers use everything above.
  std::unique_ptr<SerialLink> link_;
};

}  // namespace corvane::cli
