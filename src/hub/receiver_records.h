// The records one link to the controller works on, allocated once, and the
// receiver's view of them: what a program that mirrors or backs up holds
// beside its SerialLink. The window, corvane-cli, the tests, the benchmarks
// and the fuzz targets all build them here, so the receiver meets the same
// records wherever it runs. The link is built on `context` and must be
// released before these go.
//
// The transmit queue is the caller's: the window's keypad needs it before a
// front end (and so a display) exists.
//
// Threads: each record guards itself (see receiver.h and architecture.md).
#pragma once

#include <chrono>
#include <utility>

#include "hub/image_drawing.h"
#include "hub/receiver.h"
#include "hub/silence_watchdog.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"

namespace corvane {

struct ReceiverOptions {
  // Silence after which the receiver asks for the screen again.
  std::chrono::milliseconds quiet_time = kQuietTime;
  // Stands in for the capture's pause at "]"; empty: the receiver sleeps.
  CaptureState::Pause block_end_pause = {};
};

// A block-end pause that does not sleep, for tests, benchmarks and fuzzing.
inline void SkipPause(std::chrono::milliseconds) {}

struct ReceiverRecords {
  ReceiverRecords(TransmitQueue& transmit_queue, ScreenDisplay& display, OperatorMessages& messages,
                  ReceiverOptions options = {})
      : queue(transmit_queue),
        watchdog(options.quiet_time),
        capture(queue, counters, messages, std::move(options.block_end_pause)),
        context{queue,    image,   drawing, counters, display,
                messages, capture, restore, state,    watchdog} {}
  ReceiverRecords(const ReceiverRecords&) = delete;
  ReceiverRecords& operator=(const ReceiverRecords&) = delete;

  TransmitQueue& queue;
  StatusCounters counters;
  ScreenImageBuffer image;
  ImageDrawing drawing;
  ReceiverState state;
  SilenceWatchdog watchdog;
  RestoreRequest restore;
  CaptureState capture;
  ReceiverContext context;
};

}  // namespace corvane
