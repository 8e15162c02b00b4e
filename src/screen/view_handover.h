// What a window's view does with what the receiver hands it, the same in
// every front end and without a toolkit: the pictures go through a
// PictureHandover, the latest status text waits under a mutex, and the UI
// thread is asked to take them with at most one queued call in flight, so
// a slow UI never builds up a queue of frames and repaints what changed in
// all of them at once. The front end only posts that call, invalidates
// what Take reports and paints Shown().
//
// Threads: the ScreenDisplay calls (and so `post`) on the receiver thread;
// Take and everything below it on the UI thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "screen/changed_region.h"
#include "screen/picture_handover.h"
#include "screen/screen_display.h"

namespace corvane {

class ViewHandover : public ScreenDisplay {
 public:
  // `post` asks the UI thread to call Take soon; false when it could not
  // (no window yet or any more), and the next hand-over asks again.
  explicit ViewHandover(std::function<bool()> post) : post_(std::move(post)) {}

  // ScreenDisplay, receiver thread.
  Pixel* PictureToDraw() override { return pictures_.BeginPicture(); }
  void ShowPicture(const ChangedRegion& changed, int rows_decoded) override;
  void DropPicture(const ChangedRegion& written) override { pictures_.Drop(written); }
  void ShowStatusText(std::string_view text) override;

  struct Taken {
    bool text = false;     // StatusText() is new
    bool picture = false;  // Shown() is new; Repaint() says where it changed
  };
  // UI thread, in the call `post` queued: takes what was handed over since
  // the last take.
  Taken Take();

  // UI thread. What is on the window now.
  const std::string& StatusText() const { return status_text_; }
  // The picture taken last; nullptr before the first.
  const Pixel* Shown() const { return pictures_.Shown(); }
  // Where the picture taken last differs from the one shown before it
  // (the whole picture at the first).
  const ChangedRegion& Repaint() const { return repaint_; }
  int PicturesShown() const { return pictures_shown_; }
  // Picture pixels to repaint because pictures changed, summed over all
  // pictures taken (the cost a remote desktop sees).
  int64_t PicturePixelsRepainted() const { return picture_pixels_repainted_; }

 private:
  void Post();

  const std::function<bool()> post_;
  // Guarded inside: the receiver gives, the UI takes.
  PictureHandover pictures_;

  // The status text from the receiver: guarded by text_mutex_.
  std::mutex text_mutex_;
  std::string handed_text_;
  bool text_waits_ = false;
  // Set while a queued Take is on its way, so that the receiver posts at
  // most one at a time.
  std::atomic<bool> posted_{false};

  // UI thread only.
  ChangedRegion repaint_;
  std::string status_text_;
  int pictures_shown_ = 0;
  int64_t picture_pixels_repainted_ = 0;
};

}  // namespace corvane
