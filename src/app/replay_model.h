// The replay's clock: where in a recording the window is, whether it plays,
// how fast, and the stretch of it the operator has chosen. Plain values and
// a time handed in, so it runs the same under a fake clock in the tests.
//
// Positions are microseconds since the recording's start, from 0 to its
// length (the time of its last record). Playing moves the position on by
// the time passed times the speed; at the end it stops there.
//
// Threads: UI thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace corvane {

using ReplayClock = std::chrono::steady_clock;

// The speeds the replay offers: as recorded, ten and a hundred times.
inline constexpr int kReplaySpeeds[] = {1, 10, 100};

// A part of the recording, from and to positions (from <= to).
struct ReplayStretch {
  uint64_t from_us = 0;
  uint64_t to_us = 0;
};

class ReplayModel {
 public:
  // A recording `length_us` long, at its start, paused, at 1x, its whole
  // length the stretch.
  void Load(uint64_t length_us);
  uint64_t Length() const { return length_us_; }

  uint64_t Position(ReplayClock::time_point now) const;
  bool Playing() const { return playing_; }
  int Speed() const { return speed_; }
  // Playing from the end starts again at the beginning.
  void Play(ReplayClock::time_point now);
  void Pause(ReplayClock::time_point now);
  // Any speed but those of kReplaySpeeds is ignored.
  void SetSpeed(int speed, ReplayClock::time_point now);
  // Past the end is the end.
  void Seek(uint64_t position_us, ReplayClock::time_point now);
  // The position now; playing stops once it reaches the end.
  uint64_t Tick(ReplayClock::time_point now);

  // The stretch of the recording the operator has chosen on the timeline
  // (what an export of the window would write); the whole recording until
  // a stretch is set. Ends past the length are the length.
  ReplayStretch Stretch() const { return stretch_; }
  void SetStretch(ReplayStretch stretch);
  // The stretch's start or end put at `position_us`. A start marked after
  // the end takes the end to the recording's end, an end marked before the
  // start takes the start to its beginning: the mark just set is the one
  // the operator meant.
  void MarkStart(uint64_t position_us);
  void MarkEnd(uint64_t position_us);

 private:
  uint64_t length_us_ = 0;
  // The position was `anchor_us_` at `anchor_time_`; while paused it stays.
  uint64_t anchor_us_ = 0;
  ReplayClock::time_point anchor_time_{};
  bool playing_ = false;
  int speed_ = 1;
  ReplayStretch stretch_;
};

// "2026-12-08 03:12:45 local time": the moment a position of a recording
// shows, from the UTC start time in its header, in the time zone `to_local`
// gives (std::localtime when empty); none when it cannot say.
std::optional<std::string> RecordedTimeText(
    int64_t start_utc_us, uint64_t position_us,
    const std::function<std::optional<std::tm>(std::time_t)>& to_local = {});

// "1:02:03 / 24:00:00": the position and the length, hours not padded.
std::string ReplayPositionText(uint64_t position_us, uint64_t length_us);

// "Clip 0:00:10 to 0:00:20": the stretch an export writes.
std::string ReplayStretchText(ReplayStretch stretch);

}  // namespace corvane
