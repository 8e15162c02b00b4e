#include "recorded_images.h"

#include <cstdio>

namespace corvane::sim {

std::unique_ptr<RecordedImages> RecordedImages::Open(const std::string& path, std::string& error) {
  std::unique_ptr<RecordingReader> reader = RecordingReader::Open(path, error);
  if (!reader) return nullptr;
  std::unique_ptr<RecordedImages> images(new RecordedImages(std::move(reader)));
  if (!images->ReadImage()) {
    error = images->reader_->Damage() ? images->reader_->Damage()->Message() + " before any image"
                                      : path + ": the recording holds no screen image";
    return nullptr;
  }
  return images;
}

// The next image's payload into next_; false at the end or at damage.
bool RecordedImages::ReadImage() {
  while (reader_->Next(item_)) {
    if (item_.type == RecordType::kImage) {
      next_.assign(item_.payload.begin(), item_.payload.end());
      return true;
    }
  }
  if (reader_->Damage()) {
    std::fprintf(stderr, "mirelon-sim: %s; the last image before it is served from now on\n",
                 reader_->Damage()->Message().c_str());
  }
  at_end_ = true;
  return false;
}

void RecordedImages::NextPayload(std::string& payload) {
  payload = next_;
  // Past the end next_ stays the last image.
  if (!at_end_) ReadImage();
}

}  // namespace corvane::sim
