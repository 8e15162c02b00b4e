// Records a session: a sink of the link's byte stream (link/byte_stream.h)
// that copies what passes into a bounded queue and returns, and a writer
// thread of its own that splits the traffic into records, compresses them
// and appends them to the recording (recording_writer.h).
//
// A recording never holds up the mirror, the keys or a backup: the sink's
// call only copies under a short lock. Should the writer fall behind so far
// that the queue is full, traffic is dropped and a gap recorded where it
// was. A write that fails (a full disk, a vanished folder) stops the
// recording with a message and leaves what was written readable; the link
// goes on as before.
//
// Threads: Start, Stop and the destructor on the thread that owns the
// recorder; OnTraffic and OnLinkEvent on the link's threads (serialised by
// the sink list); the counts from any thread. Remove the sink from the
// link (ScopedSink) before the recorder goes.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "link/byte_stream.h"
#include "link/operator_messages.h"
#include "record/recording_writer.h"

namespace corvane {

class SessionRecorder : public ByteStreamSink {
 public:
  // The most traffic the queue holds for the writer: at 115,200 baud more
  // than a quarter of an hour, and still a few seconds at the simulator's
  // full speed.
  static constexpr size_t kQueueBytes = 32u << 20;
  // The writer takes what is queued in batches: once this long after the
  // first chunk of a batch arrived, or once this much is queued. On a slow
  // line the link reads a few bytes at a time, thousands of reads a
  // second; a wake of the writer for each cost far more than writing the
  // images. A tenth of a second is still far below what an operator could
  // notice of a recording cut off by a crash.
  static constexpr std::chrono::milliseconds kBatchTime{100};
  static constexpr size_t kBatchBytes = 1u << 20;

  // A recorder that queues what it is given but writes nothing yet, so it
  // can be added to a link before the link opens and miss nothing, while
  // the file is created only once the port is ours. `messages` (may be
  // null) is told when a failed write stops the recording.
  // `start_picture`: as for RecordingWriter.
  static std::unique_ptr<SessionRecorder> Create(const RecordingSettings& settings,
                                                 OperatorMessages* messages,
                                                 const Pixel* start_picture);
  // Creates the first file and starts the writer on what is queued. An
  // error code when the file cannot be created; the recorder then takes
  // no more. Once only.
  std::error_code Begin();
  // Called once, on the writer thread, when a failed write has stopped the
  // recording (before the message is shown). Set it before Begin.
  void OnFailure(std::function<void()> failed) { on_failure_ = std::move(failed); }
  ~SessionRecorder() override;
  SessionRecorder(const SessionRecorder&) = delete;
  SessionRecorder& operator=(const SessionRecorder&) = delete;

  void OnTraffic(Clock::time_point time, TrafficDirection direction,
                 std::span<const uint8_t> bytes) override;
  void OnLinkEvent(Clock::time_point time, LinkEvent event) override;

  // Writes out what is queued, ends the recording and joins the writer.
  // Returns the failure that stopped it early, if any. A second call
  // returns the same.
  std::error_code Stop();

  // The recording stopped itself (a write failed).
  bool Failed() const { return failed_.load(); }
  int64_t Images() const { return images_.load(std::memory_order_relaxed); }
  uint64_t BytesWritten() const { return bytes_written_.load(std::memory_order_relaxed); }
  // The file written now (the newest part with a limit). Owner's thread.
  std::filesystem::path CurrentFile() const;
  bool DroppedTraffic() const { return dropped_.load(); }

 private:
  enum class ChunkKind : uint8_t { kSent, kReceived, kEvent, kGap };
  struct Chunk {
    ChunkKind kind;
    LinkEvent event;
    Clock::time_point time;
    size_t offset;  // into bytes_
    size_t length;
  };

  SessionRecorder(const RecordingSettings& settings, OperatorMessages* messages,
                  const Pixel* start_picture);
  void Enqueue(Chunk chunk, std::span<const uint8_t> bytes);
  void WriterThread();

  OperatorMessages* const messages_;
  std::function<void()> on_failure_;  // set before the writer starts
  const Clock::time_point start_;
  RecordingWriter writer_;    // the writer thread's, once it runs
  TrafficSplitter splitter_;  // the writer thread's

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Chunk> chunks_;           // guarded by mutex_
  std::vector<uint8_t> bytes_;          // guarded by mutex_: the chunks' bytes, back to back
  bool gap_open_ = false;               // guarded by mutex_: a gap is queued and nothing since
  bool stopping_ = false;               // guarded by mutex_
  std::filesystem::path current_file_;  // guarded by mutex_

  std::atomic<bool> failed_{false};
  std::atomic<bool> dropped_{false};
  std::atomic<int64_t> images_{0};
  std::atomic<uint64_t> bytes_written_{0};
  std::error_code result_;  // the writer's until joined
  bool joined_ = false;
  std::thread thread_;  // last: it uses everything above
};

}  // namespace corvane
