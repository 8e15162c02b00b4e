#include "screen/picture_handover.h"

#include <algorithm>

namespace corvane {
namespace {

constexpr size_t kPixels = static_cast<size_t>(Surface::kWidth) * Surface::kHeight;

}  // namespace

PictureHandover::PictureHandover() {
  // Left untouched until a picture needs them (BeginPicture): a session
  // that never shows one, such as corvane-cli's backup, costs no pages.
  // Allocated here all the same, so that a lack of memory shows where the
  // handover is made, not on the receiver's thread.
  for (auto& buffer : buffers_) buffer.reset(new Pixel[kPixels]);
}

Pixel* PictureHandover::BeginPicture() {
  if (drawing_ >= 0) return buffers_[Index(drawing_)].get();
  int target = 0;
  ChangedRegion to_copy;
  {
    std::lock_guard lock(mutex_);
    // Of three buffers at most two are shown or waiting. The UI's Take never
    // makes a free buffer shown, so this one stays the receiver's until it
    // is given.
    while (target == shown_ || target == waiting_) ++target;
    to_copy = stale_[Index(target)];
    stale_[Index(target)].Clear();
  }
  // Outside the lock: the UI takes and paints while this copy runs. The
  // latest picture is waiting or shown, so nobody writes it meanwhile.
  Pixel* const pixels = buffers_[Index(target)].get();
  if (!filled_[Index(target)]) {
    // Its first use: it holds what every buffer held from the start, and
    // its stale region says what differs from the latest picture since.
    std::fill_n(pixels, kPixels, kInitialSurfacePixel);
    filled_[Index(target)] = true;
  }
  if (latest_ >= 0) {
    CopyRegion(buffers_[Index(latest_)].get(), pixels, to_copy);
  } else {
    // Nothing given yet: only a dropped drawing can have changed it.
    for (const PictureRect& r : to_copy.Rects()) {
      for (int y = r.y; y < r.Bottom(); ++y) {
        std::fill_n(pixels + static_cast<size_t>(y) * Surface::kWidth + r.x, r.width,
                    kInitialSurfacePixel);
      }
    }
  }
  drawing_ = target;
  return pixels;
}

void PictureHandover::Give(const ChangedRegion& changes) {
  if (drawing_ < 0) return;
  {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < kBuffers; ++i) {
      if (i != drawing_) stale_[Index(i)].Add(changes);
    }
    // A picture still waiting is dropped: only the latest is worth showing.
    waiting_ = drawing_;
  }
  latest_ = drawing_;
  drawing_ = -1;
}

void PictureHandover::Drop(const ChangedRegion& written) {
  if (drawing_ < 0) return;
  {
    std::lock_guard lock(mutex_);
    stale_[Index(drawing_)].Add(written);
  }
  drawing_ = -1;
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
