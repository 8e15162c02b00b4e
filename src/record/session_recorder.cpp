#include "record/session_recorder.h"

#include <chrono>

#include "files/path_text.h"

namespace corvane {

std::unique_ptr<SessionRecorder> SessionRecorder::Create(const RecordingSettings& settings,
                                                         OperatorMessages* messages,
                                                         const Pixel* start_picture) {
  return std::unique_ptr<SessionRecorder>(new SessionRecorder(settings, messages, start_picture));
}

std::error_code SessionRecorder::Begin() {
  if (const std::error_code error = writer_.Open()) {
    result_ = error;
    failed_.store(true);
    std::lock_guard lock(mutex_);
    chunks_.clear();
    bytes_.clear();
    return error;
  }
  {
    std::lock_guard lock(mutex_);
    current_file_ = writer_.CurrentFile();
  }
  thread_ = std::thread([this] { WriterThread(); });
  return {};
}

SessionRecorder::SessionRecorder(const RecordingSettings& settings, OperatorMessages* messages,
                                 const Pixel* start_picture)
    : messages_(messages),
      start_(Clock::now()),
      writer_(settings,
              std::chrono::duration_cast<std::chrono::microseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count(),
              start_picture) {}

SessionRecorder::~SessionRecorder() { Stop(); }

void SessionRecorder::OnTraffic(Clock::time_point time, TrafficDirection direction,
                                std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  const ChunkKind kind =
      direction == TrafficDirection::kSent ? ChunkKind::kSent : ChunkKind::kReceived;
  Enqueue({kind, LinkEvent::kOpened, time, 0, bytes.size()}, bytes);
}

void SessionRecorder::OnLinkEvent(Clock::time_point time, LinkEvent event) {
  Enqueue({ChunkKind::kEvent, event, time, 0, 0}, {});
}

void SessionRecorder::Enqueue(Chunk chunk, std::span<const uint8_t> bytes) {
  if (failed_.load(std::memory_order_relaxed)) return;
  {
    std::lock_guard lock(mutex_);
    if (stopping_ || failed_.load(std::memory_order_relaxed)) return;
    if (bytes_.size() + bytes.size() > kQueueBytes) {
      // The writer is that far behind: the link must not wait for it.
      if (!gap_open_) {
        chunks_.push_back({ChunkKind::kGap, LinkEvent::kOpened, chunk.time, 0, 0});
        gap_open_ = true;
      }
      dropped_.store(true);
      return;
    }
    gap_open_ = false;
    chunk.offset = bytes_.size();
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    chunks_.push_back(chunk);
    // The writer waits for a batch's first chunk, then for the batch to be
    // full or due; in between nobody needs waking.
    const bool first = chunks_.size() == 1;
    const bool full = bytes_.size() >= kBatchBytes && bytes_.size() - bytes.size() < kBatchBytes;
    if (!first && !full) return;
  }
  wake_.notify_one();
}

void SessionRecorder::WriterThread() {
  std::vector<Chunk> chunks;
  std::vector<uint8_t> bytes;
  bool stopping = false;
  while (!stopping) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !chunks_.empty(); });
      wake_.wait_for(lock, kBatchTime, [&] { return stopping_ || bytes_.size() >= kBatchBytes; });
      stopping = stopping_;
      chunks.swap(chunks_);
      bytes.swap(bytes_);
      gap_open_ = false;
    }
    for (const Chunk& chunk : chunks) {
      const auto since = std::chrono::duration_cast<std::chrono::microseconds>(chunk.time - start_);
      writer_.SetTime(since.count() > 0 ? static_cast<uint64_t>(since.count()) : 0);
      const std::span<const uint8_t> piece(bytes.data() + chunk.offset, chunk.length);
      switch (chunk.kind) {
        case ChunkKind::kSent: splitter_.Sent(piece, writer_); break;
        case ChunkKind::kReceived: splitter_.Received(piece, writer_); break;
        case ChunkKind::kEvent: splitter_.Event(chunk.event, writer_); break;
        case ChunkKind::kGap: splitter_.Gap(writer_); break;
      }
    }
    chunks.clear();
    bytes.clear();
    writer_.Flush();
    images_.store(writer_.Images(), std::memory_order_relaxed);
    bytes_written_.store(writer_.BytesWritten(), std::memory_order_relaxed);
    {
      std::lock_guard lock(mutex_);
      current_file_ = writer_.CurrentFile();
    }
    if (writer_.Error()) break;
  }
  result_ = writer_.Finish(RecordingEnd::kStopped);
  bytes_written_.store(writer_.BytesWritten(), std::memory_order_relaxed);
  if (result_) {
    failed_.store(true);
    {
      // Nothing more is queued for a writer that is gone.
      std::lock_guard lock(mutex_);
      chunks_.clear();
      bytes_.clear();
    }
    if (on_failure_) on_failure_();
    if (messages_ != nullptr) {
      OperatorMessage message;
      message.caption = "Recording Stopped";
      message.text = "The recording could not be written to " + PathText(writer_.CurrentFile()) +
                     ": " + result_.message() +
                     ".\n\nIt has stopped; what was recorded before is kept in the file. The "
                     "screen is still mirrored.";
      messages_->Show(message);
    }
  }
}

std::error_code SessionRecorder::Stop() {
  if (joined_) return result_;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  joined_ = true;
  return result_;
}

std::filesystem::path SessionRecorder::CurrentFile() const {
  std::lock_guard lock(mutex_);
  return current_file_;
}

}  // namespace corvane
