// The screen image being drawn, and whether it is drawn while it arrives.
//
// At 115,200 baud one image takes seconds on the wire, so a key's effect
// could show up to two images later. With drawing while receiving on, the
// rows decoded so far go to the window about every `interval`; the status
// line and the next screen request still wait for the image's end.
//
// Threads: `while_receiving` is set on the UI thread (the View menu) and
// read by the receiver; everything else belongs to the receiver thread.
#pragma once

#include <atomic>
#include <chrono>

#include "screen/image_decoder.h"

namespace corvane {

inline constexpr std::chrono::milliseconds kDrawWhileReceivingInterval{100};

struct ImageDrawing {
  using Clock = std::chrono::steady_clock;

  ImageDecoder decoder;
  std::atomic<bool> while_receiving{false};
  std::chrono::milliseconds interval = kDrawWhileReceivingInterval;
  // When the picture last went to the display, whole or in part.
  Clock::time_point last_shown{};
};

}  // namespace corvane
