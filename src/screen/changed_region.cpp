#include "screen/changed_region.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace corvane {
namespace {

constexpr int kW = Surface::kWidth;
constexpr int kH = Surface::kHeight;

bool Near(const PictureRect& a, const PictureRect& b) {
  constexpr int gap = ChangedRegion::kMergeGap;
  return b.x <= a.Right() + gap && a.x <= b.Right() + gap && b.y <= a.Bottom() + gap &&
         a.y <= b.Bottom() + gap;
}

PictureRect Bound(const PictureRect& a, const PictureRect& b) {
  const int x = std::min(a.x, b.x);
  const int y = std::min(a.y, b.y);
  return {x, y, std::max(a.Right(), b.Right()) - x, std::max(a.Bottom(), b.Bottom()) - y};
}

PictureRect Clip(const PictureRect& r) {
  const int x0 = std::max(r.x, 0);
  const int y0 = std::max(r.y, 0);
  const int x1 = std::min(r.Right(), kW);
  const int y1 = std::min(r.Bottom(), kH);
  if (x0 >= x1 || y0 >= y1) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

int64_t ChangedRegion::Area() const {
  int64_t area = 0;
  for (const PictureRect& r : Rects()) area += r.Area();
  return area;
}

void ChangedRegion::Add(const PictureRect& rect) {
  const PictureRect clipped = Clip(rect);
  if (clipped.Area() == 0) return;
  // The array has one slot beyond the cap for the newcomer.
  rects_[static_cast<size_t>(count_)] = clipped;
  ++count_;
  Absorb(count_ - 1);
  if (count_ <= kMaxRects) return;
  // One too many: join the pair whose bounding box adds the fewest pixels
  // that did not change.
  int best_a = 0;
  int best_b = 1;
  int64_t best_growth = std::numeric_limits<int64_t>::max();
  for (int a = 0; a < count_; ++a) {
    for (int b = a + 1; b < count_; ++b) {
      const int64_t growth =
          Bound(rects_[static_cast<size_t>(a)], rects_[static_cast<size_t>(b)]).Area() -
          rects_[static_cast<size_t>(a)].Area() - rects_[static_cast<size_t>(b)].Area();
      if (growth < best_growth) {
        best_growth = growth;
        best_a = a;
        best_b = b;
      }
    }
  }
  Absorb(MergeInto(best_a, best_b));
}

void ChangedRegion::Add(const ChangedRegion& other) {
  for (const PictureRect& r : other.Rects()) Add(r);
}

int ChangedRegion::MergeInto(int keep, int drop) {
  auto& kept = rects_[static_cast<size_t>(keep)];
  kept = Bound(kept, rects_[static_cast<size_t>(drop)]);
  const int last = count_ - 1;
  rects_[static_cast<size_t>(drop)] = rects_[static_cast<size_t>(last)];
  --count_;
  // The last rectangle moved into the dropped one's slot.
  return keep == last ? drop : keep;
}

void ChangedRegion::Absorb(int index) {
  // A grown rectangle may now reach others: keep joining until none is near.
  for (bool merged = true; merged;) {
    merged = false;
    for (int j = 0; j < count_; ++j) {
      if (j != index && Near(rects_[static_cast<size_t>(index)], rects_[static_cast<size_t>(j)])) {
        index = MergeInto(index, j);
        merged = true;
        break;
      }
    }
  }
}

void ChangedSpans::CloseRow() {
  if (row_ < 0) return;
  if (block_.Area() != 0 && block_.x == left_ && block_.Right() == right_ &&
      block_.Bottom() == row_) {
    ++block_.height;
  } else {
    region_.Add(block_);
    block_ = {left_, row_, right_ - left_, 1};
  }
  row_ = -1;
}

void FindChangedRegion(const Pixel* current, const Pixel* previous, ChangedRegion& changed) {
  // Columns are compared 16 pixels (64 bytes) at a time; a run of changes
  // ends at the first block that is the same in both, and only its first
  // and last blocks are searched pixel by pixel for the exact edges.
  constexpr int kBlock = 16;
  constexpr int kBlocks = (kW + kBlock - 1) / kBlock;
  constexpr size_t kRowBytes = static_cast<size_t>(kW) * sizeof(Pixel);
  for (int y = 0; y < kH; ++y) {
    const Pixel* c = current + static_cast<size_t>(y) * kW;
    const Pixel* p = previous + static_cast<size_t>(y) * kW;
    if (std::memcmp(c, p, kRowBytes) == 0) continue;
    const auto block_same = [&](int k) {
      const int x = k * kBlock;
      const int n = std::min(kBlock, kW - x);
      return std::memcmp(c + x, p + x, static_cast<size_t>(n) * sizeof(Pixel)) == 0;
    };
    int k = 0;
    while (k < kBlocks) {
      while (k < kBlocks && block_same(k)) ++k;
      if (k == kBlocks) break;
      const int first = k;
      while (k < kBlocks && !block_same(k)) ++k;
      int x0 = first * kBlock;
      while (c[x0] == p[x0]) ++x0;
      int x1 = std::min(k * kBlock, kW);
      while (c[x1 - 1] == p[x1 - 1]) --x1;
      changed.Add({x0, y, x1 - x0, 1});
    }
  }
}

void CopyRegion(const Pixel* from, Pixel* to, const ChangedRegion& region) {
  for (const PictureRect& r : region.Rects()) {
    for (int y = r.y; y < r.Bottom(); ++y) {
      const size_t offset = static_cast<size_t>(y) * kW + static_cast<size_t>(r.x);
      std::memcpy(to + offset, from + offset, static_cast<size_t>(r.width) * sizeof(Pixel));
    }
  }
}

}  // namespace corvane
