// The picture the window shows after the images recorded so far, drawn only
// when it is asked for: the recorder needs it for a key picture now and
// then, not after every image.
//
// The images since it was last drawn are kept, and the last image always,
// which the writer codes the next one against. The controller's images
// usually code the whole screen, and an image that does leaves nothing of
// the picture before it, so drawing starts at the last such image and the
// ones before it are never decoded. Once the kept images reach a few
// megabytes they are drawn anyway, so memory stays bounded however rarely
// a key picture is due.
//
// Threads: an instance belongs to one thread (the recorder's writer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "screen/image_decoder.h"
#include "screen/surface.h"

namespace corvane {

class DeferredPicture {
 public:
  // The kept images are drawn once they hold this many bytes.
  static constexpr size_t kKeptBytes = 4u << 20;

  // `start`: the picture before the first image (Surface::kWidth x
  // kHeight pixels, copied); null for the window's empty picture.
  explicit DeferredPicture(const Pixel* start);

  // An image's payload, after those before it.
  void Add(std::span<const uint8_t> payload);
  // The payload of the last image added (empty before the first); valid
  // until the next call.
  std::span<const uint8_t> Last() const;
  // The picture after every image added; Surface::kWidth x kHeight,
  // row-major, valid until the next call.
  const Pixel* Pixels();

 private:
  void Draw();

  std::unique_ptr<Pixel[]> picture_;
  ImageDecoder decoder_;
  // The payloads kept, back to back: the first `drawn_` of them are in the
  // picture already (only ever the last image), the rest not yet.
  std::vector<uint8_t> kept_;
  std::vector<size_t> ends_;  // where each of them ends in kept_
  size_t drawn_ = 0;
};

// The payload draws every pixel of the picture that the screen frame
// leaves: it runs past the last row, so nothing of the picture before it
// shows once it is drawn and framed.
bool PayloadCoversPicture(std::span<const uint8_t> payload);

}  // namespace corvane
