#include "screen/view_handover.h"

namespace corvane {

void ViewHandover::ShowPicture(const ChangedRegion& changed, int /*rows_decoded*/) {
  pictures_.Give(changed);
  Post();
}

void ViewHandover::ShowStatusText(std::string_view text) {
  {
    std::lock_guard lock(text_mutex_);
    // The string keeps its capacity: the same few texts come again and
    // again, and cost no allocation after the first.
    handed_text_.assign(text);
    text_waits_ = true;
  }
  Post();
}

void ViewHandover::Post() {
  if (!posted_.exchange(true, std::memory_order_acq_rel) && !post_()) {
    posted_.store(false, std::memory_order_release);
  }
}

ViewHandover::Taken ViewHandover::Take() {
  // Cleared before taking: whatever arrives from here on posts anew.
  posted_.store(false, std::memory_order_release);
  Taken taken;
  {
    std::lock_guard lock(text_mutex_);
    if (text_waits_) {
      status_text_.swap(handed_text_);
      text_waits_ = false;
      taken.text = true;
    }
  }
  if (pictures_.Take(repaint_)) {
    taken.picture = true;
    ++pictures_shown_;
    picture_pixels_repainted_ += repaint_.Area();
  }
  return taken;
}

}  // namespace corvane
