// Writing a clip: the frames of a stretch (stretch_frames.h), each a whole
// picture, handed to an encoder for one container. Which encoders a build
// has depends on its platform: FFmpeg's libraries on Linux, the system's
// PNG frames on Windows (see clip_encoder_*.cpp).
//
// Threads: an encoder belongs to the thread that created it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "clip/stretch_frames.h"
#include "screen/surface.h"

namespace corvane {

enum class ClipFormat {
  kMp4,        // H.264 in MP4, scaled up twice (see the Linux encoder)
  kGif,        // animated GIF, the controller's colours exactly
  kPngFrames,  // a folder of PNG pictures and their times (png_frames_encoder.h)
};

// The format a name asks for by its extension (".mp4", ".gif", any case),
// a name without one being a folder of PNG frames; none for another.
std::optional<ClipFormat> ClipFormatOf(const std::filesystem::path& file);

class ClipEncoder {
 public:
  virtual ~ClipEncoder() = default;

  // The times the container can express.
  virtual ClipTiming Timing() const = 0;
  // Starts the clip in `file`, a new empty file open for writing that the
  // caller created and closes; `path` names it, for an encoder that must
  // read back what it wrote. For PNG frames `file` is null and `path` a new
  // empty folder. False, with the reason in `error`, on failure.
  virtual bool Begin(std::FILE* file, const std::filesystem::path& path, std::string& error) = 0;
  // One frame: Surface::kWidth x kHeight pixels, row-major, shown for
  // `frame`. Frames come in order of their start.
  virtual bool AddFrame(const Pixel* pixels, const ClipFrame& frame, std::string& error) = 0;
  // Writes out every frame the encoder still holds, then the container's
  // end; the clip is whole once this returns true and the file is closed.
  virtual bool Finish(std::string& error) = 0;
};

// An encoder for `format`, or null with the reason in `error` when this
// build cannot write that format.
std::unique_ptr<ClipEncoder> CreateClipEncoder(ClipFormat format, std::string& error);

// Whether this build has an encoder for `format`, so that a window offers
// only the formats it can write.
bool ClipFormatWritable(ClipFormat format);

}  // namespace corvane
