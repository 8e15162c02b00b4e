#include "link/transmit_queue.h"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

int32_t Advance(int32_t position, int32_t by) {
  position += by;
  return position >= TransmitQueue::kStorageSize ? position - TransmitQueue::kStorageSize
                                                 : position;
}

std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

TransmitQueue::TransmitQueue() : storage_(new uint8_t[kStorageSize]) {}

int32_t TransmitQueue::UnsentLocked() const {
  const int32_t w = write_position_.load(std::memory_order_relaxed);
  const int32_t r = read_position_.load(std::memory_order_relaxed);
  return w >= r ? w - r : w + kStorageSize - r;
}

int32_t TransmitQueue::UnsentCount() const {
  std::lock_guard lock(mutex_);
  return UnsentLocked();
}

bool TransmitQueue::IsEmpty() const { return ReadPosition() == WritePosition(); }

void TransmitQueue::AppendLocked(std::span<const uint8_t> bytes) {
  // At most two copies: up to the end of storage, then from its start.
  const int32_t w = write_position_.load(std::memory_order_relaxed);
  const auto length = static_cast<int32_t>(bytes.size());
  const int32_t first = std::min(length, kStorageSize - w);
  std::memcpy(storage_.get() + w, bytes.data(), static_cast<size_t>(first));
  if (first < length) {
    std::memcpy(storage_.get(), bytes.data() + first, static_cast<size_t>(length - first));
  }
  pending_count_.fetch_add(length, std::memory_order_relaxed);
  // Release: the stored bytes are visible before the position that covers them.
  write_position_.store(Advance(w, length), std::memory_order_release);
}

EnqueueResult TransmitQueue::EnqueueByte(uint8_t byte) {
  return EnqueueBytes(std::span<const uint8_t>(&byte, 1));
}

EnqueueResult TransmitQueue::EnqueueBytes(std::string_view text) {
  return EnqueueBytes(AsBytes(text));
}

EnqueueResult TransmitQueue::EnqueueBytes(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return EnqueueResult::kAppended;
  bool wake_sender = false;
  {
    std::lock_guard lock(mutex_);
    if (bytes.size() > static_cast<size_t>(kMaxUnsent - UnsentLocked())) {
      return EnqueueResult::kRefused;
    }
    AppendLocked(bytes);
    wake_sender = bytes_waiters_ > 0;
  }
  if (wake_sender) bytes_arrived_.notify_all();
  return EnqueueResult::kAppended;
}

EnqueueResult TransmitQueue::EnqueueBytesWaiting(std::string_view text, std::stop_token stop) {
  return EnqueueBytesWaiting(AsBytes(text), stop);
}

EnqueueResult TransmitQueue::EnqueueBytesWaiting(std::span<const uint8_t> bytes,
                                                 std::stop_token stop) {
  if (bytes.empty()) return EnqueueResult::kAppended;
  if (bytes.size() > static_cast<size_t>(kMaxUnsent)) return EnqueueResult::kRefused;
  const auto need = static_cast<int32_t>(bytes.size());
  bool wake_sender = false;
  {
    std::unique_lock lock(mutex_);
    auto fits = [&] { return need <= kMaxUnsent - UnsentLocked(); };
    if (!fits()) {
      ++room_waiters_;
      room_needed_ = std::min(room_needed_, need);
      const bool room = room_freed_.wait(lock, stop, fits);
      if (--room_waiters_ == 0) room_needed_ = kStorageSize;
      if (!room) return EnqueueResult::kStopped;
    }
    AppendLocked(bytes);
    wake_sender = bytes_waiters_ > 0;
  }
  if (wake_sender) bytes_arrived_.notify_all();
  return EnqueueResult::kAppended;
}

int TransmitQueue::TakeSendBlock(uint8_t (&block)[kBlockSize]) {
  std::lock_guard lock(mutex_);
  const int32_t r = read_position_.load(std::memory_order_relaxed);
  const int32_t unsent = UnsentLocked();
  if (unsent >= kBlockSize) {
    const int32_t first = std::min(kBlockSize, kStorageSize - r);
    std::memcpy(block, storage_.get() + r, static_cast<size_t>(first));
    std::memcpy(block + first, storage_.get(), static_cast<size_t>(kBlockSize - first));
    return kBlockSize;
  }
  block[0] = storage_[static_cast<size_t>(r)];
  return 1;
}

void TransmitQueue::ConsumeSendBlock(int length) {
  bool wake_producers = false;
  bool wake_drain = false;
  {
    std::lock_guard lock(mutex_);
    pending_count_.fetch_sub(length, std::memory_order_relaxed);
    read_position_.store(Advance(read_position_.load(std::memory_order_relaxed), length),
                         std::memory_order_release);
    const int32_t unsent = UnsentLocked();
    wake_producers = room_waiters_ > 0 && kMaxUnsent - unsent >= room_needed_;
    wake_drain = drain_waiters_ > 0 && unsent == 0;
  }
  if (wake_producers) room_freed_.notify_all();
  if (wake_drain) drained_.notify_all();
}

bool TransmitQueue::WaitUntilNotEmpty(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  ++bytes_waiters_;
  const bool ready = bytes_arrived_.wait(lock, stop, [&] { return UnsentLocked() != 0; });
  --bytes_waiters_;
  return ready;
}

bool TransmitQueue::WaitUntilEmpty(std::stop_token stop, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  ++drain_waiters_;
  const bool empty = drained_.wait_for(lock, stop, timeout, [&] { return UnsentLocked() == 0; });
  --drain_waiters_;
  return empty;
}

void TransmitQueue::ResetPositionsForTest(int32_t position) {
  std::lock_guard lock(mutex_);
  write_position_.store(position);
  read_position_.store(position);
  pending_count_.store(0);
}

}  // namespace corvane
