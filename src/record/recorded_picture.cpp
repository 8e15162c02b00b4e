#include "record/recorded_picture.h"

#include <algorithm>

namespace corvane {

RecordedPicture::RecordedPicture()
    : pixels_(new Pixel[static_cast<size_t>(Surface::kWidth) * Surface::kHeight]),
      decoder_(ImageDecoder::Framing::kScreenFrame) {
  std::fill_n(pixels_.get(), static_cast<size_t>(Surface::kWidth) * Surface::kHeight,
              kInitialSurfacePixel);
}

bool RecordedPicture::Apply(const RecordedItem& item) {
  if (item.type == RecordType::kKeyPicture) {
    if (!UnpackPicture(item.payload, pixels_.get())) return false;
    // A key picture stands at the time of the image after it; the picture
    // shown before that image is the one it holds.
    has_picture_ = true;
    time_us_ = item.time_us;
    return true;
  }
  if (item.type == RecordType::kImage) {
    decoder_.Begin(pixels_.get());
    decoder_.Feed(item.payload);
    decoder_.Finish();
    decoder_.End();
    has_picture_ = true;
    time_us_ = item.time_us;
  }
  return true;
}

PictureAtResult PictureAt(RecordingReader& reader, uint64_t time_us, RecordedPicture& picture) {
  if (!reader.SeekToKey(time_us)) {
    return reader.Damage() ? PictureAtResult::kDamaged : PictureAtResult::kNothingYet;
  }
  RecordedItem item;
  bool past = false;
  while (reader.Next(item)) {
    if (item.time_us > time_us) {
      past = true;
      break;
    }
    if (!picture.Apply(item)) return PictureAtResult::kDamaged;
  }
  // Damage before the time leaves the picture there unknown; a recording
  // cut off at its end simply shows its last whole image from then on.
  if (!past && reader.Damage() && !reader.Damage()->cut_off) return PictureAtResult::kDamaged;
  return picture.HasPicture() ? PictureAtResult::kFound : PictureAtResult::kNothingYet;
}

}  // namespace corvane
