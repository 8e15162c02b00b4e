#include "app/replay_model.h"

#include <algorithm>
#include <cstdio>

namespace corvane {

void ReplayModel::Load(uint64_t length_us) {
  length_us_ = length_us;
  anchor_us_ = 0;
  playing_ = false;
  speed_ = 1;
  stretch_ = {0, length_us};
}

uint64_t ReplayModel::Position(ReplayClock::time_point now) const {
  if (!playing_ || now <= anchor_time_) return anchor_us_;
  const auto passed =
      std::chrono::duration_cast<std::chrono::microseconds>(now - anchor_time_).count();
  // A clock far ahead (a machine woken from sleep) is simply the end.
  const uint64_t moved = static_cast<uint64_t>(passed) * static_cast<uint64_t>(speed_);
  return moved >= length_us_ - anchor_us_ ? length_us_ : anchor_us_ + moved;
}

void ReplayModel::Play(ReplayClock::time_point now) {
  if (playing_) return;
  if (anchor_us_ >= length_us_) anchor_us_ = 0;
  anchor_time_ = now;
  playing_ = true;
}

void ReplayModel::Pause(ReplayClock::time_point now) {
  anchor_us_ = Position(now);
  anchor_time_ = now;
  playing_ = false;
}

void ReplayModel::SetSpeed(int speed, ReplayClock::time_point now) {
  if (std::find(std::begin(kReplaySpeeds), std::end(kReplaySpeeds), speed) ==
      std::end(kReplaySpeeds)) {
    return;
  }
  // The time played so far counts at the old speed.
  anchor_us_ = Position(now);
  anchor_time_ = now;
  speed_ = speed;
}

void ReplayModel::Seek(uint64_t position_us, ReplayClock::time_point now) {
  anchor_us_ = std::min(position_us, length_us_);
  anchor_time_ = now;
}

uint64_t ReplayModel::Tick(ReplayClock::time_point now) {
  const uint64_t position = Position(now);
  if (playing_ && position >= length_us_) Pause(now);
  return position;
}

void ReplayModel::SetStretch(ReplayStretch stretch) {
  stretch.to_us = std::min(stretch.to_us, length_us_);
  stretch.from_us = std::min(stretch.from_us, stretch.to_us);
  stretch_ = stretch;
}

void ReplayModel::MarkStart(uint64_t position_us) {
  const uint64_t start = std::min(position_us, length_us_);
  SetStretch({start, start <= stretch_.to_us ? stretch_.to_us : length_us_});
}

void ReplayModel::MarkEnd(uint64_t position_us) {
  const uint64_t end = std::min(position_us, length_us_);
  SetStretch({end >= stretch_.from_us ? stretch_.from_us : 0, end});
}

std::optional<std::string> RecordedTimeText(
    int64_t start_utc_us, uint64_t position_us,
    const std::function<std::optional<std::tm>(std::time_t)>& to_local) {
  // Whole seconds, rounded down also before 1970.
  const int64_t us = start_utc_us + static_cast<int64_t>(position_us);
  const int64_t seconds = us >= 0 ? us / 1000000 : -((-us + 999999) / 1000000);
  const auto when = static_cast<std::time_t>(seconds);
  std::optional<std::tm> local;
  if (to_local) {
    local = to_local(when);
  } else {
    // std::localtime's result is shared by the whole process: only the UI
    // thread calls it, and copies it at once.
    if (const std::tm* found = std::localtime(&when)) local = *found;
  }
  if (!local) return std::nullopt;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d local time",
                local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour,
                local->tm_min, local->tm_sec);
  return std::string(text);
}

namespace {

std::string ClockText(uint64_t us) {
  const uint64_t s = us / 1000000;
  char text[32];
  std::snprintf(text, sizeof text, "%llu:%02u:%02u", static_cast<unsigned long long>(s / 3600),
                static_cast<unsigned>(s / 60 % 60), static_cast<unsigned>(s % 60));
  return text;
}

}  // namespace

std::string ReplayPositionText(uint64_t position_us, uint64_t length_us) {
  return ClockText(position_us) + " / " + ClockText(length_us);
}

std::string ReplayStretchText(ReplayStretch stretch) {
  return "Clip " + ClockText(stretch.from_us) + " to " + ClockText(stretch.to_us);
}

}  // namespace corvane
