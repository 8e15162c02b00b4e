// Recorders for the two seams to the shell, shared by the test programs.
// Both may be called from any thread (the receiver and sender workers call
// them while a test thread reads them), so every member takes the lock.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "link/operator_messages.h"
#include "link/transmit_queue.h"
#include "screen/screen_display.h"
#include "screen/surface.h"

namespace corvane::testing {

// Everything queued now, taken off the queue as the sender would take it.
inline std::string TakeAllQueued(TransmitQueue& queue) {
  std::string bytes;
  uint8_t block[TransmitQueue::kBlockSize];
  while (!queue.IsEmpty()) {
    const int length = queue.TakeSendBlock(block);
    bytes.append(reinterpret_cast<const char*>(block), static_cast<size_t>(length));
    queue.ConsumeSendBlock(length);
  }
  return bytes;
}

// Records every status text and counts the pictures; keeps a copy of the
// last picture's pixels so a test can look at what was shown.
class RecordingDisplay : public ScreenDisplay {
 public:
  void ShowPicture(const Surface& picture) override {
    {
      std::lock_guard lock(mutex_);
      ++pictures_;
      last_picture_.assign(
          picture.Pixels(),
          picture.Pixels() + static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
    }
    changed_.notify_all();
  }

  void ShowStatusText(std::string_view text) override {
    {
      std::lock_guard lock(mutex_);
      texts_.emplace_back(text);
    }
    changed_.notify_all();
  }

  std::vector<std::string> Texts() const {
    std::lock_guard lock(mutex_);
    return texts_;
  }
  std::string LastText() const {
    std::lock_guard lock(mutex_);
    return texts_.empty() ? std::string() : texts_.back();
  }
  size_t TextCount() const {
    std::lock_guard lock(mutex_);
    return texts_.size();
  }
  int PictureCount() const {
    std::lock_guard lock(mutex_);
    return pictures_;
  }
  // Pixels of the last picture, row-major; empty before the first one.
  std::vector<Pixel> LastPicture() const {
    std::lock_guard lock(mutex_);
    return last_picture_;
  }

  // Waits (without polling) until at least `count` pictures were shown.
  void WaitForPictures(int count) const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return pictures_ >= count; });
  }
  // Waits until at least `count` texts were shown.
  void WaitForTexts(size_t count) const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return texts_.size() >= count; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> texts_;
  std::vector<Pixel> last_picture_;
  int pictures_ = 0;
};

// Records every message the core raises instead of showing a box.
class RecordingMessages : public OperatorMessages {
 public:
  void Show(const OperatorMessage& message) override {
    {
      std::lock_guard lock(mutex_);
      messages_.push_back(message);
    }
    changed_.notify_all();
  }

  std::vector<OperatorMessage> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  size_t Count() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
  }
  // Waits until at least `count` messages were raised.
  void WaitForMessages(size_t count) const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return messages_.size() >= count; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<OperatorMessage> messages_;
};

}  // namespace corvane::testing
