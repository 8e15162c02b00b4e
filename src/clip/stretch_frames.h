// Which picture a clip shows when: the frames of a stretch of a recording.
//
// A recording holds an image whenever the controller sent one, at its own
// time; a clip holds frames at times its container can express (a GIF
// counts in hundredths of a second, and players stretch a GIF delay below
// 20 ms to a tenth of a second). The clip starts at the stretch's start
// with the picture shown then; every image inside the stretch starts a new
// frame at its time, rounded down to the container's tick; and the last
// picture is shown until the stretch ends. An image that comes sooner than
// the shortest frame after the frame before is merged into that frame: the
// frame shows the newer picture, a little early, so the picture an image
// leaves is never lost, only a picture that stood for less than a frame.
//
// Start times are strictly increasing, every duration is at least the
// shortest frame, and the durations add up to the stretch (more only when
// the last image comes within the shortest frame of the end).
//
// Threads: an instance belongs to one thread.
#pragma once

#include <cstdint>
#include <optional>

namespace corvane {

struct ClipTiming {
  uint64_t tick_us = 1000;       // the container's time unit
  uint64_t min_frame_us = 1000;  // the shortest frame, a whole number of ticks
};

// One frame, in microseconds since the stretch's start.
struct ClipFrame {
  uint64_t start_us = 0;
  uint64_t duration_us = 0;
};

class StretchFrames {
 public:
  // The stretch [from_us, to_us) of a recording, to_us > from_us.
  StretchFrames(uint64_t from_us, uint64_t to_us, ClipTiming timing);

  // Called before the image at `time_us` (inside the stretch) is applied to
  // the picture: the frame that now ends, which shows the picture as it is
  // before that image, or none when the image merges into the frame that
  // stands (apply it; that frame then shows the newer picture). Times never
  // go back.
  std::optional<ClipFrame> BeforeImage(uint64_t time_us);

  // The last frame, showing the picture as it is now, until `end_us` (the
  // stretch's end, or an earlier end of the recording, not before the
  // stretch's start).
  ClipFrame Finish(uint64_t end_us) const;

  // The stretch's length, rounded down to the tick (at least one frame).
  uint64_t LengthUs() const { return length_us_; }

 private:
  uint64_t Rounded(uint64_t time_us) const;

  const uint64_t from_us_;
  const ClipTiming timing_;
  const uint64_t length_us_;
  uint64_t frame_start_us_ = 0;  // of the frame that stands
};

}  // namespace corvane
