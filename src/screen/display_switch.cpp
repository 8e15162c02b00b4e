#include "screen/display_switch.h"

#include <algorithm>

namespace corvane {
namespace {

constexpr size_t kPixels = static_cast<size_t>(Surface::kWidth) * Surface::kHeight;

// Puts `pixels` on `display` as its next picture, with where it changed.
void ShowWhole(ScreenDisplay& display, const Pixel* pixels) {
  Pixel* const target = display.PictureToDraw();
  ChangedRegion changed;
  FindChangedRegion(pixels, target, changed);
  CopyRegion(pixels, target, changed);
  display.ShowPicture(changed, Surface::kHeight);
}

}  // namespace

Pixel* DisplaySwitch::PictureToDraw() {
  std::lock_guard lock(mutex_);
  if (receiver_ == Target::kNone) receiver_ = replaying_ ? Target::kAside : Target::kView;
  return receiver_ == Target::kAside ? aside_.BeginPicture() : view_.PictureToDraw();
}

void DisplaySwitch::ShowPicture(const ChangedRegion& changed, int rows_decoded) {
  std::lock_guard lock(mutex_);
  if (receiver_ == Target::kAside) {
    aside_.Give(changed);
    ChangedRegion taken;
    aside_.Take(taken);
  } else if (receiver_ == Target::kView) {
    view_.ShowPicture(changed, rows_decoded);
  }
  const Target was = receiver_;
  receiver_ = Target::kNone;
  if (was == Target::kView && aside_pending_) PutLiveAside();
  if (was == Target::kAside && live_pending_) ShowLive();
  receiver_left_view_.notify_all();
}

void DisplaySwitch::DropPicture(const ChangedRegion& written) {
  std::lock_guard lock(mutex_);
  if (receiver_ == Target::kAside) {
    aside_.Drop(written);
  } else if (receiver_ == Target::kView) {
    view_.DropPicture(written);
  }
  const Target was = receiver_;
  receiver_ = Target::kNone;
  if (was == Target::kView && aside_pending_) PutLiveAside();
  if (was == Target::kAside && live_pending_) ShowLive();
  receiver_left_view_.notify_all();
}

void DisplaySwitch::BeginReplay() {
  std::lock_guard lock(mutex_);
  if (replaying_) return;
  replaying_ = true;
  live_pending_ = false;
  // A live picture still on its way to the window goes aside after it.
  if (receiver_ == Target::kView) {
    aside_pending_ = true;
  } else if (!view_replayed_) {
    PutLiveAside();
  }
  // Otherwise the receiver has drawn aside ever since the replay before, and
  // the aside picture is the live one already.
}

bool DisplaySwitch::ShowReplayed(const Pixel* pixels) {
  std::unique_lock lock(mutex_);
  receiver_left_view_.wait(lock, [this] { return receiver_ != Target::kView || !replaying_; });
  if (!replaying_) return false;
  ShowWhole(view_, pixels);
  view_replayed_ = true;
  return true;
}

void DisplaySwitch::EndReplay() {
  std::lock_guard lock(mutex_);
  if (!replaying_) return;
  replaying_ = false;
  aside_pending_ = false;
  receiver_left_view_.notify_all();
  if (!view_replayed_) return;  // the window still shows the live picture
  if (receiver_ == Target::kAside) {
    live_pending_ = true;
  } else {
    ShowLive();
  }
}

bool DisplaySwitch::Replaying() const {
  std::lock_guard lock(mutex_);
  return replaying_;
}

void DisplaySwitch::PutLiveAside() {
  aside_pending_ = false;
  // The view's free picture holds the latest one given: the live picture.
  const Pixel* live = view_.PictureToDraw();
  Pixel* const kept = aside_.BeginPicture();
  std::copy_n(live, kPixels, kept);
  view_.DropPicture(ChangedRegion{});
  ChangedRegion whole;
  whole.Add(kWholePicture);
  aside_.Give(whole);
  aside_.Take(whole);
}

void DisplaySwitch::ShowLive() {
  live_pending_ = false;
  view_replayed_ = false;
  ShowWhole(view_, aside_.Shown());
}

}  // namespace corvane
