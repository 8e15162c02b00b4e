// The receiver's collaborators, one of each, built as the program builds
// them (ReceiverRecords): for the tests that drive the receiver, or a link
// with its workers, without a front end.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "hub/receiver.h"
#include "hub/receiver_records.h"
#include "link/transmit_queue.h"
#include "support/queue_drain.h"
#include "support/test_doubles.h"

namespace corvane::testing {

// Records, with every picture, the payload it was drawn from and how many
// bytes were queued at that moment (so a test can tell whether the screen
// request went out before the drawing).
class PayloadDisplay : public RecordingDisplay {
 public:
  explicit PayloadDisplay(const TransmitQueue& queue) : queue_(queue) {}
  // Before the first picture: the store the payloads are read from.
  void ReadPayloadsFrom(const ScreenImageBuffer& image) { image_ = &image; }

  std::vector<std::string> Payloads() const {
    std::lock_guard lock(mutex_);
    return payloads_;
  }
  std::vector<int32_t> QueuedAtPicture() const {
    std::lock_guard lock(mutex_);
    return queued_at_picture_;
  }

 protected:
  void PictureKept(const Pixel* picture, const ChangedRegion& changed, int rows) override {
    {
      std::lock_guard lock(mutex_);
      const auto payload = image_->Payload();
      payloads_.emplace_back(reinterpret_cast<const char*>(payload.data()), payload.size());
      queued_at_picture_.push_back(queue_.UnsentCount());
    }
    RecordingDisplay::PictureKept(picture, changed, rows);
  }

 private:
  const ScreenImageBuffer* image_ = nullptr;
  const TransmitQueue& queue_;
  mutable std::mutex mutex_;
  std::vector<std::string> payloads_;
  std::vector<int32_t> queued_at_picture_;
};

// The capture's 500 ms pause at "]" is skipped. The silence watchdog waits
// its usual quiet time unless the test gives a shorter one. The records are
// also reachable by their own names.
struct ReceiverRig {
  explicit ReceiverRig(std::chrono::milliseconds quiet_time = kQuietTime)
      : records(queue, display, messages, {quiet_time, SkipPause}) {
    display.ReadPayloadsFrom(records.image);
  }

  TransmitQueue queue;
  RecordingMessages messages;
  PayloadDisplay display{queue};
  ReceiverRecords records;
  ScreenImageBuffer& image = records.image;
  ImageDrawing& drawing = records.drawing;
  StatusCounters& counters = records.counters;
  CaptureState& capture = records.capture;
  RestoreRequest& restore = records.restore;
  ReceiverState& state = records.state;
  SilenceWatchdog& watchdog = records.watchdog;
  ReceiverContext& context = records.context;

  // Takes everything queued, as a sender would, without a port.
  std::string TakeQueued() { return TakeAllQueued(queue); }
};

}  // namespace corvane::testing
