// A display with no window, for corvane-cli, the tests and the benchmarks:
// each picture is taken the moment it is shown, through the same handover
// the window uses, so it is drawn and kept exactly as the window would
// have it.
//
// Threads: the display calls run on the receiver thread, and so does
// PictureKept; what a subclass keeps for other threads it guards itself.
#pragma once

#include "screen/picture_handover.h"
#include "screen/screen_display.h"

namespace corvane {

class KeptPictureDisplay : public ScreenDisplay {
 public:
  Pixel* PictureToDraw() override { return pictures_.BeginPicture(); }
  void ShowPicture(const ChangedRegion& changed, int rows_decoded) override {
    pictures_.Give(changed);
    pictures_.Take(repaint_);
    PictureKept(pictures_.Shown(), changed, rows_decoded);
  }
  void DropPicture(const ChangedRegion& written) override { pictures_.Drop(written); }

 protected:
  // The picture just shown (valid until the next one) and its change.
  virtual void PictureKept(const Pixel* /*picture*/, const ChangedRegion& /*changed*/,
                           int /*rows_decoded*/) {}

 private:
  PictureHandover pictures_;
  ChangedRegion repaint_;
};

}  // namespace corvane
