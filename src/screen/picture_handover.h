// The pictures on their way from the receiver to the window. Three whole
// pictures are allocated once and change hands: the one the window shows,
// at most one waiting for the UI to take it, and the receiver's free one,
// into which the next image is decoded straight away. Each remembers where
// it may differ from the latest picture, so that the free one is brought
// up to date by copying only that, and the window learns exactly what to
// repaint.
//
// When the UI falls behind, a newer picture replaces the waiting one and
// the changes add up: what the window repaints at its next take is the
// change against the picture it shows, not against the replaced one.
//
// Threads: BeginPicture, Give and Drop on the receiver thread; Take and
// Shown on the UI thread. Only the receiver writes pixels, and only into
// a buffer the UI neither shows nor can take; the roles and the stale
// regions are guarded by mutex_.
#pragma once

#include <array>
#include <memory>
#include <mutex>

#include "screen/changed_region.h"
#include "screen/surface.h"

namespace corvane {

class PictureHandover {
 public:
  // Every buffer starts as a new surface does: kInitialSurfacePixel (put
  // in when it is first used).
  PictureHandover();
  PictureHandover(const PictureHandover&) = delete;
  PictureHandover& operator=(const PictureHandover&) = delete;

  // Receiver thread. The free buffer, holding the latest picture given
  // (before the first, the initial pixels): the next picture is drawn in
  // it. It stays the receiver's until Give or Drop; asked again before
  // either, the same buffer.
  Pixel* BeginPicture();

  // Receiver thread. The buffer begun is the latest picture, and waits
  // for the UI in place of one it has not taken. `changes` covers every
  // pixel in which it differs from the picture given before. Without a
  // buffer begun, nothing happens.
  void Give(const ChangedRegion& changes);

  // Receiver thread. The buffer begun goes back unshown; `written` covers
  // what was changed in it, which the next BeginPicture puts back.
  void Drop(const ChangedRegion& written);

  // UI thread. Makes the waiting picture the shown one and sets `repaint`
  // to where it differs from the picture shown so far (the whole picture
  // at the first take); an unchanged picture leaves `repaint` empty. False,
  // and `repaint` untouched, when no picture waits.
  bool Take(ChangedRegion& repaint);

  // UI thread. The picture taken last, kWidth x kHeight row-major; nullptr
  // before the first take. Valid until the next Take.
  const Pixel* Shown() const { return shown_ < 0 ? nullptr : buffers_[Index(shown_)].get(); }

 private:
  static constexpr int kBuffers = 3;
  static size_t Index(int i) { return static_cast<size_t>(i); }

  std::array<std::unique_ptr<Pixel[]>, kBuffers> buffers_;

  std::mutex mutex_;
  // Where each buffer may differ from the latest picture given. Written by
  // the receiver under mutex_; read by the UI under it.
  std::array<ChangedRegion, kBuffers> stale_;
  // Buffer indices, -1 for none. shown_ is written by the UI under mutex_
  // (so the UI alone may read it without); waiting_ is written by both
  // under mutex_.
  int shown_ = -1;
  int waiting_ = -1;

  // Receiver thread only: the buffer holding the latest picture given
  // (waiting or shown, so never written), and the one begun.
  int latest_ = -1;
  int drawing_ = -1;
  // Receiver thread only: which buffers hold the initial pixels yet; a
  // buffer is filled with them when it is first begun.
  std::array<bool, kBuffers> filled_{};
};

}  // namespace corvane
