// A clip as PNG pictures in a folder, one per frame, with a list of when
// each is shown: what the Windows build writes (the system's own imaging
// there answered "not implemented" to an animated GIF's frame under Wine,
// so it could not be shown to work), and what either build writes for a
// folder name. Every pixel exact; no codec needed.
//
// Threads: as ClipEncoder.
#pragma once

#include <memory>

#include "clip/clip_encoder.h"

namespace corvane {

// The folder's content: "frame-00001.png", ... and "frames.txt", a line
// "<file> <start in s> <duration in s>" for each frame.
std::unique_ptr<ClipEncoder> CreatePngFramesEncoder();

}  // namespace corvane
