#include "app/recording_player.h"

#include <limits>
#include <utility>
#include <vector>

#include "files/path_text.h"

namespace corvane {
namespace {

// Reading on decodes every image in between; going through a key picture
// decodes at most a key picture's worth (recording_writer.h). Within this
// much recorded time reading on is the cheaper.
constexpr uint64_t kReadOnLimitUs = 20'000'000;

}  // namespace

RecordingPlayer::RecordingPlayer(DisplaySwitch& display, PlayerEvents events)
    : display_(display), events_(std::move(events)) {}

RecordingPlayer::~RecordingPlayer() { Stop(); }

void RecordingPlayer::Start(const std::filesystem::path& file) {
  Stop();
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
    asked_.reset();
  }
  thread_ = std::thread([this, file] { Run(file); });
}

void RecordingPlayer::ShowAt(uint64_t time_us) {
  {
    std::lock_guard lock(mutex_);
    asked_ = time_us;
  }
  wake_.notify_one();
}

void RecordingPlayer::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void RecordingPlayer::Run(std::filesystem::path file) {
  if (!Open(file)) return;
  for (;;) {
    uint64_t time_us = 0;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || asked_.has_value(); });
      if (stop_) break;
      time_us = *asked_;
      asked_.reset();
    }
    Show(time_us);
  }
  // The file closes on this thread, which read it.
  reader_.reset();
  picture_.reset();
}

bool RecordingPlayer::Open(const std::filesystem::path& file) {
  std::string error;
  reader_ = RecordingReader::Open(file, error);
  if (!reader_) {
    events_.failed(error);
    return false;
  }
  RecordingOpened opened;
  opened.header = reader_->Header();
  // The last key picture, then every record after it: the recording's
  // length, and where it is damaged when that comes first.
  if (!reader_->SeekToKey(std::numeric_limits<uint64_t>::max())) {
    events_.failed(reader_->Damage() ? reader_->Damage()->Message()
                                     : PathText(file) + ": the recording holds no screen image");
    reader_.reset();
    return false;
  }
  RecordedItem item;
  while (reader_->Next(item)) opened.length_us = item.time_us;
  if (reader_->Damage() && !reader_->Damage()->cut_off) {
    opened.damage = reader_->Damage();
    damage_told_ = true;
  }
  picture_ = std::make_unique<RecordedPicture>();
  placed_ = false;
  events_.opened(std::move(opened));
  return true;
}

void RecordingPlayer::Show(uint64_t time_us) {
  if (!placed_ || time_us < reached_ || time_us - reached_ > kReadOnLimitUs) MoveTo(time_us);
  ReadUpTo(time_us);
  if (changed_ && display_.ShowReplayed(picture_->Pixels())) changed_ = false;
  events_.shown(time_us);
}

void RecordingPlayer::MoveTo(uint64_t time_us) {
  // A time before the first image shows the window's empty picture.
  picture_ = std::make_unique<RecordedPicture>();
  changed_ = true;
  have_ahead_ = false;
  placed_ = reader_->SeekToKey(time_us);
  reached_ = 0;
  if (!placed_) ReportDamage();
}

void RecordingPlayer::ReadUpTo(uint64_t time_us) {
  if (!placed_) return;
  if (have_ahead_) {
    if (ahead_.time_us > time_us) {
      reached_ = time_us;
      return;
    }
    changed_ |= ahead_.type == RecordType::kImage || ahead_.type == RecordType::kKeyPicture;
    picture_->Apply(ahead_);
    have_ahead_ = false;
  }
  RecordedItem item;
  while (reader_->Next(item)) {
    if (item.time_us > time_us) {
      std::swap(ahead_, item);
      have_ahead_ = true;
      break;
    }
    changed_ |= item.type == RecordType::kImage || item.type == RecordType::kKeyPicture;
    picture_->Apply(item);
  }
  reached_ = time_us;
  if (!have_ahead_) ReportDamage();
}

void RecordingPlayer::ReportDamage() {
  const std::optional<RecordingDamage>& damage = reader_->Damage();
  // A recording cut off at its end shows its last whole image: that is no
  // news after a crash.
  if (!damage || damage->cut_off || damage_told_) return;
  damage_told_ = true;
  events_.damaged(*damage);
}

}  // namespace corvane
