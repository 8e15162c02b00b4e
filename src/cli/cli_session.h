// One run of corvane-cli against one controller: the link and the records
// behind it, built the way the window builds them. The command itself runs
// on the main thread; it starts the link's two workers, waits for them to
// do the work, and closes the link (joining both) before it looks at the
// outcome, so every message a worker raised has been seen by then.
//
// Threads: the public functions run on one thread only, the command's:
// the main thread, or in a fleet run (fleet_run.h) a job thread that owns
// the session from its making to its end. The display
// and the message seams, the link-lost handler and the byte-stream sink run
// on the workers; what they share with the main thread is guarded by mutex_
// (or is atomic), and each of them wakes the command's wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "cli/exit_codes.h"
#include "cli/reporter.h"
#include "hub/receiver_records.h"
#include "hub/serial_link.h"
#include "link/byte_stream.h"
#include "link/operator_messages.h"
#include "link/transmit_queue.h"
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

// One link to one controller for one command: the plumbing every command
// shares. A command (commands.h) starts what it needs, opens the link,
// waits with Await for the workers to do the work, closes the link and
// reports the outcome; ReportWaitEnd words how a wait ended, the same way
// for every command.
class CliSession : private ByteStreamSink {
 public:
  enum class WaitEnd { kDone, kTimedOut, kLinkLost, kInterrupted };
  // What a command's wait means, for ReportWaitEnd.
  struct WaitWords {
    // The work had begun: a lost link leaves it incomplete (exit 4) rather
    // than never done (exit 2).
    bool begun = false;
    // The error line after "corvane-cli: " for a time-out, and its status.
    std::string timed_out;
    ExitCode timed_out_status = ExitCode::kTimedOut;
    // What an interrupt left, after "corvane-cli: interrupted; ".
    std::string interrupted;
  };

  CliSession(SessionSettings settings, Reporter& reporter);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Opens the link; on failure says why and returns kNotConnected.
  ExitCode Open();
  // Closes the link and joins its workers: every message a worker raised
  // has been seen once this returns.
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
  // kSuccess for kDone; otherwise reports why the wait ended, in `words`,
  // and returns the exit status it means.
  ExitCode ReportWaitEnd(WaitEnd end, const WaitWords& words);

  ReceiverRecords& Records() { return records_; }
  SerialLink& Link() { return *link_; }
  Reporter& Report() { return reporter_; }
  std::chrono::milliseconds Timeout() const { return settings_.timeout; }

  // What the workers saw, read on the main thread.
  int64_t PicturesShown() const;
  bool LinkWasLost() const;
  bool HadMessage(std::string_view caption) const;
  uint64_t BytesReceived() const { return bytes_received_.load(std::memory_order_relaxed); }
  uint64_t BytesSent() const { return bytes_sent_.load(std::memory_order_relaxed); }
  // Messages raised from now on are neither shown nor kept.
  void MuteMessages();
  // The next picture shown is kept; Picture() has it once the link is
  // closed (empty when none came).
  void KeepNextPicture();
  bool HasPicture() const;
  const std::vector<Pixel>& Picture() const { return picture_; }

 private:
  class Display;
  class Messages;

  // Worker threads, through the seams: each wakes the main thread.
  void NoteEvent();
  void NotePicture(const Pixel* pixels);
  void NoteMessage(const OperatorMessage& message);
  void NoteLinkLost();
  // The link's workers: counts the bytes both ways (a sink of the link).
  void OnTraffic(Clock::time_point time, TrafficDirection direction,
                 std::span<const uint8_t> bytes) override;

  const SessionSettings settings_;
  Reporter& reporter_;

  mutable std::mutex mutex_;
  std::condition_variable event_;
  uint64_t events_ = 0;                    // guarded by mutex_
  int64_t pictures_ = 0;                   // guarded by mutex_
  bool picture_wanted_ = false;            // guarded by mutex_
  std::vector<Pixel> picture_;             // guarded by mutex_ while a link is open
  std::vector<OperatorMessage> messages_;  // guarded by mutex_
  bool link_lost_ = false;                 // guarded by mutex_
  bool mute_messages_ = false;             // guarded by mutex_
  std::atomic<uint64_t> bytes_received_{0};
  std::atomic<uint64_t> bytes_sent_{0};

  std::unique_ptr<Display> display_;
  std::unique_ptr<Messages> message_seam_;
  TransmitQueue queue_;
  ReceiverRecords records_;
  // Last, so that it goes first: its workers use everything above.
  std::unique_ptr<SerialLink> link_;
};

}  // namespace corvane::cli
