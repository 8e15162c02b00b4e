#include "screen/image_decoder.h"

#include "screen/payload_code.h"

namespace corvane {
namespace {

constexpr int kW = Surface::kWidth;
constexpr int kH = Surface::kHeight;
// Pixels compared at once: one vector word's worth at -O2, where a plain
// loop that stops at the first difference is scalar.
constexpr int kBlock = 16;

// The first of p[0, n) that is not `colour`, or n.
int FirstDiffering(const Pixel* p, int n, Pixel colour) {
  int k = 0;
  for (; k + kBlock <= n; k += kBlock) {
    Pixel differs = 0;
    for (int j = 0; j < kBlock; ++j) differs |= p[k + j] ^ colour;
    if (differs != 0) break;
  }
  for (; k < n; ++k) {
    if (p[k] != colour) return k;
  }
  return n;
}

// One past the last of p[0, n) that is not `colour`; p[0] is known to
// differ, so the result is at least 1.
int EndOfDiffering(const Pixel* p, int n, Pixel colour) {
  while (n >= kBlock) {
    Pixel differs = 0;
    for (int j = 1; j <= kBlock; ++j) differs |= p[n - j] ^ colour;
    if (differs != 0) break;
    n -= kBlock;
  }
  while (p[n - 1] == colour) --n;
  return n;
}

void Fill(Pixel* p, int n, Pixel colour) {
  for (; n >= kBlock; n -= kBlock, p += kBlock) {
    for (int k = 0; k < kBlock; ++k) p[k] = colour;
  }
  for (int k = 0; k < n; ++k) p[k] = colour;
}

// Makes p[x0, x1) of row y `colour`, writing only from the first pixel
// that differs to the last, and notes that span.
inline void Paint(Pixel* row, int y, int x0, int x1, Pixel colour, ChangedSpans& changes) {
  if (x0 >= x1) return;
  Pixel* p = row + x0;
  const int n = x1 - x0;
  const int first = FirstDiffering(p, n, colour);
  if (first == n) return;
  const int end = first + EndOfDiffering(p + first, n - first, colour);
  Fill(p + first, end - first, colour);
  changes.Note(y, x0 + first, x0 + end);
}

}  // namespace

void ImageDecoder::Begin(Pixel* picture) {
  drawing_ = true;
  x_ = 0;
  y_ = 0;
  letter_waits_ = false;
  fed_ = 0;
  changes_.Clear();
  picture_ = picture;
  StartRow();
}

void ImageDecoder::GoOnIn(Pixel* picture) {
  picture_ = picture;
  StartRow();
}

void ImageDecoder::ReleasePicture() {
  picture_ = nullptr;
  row_ = nullptr;
  changes_.Clear();
}

void ImageDecoder::End() {
  drawing_ = false;
  ReleasePicture();
}

void ImageDecoder::RowBounds(int y, int& left, int& right) const {
  left = 0;
  right = kW;
  if (framing_ == Framing::kScreenFrame) {
    // What the frame leaves of each row: columns 2 to 797 of rows 6 to 597,
    // and the bottom-right pixel.
    if (y <= 5 || y == kH - 2) {
      right = 0;
    } else if (y == kH - 1) {
      left = kW - 1;
    } else {
      left = 2;
      right = kW - 2;
    }
  }
}

void ImageDecoder::StartRow() {
  if (y_ >= kH || picture_ == nullptr) {
    row_ = nullptr;
    return;
  }
  row_ = picture_ + static_cast<size_t>(y_) * kW;
  RowBounds(y_, left_, right_);
}

// Every row from kHeight on is clipped whole, so what is left of a payload
// can only change the pen: the last letter with a pen decides it.
void ImageDecoder::KeepLastPen(std::span<const uint8_t> bytes) {
  for (size_t j = bytes.size(); j > 0; --j) {
    const PayloadByteRole& role = kPayloadByteRoles[bytes[j - 1]];
    if (role.has_pen) {
      pen_ = role.pen;
      return;
    }
  }
}

// One pass with a table lookup per byte: a run digit is one span, a single
// pixel one compare. Pixels past column 799 are clipped and never carried
// into the next row. x < kWidth and y < kHeight hold at the top of the
// loop: both are checked after every byte that moves x. The state lives in
// locals meanwhile: a store into the picture could otherwise be a store
// into a member, and every pixel would load them all again.
void ImageDecoder::Feed(std::span<const uint8_t> bytes) {
  const uint8_t* const data = bytes.data();
  const size_t count = bytes.size();
  if (count == 0 || picture_ == nullptr) return;
  fed_ += count;
  if (y_ >= kH) {
    KeepLastPen(bytes);
    return;
  }
  Pixel pen = pen_;
  Pixel* row = row_;
  int x = x_;
  int y = y_;
  int left = left_;
  int right = right_;
  ChangedSpans& changes = changes_;
  const auto draw_pixel = [&] {
    if (x >= left && x < right && row[x] != pen) {
      row[x] = pen;
      changes.Note(y, x, x + 1);
    }
  };
  // False once the rows below the picture are reached.
  const auto next_row = [&] {
    x = 0;
    ++y;
    row += kW;
    RowBounds(y, left, right);
    return y < kH;
  };
  size_t i = 0;
  bool below = false;
  if (letter_waits_) {
    // The letter that ended the last piece draws its pixel, in its own pen
    // (for "F" the pen that was current), if this piece starts with a
    // letter too.
    letter_waits_ = false;
    if (kPayloadByteRoles[data[0]].letter) {
      draw_pixel();
      below = ++x >= kW && !next_row();
    }
  }
  while (!below && i < count) {
    const PayloadByteRole& role = kPayloadByteRoles[data[i]];
    ++i;
    if (role.run != 0) {
      const int end = x + role.run;
      Paint(row, y, x < left ? left : x, end > right ? right : end, pen, changes);
      x = end;
    } else if (role.letter) {
      if (role.has_pen) pen = role.pen;
      if (i == count) {
        letter_waits_ = true;
        break;
      }
      if (!kPayloadByteRoles[data[i]].letter) continue;  // x did not move
      draw_pixel();
      ++x;
    } else {
      continue;  // x did not move, so no row can end
    }
    if (x >= kW) below = !next_row();
  }
  pen_ = pen;
  x_ = x;
  y_ = y;
  left_ = left;
  right_ = right;
  row_ = below ? nullptr : row;
  if (below) KeepLastPen(bytes.subspan(i));
}

void ImageDecoder::Finish() {
  letter_waits_ = false;
  if (framing_ == Framing::kScreenFrame && picture_ != nullptr) {
    DrawScreenFrame(picture_, changes_);
    // The next image starts with the frame's pen, black.
    pen_ = kBlack;
  }
}

void DrawScreenFrame(Pixel* picture, ChangedSpans& changes) {
  // Rows 0 to 5, 598 and 599 over columns 0 to 798, and columns 0, 1, 798
  // and 799 over rows 0 to 598: every line of the frame leaves out its end
  // point, which is why (799, 599) keeps what the image drew there.
  constexpr int kRight = kW - 1;
  constexpr int kBottom = kH - 1;
  const auto row = [&](int y) { return picture + static_cast<size_t>(y) * kW; };
  for (const int y : {0, 1, 2, 3, 4, 5}) Paint(row(y), y, 0, kRight, kBlack, changes);
  for (int y = 0; y < kBottom; ++y) {
    Pixel* r = row(y);
    for (const int x : {0, 1, kRight - 1, kRight}) {
      if (r[x] != kBlack) {
        r[x] = kBlack;
        changes.Note(y, x, x + 1);
      }
    }
  }
  for (const int y : {kBottom - 1, kBottom}) Paint(row(y), y, 0, kRight, kBlack, changes);
}

}  // namespace corvane
