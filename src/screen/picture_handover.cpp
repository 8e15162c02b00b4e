#include "screen/picture_handover.h"

namespace corvane {

PictureHandover::PictureHandover() {
  for (size_t i = 0; i < buffers_.size(); ++i) {
    buffers_[i] =
        std::make_unique<Pixel[]>(static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
    // Nothing has been copied in yet: every buffer is stale everywhere.
    stale_[i].Add(kWholePicture);
  }
}

void PictureHandover::Give(const Surface& picture) {
  changes_.Clear();
  if (latest_ < 0) {
    changes_.Add(kWholePicture);
  } else {
    FindChangedRegion(picture.Pixels(), buffers_[Index(latest_)].get(), changes_);
  }
  int target = 0;
  ChangedRegion to_copy;
  {
    std::lock_guard lock(mutex_);
    // Of three buffers at most two are shown or waiting. The UI's Take never
    // makes a free buffer shown, so this one stays the receiver's until it
    // is handed over below.
    while (target == shown_ || target == waiting_) ++target;
    to_copy = stale_[Index(target)];
  }
  to_copy.Add(changes_);
  // Outside the lock: the UI takes and paints while this copy runs.
  CopyRegion(picture.Pixels(), buffers_[Index(target)].get(), to_copy);
  {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < kBuffers; ++i) {
      if (i == target) {
        stale_[Index(i)].Clear();
      } else {
        stale_[Index(i)].Add(changes_);
      }
    }
    // A picture still waiting is dropped: only the latest is worth showing.
    waiting_ = target;
  }
  latest_ = target;
}

bool PictureHandover::Take(ChangedRegion& repaint) {
  std::lock_guard lock(mutex_);
  if (waiting_ < 0) return false;
  repaint.Clear();
  if (shown_ < 0) {
    repaint.Add(kWholePicture);
  } else {
    // The waiting picture is the latest, so what the shown one is stale in
    // is what the window must repaint: every change since it was taken,
    // however many pictures were replaced in between.
    repaint.Add(stale_[Index(shown_)]);
  }
  shown_ = waiting_;
  waiting_ = -1;
  return true;
}

}  // namespace corvane
