// The decoder of the controller's run-length colour code, fed a screen
// image's payload a piece at a time as it arrives, drawing straight into a
// whole picture that holds the image before (what a payload leaves undrawn
// shows that image).
//
// It learns where the picture changed on the way: a run compares the pixels
// it covers with its pen before it writes, so an unchanged run only reads,
// and one pass over the picture both draws it and finds what changed. The
// window then repaints only that.
//
// With the screen frame, the decoder never writes the frame's pixels: they
// are black after every image, so a run that crosses them would change them
// only for the frame to change them back, and the window would be told to
// repaint the border of every image.
//
// Threads: the receiver thread owns the one the renderer uses; tests own
// theirs. Allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "screen/changed_region.h"
#include "screen/surface.h"

namespace corvane {

class ImageDecoder {
 public:
  enum class Framing { kNone, kScreenFrame };

  explicit ImageDecoder(Framing framing = Framing::kScreenFrame) : framing_(framing) {}
  ImageDecoder(const ImageDecoder&) = delete;
  ImageDecoder& operator=(const ImageDecoder&) = delete;

  // The pen the next image starts with; it carries over from one image to
  // the next (black at first, and black after every framed image).
  Pixel Pen() const { return pen_; }
  void SelectPen(Pixel pen) { pen_ = pen; }

  // An image has begun and not ended.
  bool Drawing() const { return drawing_; }
  // Drawing, and it has a picture to go on in.
  bool HasPicture() const { return picture_ != nullptr; }

  // Starts an image at (0, 0) in `picture` (kWidth x kHeight, row-major).
  void Begin(Pixel* picture);
  // The picture was handed on part drawn; the image goes on in `picture`,
  // which holds the same pixels.
  void GoOnIn(Pixel* picture);
  // The picture is no longer the decoder's (handed on, or given up); the
  // image needs another (GoOnIn) before it is fed again. Changes start over.
  void ReleasePicture();

  // More of the payload. A colour letter that is the last byte fed waits
  // for the next byte to know whether it draws its pixel.
  void Feed(std::span<const uint8_t> bytes);
  // Payload bytes fed since Begin.
  size_t BytesFed() const { return fed_; }
  // The payload ended: a colour letter last draws nothing; the frame is
  // drawn (with the screen frame).
  void Finish();
  // Back to no image. The pen stays.
  void End();

  // Covers every pixel this decoder changed in the picture since Begin,
  // GoOnIn or ReleasePicture, and perhaps a few more.
  const ChangedRegion& Changes() { return changes_.Region(); }

  // Rows of the picture that are the image's own by now: every row above
  // the one being decoded; kHeight once the payload went past the last.
  int RowsDecoded() const { return y_ < Surface::kHeight ? y_ : Surface::kHeight; }
  // Where the next run starts: the pen position. Rows from kHeight on are
  // not followed: y stays at kHeight, x at 0.
  int X() const { return x_; }
  int Y() const { return y_; }

 private:
  // The columns [left, right) of row y that are the image's to write.
  void RowBounds(int y, int& left, int& right) const;
  void StartRow();
  void KeepLastPen(std::span<const uint8_t> bytes);

  const Framing framing_;
  Pixel pen_ = kBlack;
  bool drawing_ = false;
  Pixel* picture_ = nullptr;
  Pixel* row_ = nullptr;  // row y_ of picture_, while y_ < kHeight
  int x_ = 0;
  int y_ = 0;
  // Columns [left_, right_) of row y_ are the image's to write.
  int left_ = 0;
  int right_ = Surface::kWidth;
  bool letter_waits_ = false;  // the last byte fed was a colour letter
  size_t fed_ = 0;
  ChangedSpans changes_;
};

// Paints the screen frame into `picture` in black, noting in `changes`
// the pixels that were not black already.
void DrawScreenFrame(Pixel* picture, ChangedSpans& changes);

}  // namespace corvane
