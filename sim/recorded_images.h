// The screen images of a recording (corvane-cli record), served in order in
// place of the rendered panel, so that a session from the field plays on a
// developer's desk: each screen request gets the next recorded image, and
// the last one again once they have all gone out (an image drawn over its
// own picture changes nothing, so the screen stays as it ended).
//
// The images are read from the file as they are asked for. Damage in the
// file ends the recording there, with a line on stderr; what came before
// is served.
//
// Threads: single-threaded.
#pragma once

#include <memory>
#include <string>

#include "protocol_engine.h"
#include "record/recording_reader.h"

namespace corvane::sim {

class RecordedImages : public ImageSource {
 public:
  // Null, with the reason in `error`, when the file is not a recording or
  // holds no screen image before its end or its damage.
  static std::unique_ptr<RecordedImages> Open(const std::string& path, std::string& error);

  void NextPayload(std::string& payload) override;

 private:
  explicit RecordedImages(std::unique_ptr<RecordingReader> reader) : reader_(std::move(reader)) {}
  bool ReadImage();

  std::unique_ptr<RecordingReader> reader_;
  RecordedItem item_;
  std::string next_;  // the image to serve next
  bool at_end_ = false;
};

}  // namespace corvane::sim
