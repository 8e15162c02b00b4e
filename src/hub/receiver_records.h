// The records one link to the controller works on, allocated once, and the
// receiver's view of them: what a program that mirrors or backs up holds
// beside its SerialLink. The link is built on `context` and must be released
// before these go.
//
// Threads: each record guards itself (see receiver.h and architecture.md).
#pragma once

#include "hub/image_drawing.h"
#include "hub/receiver.h"
#include "hub/silence_watchdog.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"

namespace corvane {

struct ReceiverRecords {
  ReceiverRecords(ScreenDisplay& display, OperatorMessages& messages)
      : capture(queue, counters, messages), context{queue,   image,    drawing, counters,
                                                    display, messages, capture, restore,
                                                    state,   watchdog} {}
  ReceiverRecords(const ReceiverRecords&) = delete;
  ReceiverRecords& operator=(const ReceiverRecords&) = delete;

  TransmitQueue queue;
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
