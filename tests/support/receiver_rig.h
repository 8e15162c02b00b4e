// The receiver's collaborators, one of each, built the way the program's
// composition root builds them: for the tests that drive the receiver, or a
// link with its workers, without a front end.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "hub/receiver.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"
#include "support/queue_drain.h"
#include "support/test_doubles.h"

namespace corvane::testing {

// Records, with every picture, the payload it was drawn from and how many
// bytes were queued at that moment (so a test can tell whether the screen
// request went out before the drawing).
class PayloadDisplay : public RecordingDisplay {
 public:
  PayloadDisplay(const ScreenImageBuffer& image, const TransmitQueue& queue)
      : image_(image), queue_(queue) {}

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
      const auto payload = image_.Payload();
      payloads_.emplace_back(reinterpret_cast<const char*>(payload.data()), payload.size());
      queued_at_picture_.push_back(queue_.UnsentCount());
    }
    RecordingDisplay::PictureKept(picture, changed, rows);
  }

 private:
  const ScreenImageBuffer& image_;
  const TransmitQueue& queue_;
  mutable std::mutex mutex_;
  std::vector<std::string> payloads_;
  std::vector<int32_t> queued_at_picture_;
};

// The capture's 500 ms pause at "]" is skipped. The silence watchdog waits
// its usual quiet time unless the test gives a shorter one.
struct ReceiverRig {
  ReceiverRig() = default;
  explicit ReceiverRig(std::chrono::milliseconds quiet_time) : watchdog(quiet_time) {}

  TransmitQueue queue;
  ScreenImageBuffer image;
  ImageDrawing drawing;
  StatusCounters counters;
  PayloadDisplay display{image, queue};
  RecordingMessages messages;
  CaptureState capture{queue, counters, messages, [](std::chrono::milliseconds) {}};
  RestoreRequest restore;
  ReceiverState state;
  SilenceWatchdog watchdog;
  ReceiverContext context{queue,    image,   drawing, counters, display,
                          messages, capture, restore, state,    watchdog};

  // Takes everything queued, as a sender would, without a port.
  std::string TakeQueued() { return TakeAllQueued(queue); }
};

}  // namespace corvane::testing
