// Where one picture of the controller's screen differs from another, as a
// few rectangles. Most images the controller sends differ from the one
// before in a counter or a bar only, so a window repaints those and leaves
// the rest of the 800x600 picture as it is.
//
// Rectangles are in picture coordinates: (0, 0) is the picture's top-left
// pixel, whatever the window does with it.
//
// Threads: plain values; each instance belongs to whoever holds it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "screen/surface.h"

namespace corvane {

struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  int Right() const { return x + width; }    // one past the last column
  int Bottom() const { return y + height; }  // one past the last row
  int64_t Area() const { return int64_t{width} * height; }
  bool operator==(const PictureRect&) const = default;
};

inline constexpr PictureRect kWholePicture{0, 0, Surface::kWidth, Surface::kHeight};

// A union of at most kMaxRects rectangles that covers every pixel added to
// it; it may cover a few more. Rectangles that come within kMergeGap pixels
// of each other become their common bounding box, and so does the pair that
// grows least when one more would go past the cap, so that a window gets a
// handful of paints, never hundreds. So the rectangles never overlap.
class ChangedRegion {
 public:
  static constexpr int kMaxRects = 8;
  static constexpr int kMergeGap = 16;

  bool Empty() const { return count_ == 0; }
  std::span<const PictureRect> Rects() const {
    return {rects_.data(), static_cast<size_t>(count_)};
  }
  // Pixels covered, each counted once however the rectangles overlap.
  int64_t Area() const;

  void Clear() { count_ = 0; }
  // An empty rectangle adds nothing.
  void Add(const PictureRect& rect);
  void Add(const ChangedRegion& other);

 private:
  int MergeInto(int keep, int drop);
  void Absorb(int index);

  std::array<PictureRect, kMaxRects + 1> rects_{};
  int count_ = 0;
};

// Gathers changed spans of rows, as a decoder meets them row after row, into
// a ChangedRegion: spans of one row that come within kMergeGap of each
// other are one, and rows that changed in the same columns, one under the
// other, are one rectangle, so that a picture that changed everywhere is a
// handful of Adds and not one per row. Spans in any other order are kept
// as well, only less well joined.
class ChangedSpans {
 public:
  // Pixels [x0, x1) of row y changed.
  void Note(int y, int x0, int x1) {
    if (y == row_ && x0 <= right_ + ChangedRegion::kMergeGap &&
        x1 + ChangedRegion::kMergeGap >= left_) {
      left_ = std::min(left_, x0);
      right_ = std::max(right_, x1);
      return;
    }
    CloseRow();
    row_ = y;
    left_ = x0;
    right_ = x1;
  }
  // Everything noted so far, in `region` from here on.
  ChangedRegion& Region() {
    CloseRow();
    region_.Add(block_);
    block_ = {};
    return region_;
  }
  void Clear() {
    row_ = -1;
    block_ = {};
    region_.Clear();
  }

 private:
  void CloseRow();

  int row_ = -1;  // the row of the open span, -1 for none
  int left_ = 0;
  int right_ = 0;
  PictureRect block_;  // closed spans of the rows above, all alike
  ChangedRegion region_;
};

// Adds to `changed` rectangles covering every pixel in which `current` and
// `previous` differ (both kWidth x kHeight, row-major). Rows are compared
// whole first; only a row that differs is looked at column by column, so an
// unchanged picture costs one pass of memcmp over both.
void FindChangedRegion(const Pixel* current, const Pixel* previous, ChangedRegion& changed);

// Copies the pixels `region` covers from `from` into `to` (both whole
// pictures).
void CopyRegion(const Pixel* from, Pixel* to, const ChangedRegion& region);

}  // namespace corvane
