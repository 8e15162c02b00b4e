#include "clip/stretch_frames.h"

#include <algorithm>

namespace corvane {

StretchFrames::StretchFrames(uint64_t from_us, uint64_t to_us, ClipTiming timing)
    : from_us_(from_us),
      timing_{std::max<uint64_t>(timing.tick_us, 1),
              std::max(timing.min_frame_us, std::max<uint64_t>(timing.tick_us, 1))},
      length_us_(std::max(Rounded(std::max(to_us, from_us)), timing_.min_frame_us)) {}

uint64_t StretchFrames::Rounded(uint64_t time_us) const {
  const uint64_t since = time_us > from_us_ ? time_us - from_us_ : 0;
  return since / timing_.tick_us * timing_.tick_us;
}

std::optional<ClipFrame> StretchFrames::BeforeImage(uint64_t time_us) {
  const uint64_t start = Rounded(time_us);
  // Too soon after the frame that stands, or too close to the end to be a
  // frame of its own: the standing frame shows this image's picture.
  if (start < frame_start_us_ + timing_.min_frame_us || start + timing_.min_frame_us > length_us_) {
    return std::nullopt;
  }
  const ClipFrame ended{frame_start_us_, start - frame_start_us_};
  frame_start_us_ = start;
  return ended;
}

ClipFrame StretchFrames::Finish(uint64_t end_us) const {
  const uint64_t end = std::min(Rounded(end_us), length_us_);
  return {frame_start_us_, std::max(end, frame_start_us_ + timing_.min_frame_us) - frame_start_us_};
}

}  // namespace corvane
