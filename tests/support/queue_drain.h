// Stand-ins for the sender worker: they take what is queued, at once or on
// a thread of their own, and keep every byte in order.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/transmit_queue.h"

namespace corvane::testing {

// Everything queued now, taken block by block as the sender takes it.
inline std::vector<std::string> TakeQueuedBlocks(TransmitQueue& queue) {
  std::vector<std::string> blocks;
  uint8_t block[TransmitQueue::kBlockSize];
  while (!queue.IsEmpty()) {
    const int length = queue.TakeSendBlock(block);
    blocks.emplace_back(reinterpret_cast<const char*>(block), static_cast<size_t>(length));
    queue.ConsumeSendBlock(length);
  }
  return blocks;
}

// The same, as one string.
inline std::string TakeAllQueued(TransmitQueue& queue) {
  std::string bytes;
  for (const std::string& block : TakeQueuedBlocks(queue)) bytes += block;
  return bytes;
}

// Drains the queue on its own thread, as the sender worker does, and keeps
// the bytes in order. `pause_per_block` models the time a block takes on the
// wire; zero drains as fast as the queue allows.
class DrainingSender {
 public:
  // `after_block`, when given, runs on the sender's thread after each block
  // with the number of blocks taken so far: a producer racing the restore.
  explicit DrainingSender(TransmitQueue& queue,
                          std::chrono::microseconds pause_per_block = std::chrono::microseconds(0),
                          std::function<void(size_t)> after_block = {})
      : queue_(queue),
        pause_(pause_per_block),
        after_block_(std::move(after_block)),
        thread_([this](std::stop_token stop) { Run(stop); }) {}
  ~DrainingSender() { thread_.request_stop(); }

  DrainingSender(const DrainingSender&) = delete;
  DrainingSender& operator=(const DrainingSender&) = delete;

  // Every byte taken so far; a byte is here before the queue lets it go.
  std::string Sent() {
    std::lock_guard lock(mutex_);
    return sent_;
  }

  // Stops the thread and returns every byte it took.
  std::string StopAndTake() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
    return Sent();
  }

 private:
  void Run(std::stop_token stop) {
    uint8_t block[TransmitQueue::kBlockSize];
    size_t blocks = 0;
    while (queue_.WaitUntilNotEmpty(stop)) {
      const int length = queue_.TakeSendBlock(block);
      {
        std::lock_guard lock(mutex_);
        sent_.append(reinterpret_cast<const char*>(block), static_cast<size_t>(length));
      }
      queue_.ConsumeSendBlock(length);
      if (after_block_) after_block_(++blocks);
      if (pause_.count() > 0) PauseInFull();
    }
  }

  // Windows sleeps in whole milliseconds and takes half of one as none: the
  // rest of a pause is slept out until it has really passed.
  void PauseInFull() const {
    const auto until = std::chrono::steady_clock::now() + pause_;
    do {
      std::this_thread::sleep_for(pause_);
    } while (std::chrono::steady_clock::now() < until);
  }

  TransmitQueue& queue_;
  std::chrono::microseconds pause_;
  std::function<void(size_t)> after_block_;
  std::mutex mutex_;
  std::string sent_;
  std::jthread thread_;  // last: stopped and joined before the rest goes
};

}  // namespace corvane::testing
