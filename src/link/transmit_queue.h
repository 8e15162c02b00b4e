// The one outgoing byte queue to the controller: a ring of 2,000,000 bytes.
//
// Threads: producers are the UI thread (key codes, backup commands) and the
// receiver thread (screen requests, restore data); the sender thread is the
// only consumer (TakeSendBlock, ConsumeSendBlock). Every field is guarded by
// mutex_; the positions are also kept in atomics so that observers (the
// restore's drain wait, tests) may read them without the lock. The sender
// copies a block out under the lock and writes it to the port without it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <string_view>

namespace corvane {

enum class EnqueueResult {
  kAppended,  // every byte is in the queue, contiguous
  kRefused,   // not enough free room (or longer than the queue): nothing appended
  kStopped,   // a waiting append was stopped before room came: nothing appended
};

class TransmitQueue {
 public:
  static constexpr int32_t kStorageSize = 2'000'000;
  // Equal positions mean empty, so one slot always stays free.
  static constexpr int32_t kMaxUnsent = kStorageSize - 1;
  static constexpr int32_t kBlockSize = 32;

  TransmitQueue();
  TransmitQueue(const TransmitQueue&) = delete;
  TransmitQueue& operator=(const TransmitQueue&) = delete;

  // Producers. These never wait: a byte or string that does not fit the free
  // room is refused whole, so the UI thread is never blocked.
  EnqueueResult EnqueueByte(uint8_t byte);
  EnqueueResult EnqueueBytes(std::span<const uint8_t> bytes);
  EnqueueResult EnqueueBytes(std::string_view text);

  // For producers that may wait (the restore): waits for room, then appends
  // the whole string. Returns kStopped when `stop` is requested first, and
  // kRefused at once for a string longer than the queue can ever hold.
  EnqueueResult EnqueueBytesWaiting(std::span<const uint8_t> bytes, std::stop_token stop);
  EnqueueResult EnqueueBytesWaiting(std::string_view text, std::stop_token stop);

  // Consumer (sender thread), only while the queue is not empty. Copies the
  // next block into `block` and returns its length: 32 while at least 32
  // bytes wait, otherwise 1. Leaves the queue unchanged.
  int TakeSendBlock(uint8_t (&block)[kBlockSize]);
  // After the block was written, or its write failed: the bytes are gone.
  void ConsumeSendBlock(int length);

  // Sleeps while the queue is empty. Returns true when bytes wait, false
  // when `stop` was requested while it was still empty.
  bool WaitUntilNotEmpty(std::stop_token stop);
  // Sleeps until the queue is empty, `stop` is requested or `timeout` passes.
  // Returns true when the queue is empty.
  bool WaitUntilEmpty(std::stop_token stop, std::chrono::milliseconds timeout);

  // Emptiness is decided by the positions, never by the pending count.
  bool IsEmpty() const;
  int32_t WritePosition() const { return write_position_.load(std::memory_order_acquire); }
  int32_t ReadPosition() const { return read_position_.load(std::memory_order_acquire); }
  // Bytes appended and not yet sent, for display only; a restore sets it
  // back to 0 once it has seen the queue drain.
  int32_t PendingCount() const { return pending_count_.load(std::memory_order_relaxed); }
  void ResetPendingCount() { pending_count_.store(0, std::memory_order_relaxed); }
  // Unsent bytes by the positions.
  int32_t UnsentCount() const;

  // Test hook: place both positions at `position` (queue empty) so that the
  // wrap at the end of storage can be exercised without 2 MB of traffic.
  void ResetPositionsForTest(int32_t position);

 private:
  int32_t UnsentLocked() const;
  void AppendLocked(std::span<const uint8_t> bytes);

  std::unique_ptr<uint8_t[]> storage_;
  mutable std::mutex mutex_;
  // Each wait has its own condition and is only notified while someone waits
  // on it, so a sender draining 32 bytes a millisecond does not wake a
  // restore that needs kilobytes of room. All three are woken by a stop.
  std::condition_variable_any bytes_arrived_;  // the sender, while empty
  std::condition_variable_any room_freed_;     // waiting producers
  std::condition_variable_any drained_;        // the restore's drain wait
  int bytes_waiters_ = 0;                      // guarded by mutex_
  int room_waiters_ = 0;                       // guarded by mutex_
  int drain_waiters_ = 0;                      // guarded by mutex_
  // The smallest room a waiting producer needs; notified once it is free.
  int32_t room_needed_ = kStorageSize;  // guarded by mutex_
  std::atomic<int32_t> write_position_{0};
  std::atomic<int32_t> read_position_{0};
  std::atomic<int32_t> pending_count_{0};
};

}  // namespace corvane
