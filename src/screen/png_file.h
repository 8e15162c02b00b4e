// The mirrored screen as a PNG picture: what the window's "save picture" and
// corvane-cli's screenshot both write. 8-bit RGB, exactly the pixels given;
// the alpha byte of a Pixel is dropped.
//
// Threads: no shared state; callable from any thread, for different surfaces
// or the same surface held still.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "screen/surface.h"

namespace corvane {

// The PNG bytes of `width` x `height` pixels, row-major with no gap between
// rows. Empty when the size is not positive or `pixels` holds fewer than
// width * height pixels.
std::vector<uint8_t> EncodePng(std::span<const Pixel> pixels, int width, int height);
std::vector<uint8_t> EncodePng(const Surface& surface);

// Writes the picture to `path`. The bytes go to a temporary file beside it,
// which is renamed over `path` only once it is complete and closed, so a
// failed write (disk full, folder gone) leaves an earlier picture of that
// name untouched and never a half-written one. Returns the first failure, or
// an empty code.
std::error_code WritePngFile(const std::filesystem::path& path, std::span<const Pixel> pixels,
                             int width, int height);
std::error_code WritePngFile(const std::filesystem::path& path, const Surface& surface);

}  // namespace corvane
