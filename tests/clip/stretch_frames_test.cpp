// The frames of a stretch: when each picture of a recording is shown in a
// clip whose container counts in its own ticks.
#include "clip/stretch_frames.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace corvane {
namespace {

constexpr ClipTiming kGif{10'000, 20'000};

std::vector<ClipFrame> Frames(uint64_t from, uint64_t to, ClipTiming timing,
                              const std::vector<uint64_t>& images, uint64_t end) {
  StretchFrames stretch(from, to, timing);
  std::vector<ClipFrame> frames;
  for (const uint64_t image : images) {
    if (auto frame = stretch.BeforeImage(image)) frames.push_back(*frame);
  }
  frames.push_back(stretch.Finish(end));
  return frames;
}

TEST(StretchFrames, EachImageStartsAFrameAtItsTickAndTheLastLastsToTheEnd) {
  // From 0.5 s: the picture standing then, then images at 1.0 s, 2.0 s and
  // 3.505 s (rounded down to the hundredth), to 4.5 s.
  const std::vector<ClipFrame> frames =
      Frames(500'000, 4'500'000, kGif, {1'000'000, 2'000'000, 3'505'000}, 4'500'000);
  ASSERT_EQ(frames.size(), 4u);
  const uint64_t starts[] = {0, 500'000, 1'500'000, 3'000'000};
  const uint64_t durations[] = {500'000, 1'000'000, 1'500'000, 1'000'000};
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].start_us, starts[i]) << i;
    EXPECT_EQ(frames[i].duration_us, durations[i]) << i;
  }
}

TEST(StretchFrames, AnImageSoonerThanTheShortestFrameMergesIntoTheFrameBefore) {
  // 1.000 s and 1.015 s: the second picture replaces the first in its
  // frame; 1.030 s is a frame of its own again. At the end, an image within
  // the shortest frame of it merges too rather than making the clip longer.
  const std::vector<ClipFrame> frames =
      Frames(0, 2'000'000, kGif, {1'000'000, 1'015'000, 1'030'000, 1'990'000}, 2'000'000);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[1].start_us, 1'000'000u);
  EXPECT_EQ(frames[1].duration_us, 30'000u);
  EXPECT_EQ(frames[2].start_us, 1'030'000u);
  EXPECT_EQ(frames[2].start_us + frames[2].duration_us, 2'000'000u);
}

TEST(StretchFrames, ARecordingThatEndsEarlyEndsTheClipThereButNeverShortOfAFrame) {
  std::vector<ClipFrame> frames = Frames(0, 10'000'000, kGif, {1'000'000}, 4'000'000);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1].duration_us, 3'000'000u);
  // Its last image is its last record.
  frames = Frames(0, 10'000'000, kGif, {1'000'000}, 1'000'000);
  EXPECT_EQ(frames[1].duration_us, kGif.min_frame_us);
}

TEST(StretchFrames, AnyImagesGiveIncreasingFramesThatFillTheStretch) {
  std::mt19937_64 random(7);
  for (const ClipTiming timing : {kGif, ClipTiming{1'000, 1'000}}) {
    for (int round = 0; round < 200; ++round) {
      const uint64_t from = random() % 5'000'000;
      const uint64_t to = from + 1 + random() % 3'000'000;
      std::vector<uint64_t> images;
      for (uint64_t t = from + 1 + random() % 40'000; t < to; t += 1 + random() % 40'000) {
        images.push_back(t);
      }
      const std::vector<ClipFrame> frames = Frames(from, to, timing, images, to);
      uint64_t next = 0;
      for (const ClipFrame& frame : frames) {
        ASSERT_EQ(frame.start_us, next);
        ASSERT_GE(frame.duration_us, timing.min_frame_us);
        ASSERT_EQ(frame.duration_us % timing.tick_us, 0u);
        next = frame.start_us + frame.duration_us;
      }
      const uint64_t length = (to - from) / timing.tick_us * timing.tick_us;
      EXPECT_EQ(next, std::max(length, timing.min_frame_us)) << from << " " << to;
    }
  }
}

}  // namespace
}  // namespace corvane
