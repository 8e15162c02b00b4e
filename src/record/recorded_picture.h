// The picture a recording shows at a time: what the window showed then,
// rebuilt from the key picture before it and the images after that, each
// decoded as the receiver decodes it.
//
// Threads: an instance belongs to one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "record/recording_reader.h"
#include "screen/image_decoder.h"
#include "screen/surface.h"

namespace corvane {

class RecordedPicture {
 public:
  RecordedPicture();

  // Takes a record into the picture: a key picture replaces it, an image
  // is decoded onto it; other records leave it. False for a key picture
  // whose payload is not one.
  bool Apply(const RecordedItem& item);
  // A key picture or an image has been applied.
  bool HasPicture() const { return has_picture_; }
  // Surface::kWidth x kHeight, row-major.
  const Pixel* Pixels() const { return pixels_.get(); }
  // The time of the image (or key picture) the picture is from.
  uint64_t TimeUs() const { return time_us_; }

 private:
  std::unique_ptr<Pixel[]> pixels_;
  ImageDecoder decoder_;
  bool has_picture_ = false;
  uint64_t time_us_ = 0;
};

enum class PictureAtResult { kFound, kNothingYet, kDamaged };

// The picture shown at `time_us` since the start of the recording: the
// last image at or before it. kNothingYet when the recording shows none by
// then; kDamaged when damage comes before it (reader.Damage() says where).
PictureAtResult PictureAt(RecordingReader& reader, uint64_t time_us, RecordedPicture& picture);

}  // namespace corvane
