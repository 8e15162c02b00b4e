// The Windows build's encoders: PNG frames in a folder. It carries no
// H.264 or GIF writer; the system's own imaging (WIC) answered "not
// implemented" when it was to write an animated GIF's frame with its delay
// under Wine, so it could not be shown to work.
#include "clip/clip_encoder.h"
#include "clip/png_frames_encoder.h"

namespace corvane {

std::unique_ptr<ClipEncoder> CreateClipEncoder(ClipFormat format, std::string& error) {
  if (format == ClipFormat::kPngFrames) return CreatePngFramesEncoder();
  error =
      "the Windows build writes a clip as PNG frames into a folder: name one without an "
      "extension (e.g. -o clip); .mp4 and .gif are written by the Linux build";
  return nullptr;
}

bool ClipFormatWritable(ClipFormat format) { return format == ClipFormat::kPngFrames; }

}  // namespace corvane
