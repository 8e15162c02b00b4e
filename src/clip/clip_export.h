// A stretch of a recording written as a video clip: the pictures the
// window showed from one time to another, each for as long as it stood.
// What corvane-cli's export writes, and what a window can call for the
// stretch on its timeline.
//
// Threads: ExportClip runs on the calling thread and takes a while (an hour
// of recording some seconds); a window calls it on a worker thread of its
// own. `cancelled` and `progress` are called on that same thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "clip/clip_encoder.h"

namespace corvane {

struct ClipRequest {
  std::filesystem::path recording;
  // The stretch, in microseconds since the recording's start.
  uint64_t from_us = 0;
  uint64_t to_us = 0;
  std::filesystem::path file;
  ClipFormat format = ClipFormat::kMp4;
  // Asked between images; true ends the export and leaves no file.
  std::function<bool()> cancelled;
  // Now and then: how much of the stretch is written, and its length.
  std::function<void(uint64_t done_us, uint64_t length_us)> progress;
};

struct ClipSummary {
  int64_t frames = 0;      // as the encoder was handed them
  uint64_t length_us = 0;  // the clip's length
  // The recording ends before the stretch does: the clip stops there.
  bool ends_early = false;
};

enum class ClipOutcome { kWritten, kCancelled, kFailed };

// Writes the clip through a temporary file beside `request.file`, renamed
// over it once whole: a failure or a cancel leaves no file of that name, or
// the earlier one untouched. On kFailed, `error` says what went wrong in
// words for the operator, naming the recording and the offset of any
// damage in it.
ClipOutcome ExportClip(const ClipRequest& request, ClipSummary& summary, std::string& error);

}  // namespace corvane
