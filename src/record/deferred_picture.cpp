#include "record/deferred_picture.h"

#include <algorithm>
#include <cstring>

#include "screen/payload_code.h"

namespace corvane {

namespace {

constexpr size_t kPixelCount = static_cast<size_t>(Surface::kWidth) * Surface::kHeight;

}  // namespace

DeferredPicture::DeferredPicture(const Pixel* start)
    : picture_(new Pixel[kPixelCount]), decoder_(ImageDecoder::Framing::kScreenFrame) {
  if (start != nullptr) {
    std::memcpy(picture_.get(), start, kPixelCount * sizeof(Pixel));
  } else {
    std::fill_n(picture_.get(), kPixelCount, kInitialSurfacePixel);
  }
}

void DeferredPicture::Add(std::span<const uint8_t> payload) {
  if (drawn_ == ends_.size()) {
    // Nothing waits to be drawn: the image before is needed no more.
    kept_.clear();
    ends_.clear();
    drawn_ = 0;
  }
  kept_.insert(kept_.end(), payload.begin(), payload.end());
  ends_.push_back(kept_.size());
  if (kept_.size() >= kKeptBytes) Draw();
}

std::span<const uint8_t> DeferredPicture::Last() const {
  if (ends_.empty()) return {};
  const size_t begin = ends_.size() == 1 ? 0 : ends_[ends_.size() - 2];
  return {kept_.data() + begin, ends_.back() - begin};
}

const Pixel* DeferredPicture::Pixels() {
  Draw();
  return picture_.get();
}

void DeferredPicture::Draw() {
  const auto begin_of = [&](size_t k) { return k == 0 ? 0 : ends_[k - 1]; };
  // The last image that covers the picture, looked for from the newest
  // back; without one every image is drawn. One image alone is simply
  // drawn.
  size_t first = drawn_;
  for (size_t k = ends_.size(); k > drawn_ + 1; --k) {
    if (PayloadCoversPicture({kept_.data() + begin_of(k - 1), ends_[k - 1] - begin_of(k - 1)})) {
      first = k - 1;
      break;
    }
  }
  for (size_t k = first; k < ends_.size(); ++k) {
    // Every framed image starts with the frame's pen, whatever the images
    // passed over ended with.
    decoder_.Begin(picture_.get());
    decoder_.Feed({kept_.data() + begin_of(k), ends_[k] - begin_of(k)});
    decoder_.Finish();
    decoder_.End();
  }
  drawn_ = ends_.size();
}

bool PayloadCoversPicture(std::span<const uint8_t> payload) {
  // The decoder's walk without the drawing: a run moves the pen position
  // by its length, a colour letter by one pixel when a letter follows it
  // (a letter before anything else only selects its pen), other bytes not
  // at all; a row ends at its last column, and what passes it is clipped.
  int x = 0;
  int y = 0;
  const size_t count = payload.size();
  for (size_t i = 0; i < count; ++i) {
    const PayloadByteRole& role = kPayloadByteRoles[payload[i]];
    if (role.run != 0) {
      x += role.run;
    } else if (role.letter && i + 1 < count && kPayloadByteRoles[payload[i + 1]].letter) {
      ++x;
    } else {
      continue;
    }
    if (x >= Surface::kWidth) {
      x = 0;
      if (++y >= Surface::kHeight) return true;
    }
  }
  return false;
}

}  // namespace corvane
