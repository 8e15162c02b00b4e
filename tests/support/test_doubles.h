// Recorders for the two seams to the shell, shared by the test programs.
// Both may be called from any thread (the receiver and sender workers call
// them while a test thread reads them), so every member takes the lock, and
// each wait gives up with a failure after kPatience.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "link/operator_messages.h"
#include "screen/changed_region.h"
#include "screen/kept_picture_display.h"
#include "screen/screen_display.h"
#include "screen/surface.h"
#include "support/patience.h"

namespace corvane::testing {

// Hands `picture` to a display as the receiver would had it decoded it:
// drawn into the display's picture, with where it changed.
inline void ShowWholePicture(ScreenDisplay& display, const Surface& picture) {
  Pixel* target = display.PictureToDraw();
  ChangedRegion changed;
  FindChangedRegion(picture.Pixels(), target, changed);
  CopyRegion(picture.Pixels(), target, changed);
  display.ShowPicture(changed, Surface::kHeight);
}

// Records every status text and picture in order ("status", "picture",
// and "drop" for a picture given up); keeps a copy of the last picture's
// pixels as the window would show it, and the rows each picture had
// decoded.
class RecordingDisplay : public KeptPictureDisplay {
 public:
  void ShowStatusText(std::string_view text) override {
    {
      std::lock_guard lock(mutex_);
      events_.emplace_back("status");
      texts_.emplace_back(text);
    }
    changed_.notify_all();
  }

  void DropPicture(const ChangedRegion& written) override {
    KeptPictureDisplay::DropPicture(written);
    std::lock_guard lock(mutex_);
    events_.emplace_back("drop");
  }

  // Rows decoded of each picture shown, in order.
  std::vector<int> Rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
  }

  std::vector<std::string> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<std::string> Texts() const {
    std::lock_guard lock(mutex_);
    return texts_;
  }
  std::string LastText() const {
    std::lock_guard lock(mutex_);
    return texts_.empty() ? std::string() : texts_.back();
  }
  size_t TextCount() const {
    std::lock_guard lock(mutex_);
    return texts_.size();
  }
  int PictureCount() const {
    std::lock_guard lock(mutex_);
    return pictures_;
  }
  // Pixels of the last picture, row-major; empty before the first one.
  std::vector<Pixel> LastPicture() const {
    std::lock_guard lock(mutex_);
    return last_picture_;
  }

  // Wait (without polling) until at least `count` pictures or texts were
  // shown; false, with a failure, when they did not come in time.
  bool WaitForPictures(int count) const {
    std::unique_lock lock(mutex_);
    return WaitOrFail(
        changed_, lock, [&] { return pictures_ >= count; },
        [&] { return std::to_string(pictures_) + " of " + std::to_string(count) + " pictures"; });
  }
  bool WaitForTexts(size_t count) const {
    std::unique_lock lock(mutex_);
    return WaitOrFail(
        changed_, lock, [&] { return texts_.size() >= count; },
        [&] {
          return std::to_string(texts_.size()) + " of " + std::to_string(count) + " status texts";
        });
  }

 protected:
  void PictureKept(const Pixel* picture, const ChangedRegion&, int rows_decoded) override {
    {
      std::lock_guard lock(mutex_);
      events_.emplace_back("picture");
      ++pictures_;
      rows_.push_back(rows_decoded);
      last_picture_.assign(picture,
                           picture + static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
    }
    changed_.notify_all();
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> events_;
  std::vector<std::string> texts_;
  std::vector<Pixel> last_picture_;
  std::vector<int> rows_;
  int pictures_ = 0;
};

// Records every message the core raises instead of showing a box.
class RecordingMessages : public OperatorMessages {
 public:
  void Show(const OperatorMessage& message) override {
    {
      std::lock_guard lock(mutex_);
      messages_.push_back(message);
    }
    changed_.notify_all();
  }

  std::vector<OperatorMessage> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  size_t Count() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
  }
  // Waits until at least `count` messages were raised; false, with a
  // failure, when they did not come in time.
  bool WaitForMessages(size_t count) const {
    std::unique_lock lock(mutex_);
    return WaitOrFail(
        changed_, lock, [&] { return messages_.size() >= count; },
        [&] {
          return std::to_string(messages_.size()) + " of " + std::to_string(count) + " messages";
        });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<OperatorMessage> messages_;
};

}  // namespace corvane::testing
