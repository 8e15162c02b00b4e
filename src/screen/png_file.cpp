#include "screen/png_file.h"

#include <cerrno>
#include <cstdio>

// The encoder is linked in from its single header: it builds for Windows
// with no PNG library there, and the program needs no extra one at run time.
// Its file functions are left out: the file is written below, through a
// temporary name.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "files/temporary_file.h"

namespace corvane {

namespace {

constexpr int kRgbComponents = 3;

void AppendToVector(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

std::error_code LastError(int fallback) {
  const int e = errno;
  return std::error_code(e != 0 ? e : fallback, std::generic_category());
}

std::error_code WriteBytes(std::FILE* file, const std::vector<uint8_t>& bytes) {
  std::error_code error;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) error = LastError(ENOSPC);
  errno = 0;
  // The close is where a buffered write can still fail (a full disk).
  if (std::fclose(file) != 0 && !error) error = LastError(EIO);
  return error;
}

}  // namespace

std::vector<uint8_t> EncodePng(std::span<const Pixel> pixels, int width, int height) {
  std::vector<uint8_t> png;
  if (width <= 0 || height <= 0) return png;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (pixels.size() < count) return png;

  std::vector<uint8_t> rgb(count * kRgbComponents);
  for (size_t i = 0; i < count; ++i) {
    rgb[i * 3] = PixelRed(pixels[i]);
    rgb[i * 3 + 1] = PixelGreen(pixels[i]);
    rgb[i * 3 + 2] = PixelBlue(pixels[i]);
  }
  if (stbi_write_png_to_func(AppendToVector, &png, width, height, kRgbComponents, rgb.data(),
                             width * kRgbComponents) == 0) {
    png.clear();
  }
  return png;
}

std::vector<uint8_t> EncodePng(const Surface& surface) {
  return EncodePng(std::span<const Pixel>(surface.Pixels(),
                                          static_cast<size_t>(Surface::kWidth) * Surface::kHeight),
                   Surface::kWidth, Surface::kHeight);
}

std::error_code WritePngFile(const std::filesystem::path& path, std::span<const Pixel> pixels,
                             int width, int height) {
  const std::vector<uint8_t> png = EncodePng(pixels, width, height);
  if (png.empty()) return std::make_error_code(std::errc::invalid_argument);

  std::filesystem::path temporary;
  std::error_code error;
  std::FILE* file = CreateTemporaryBeside(path, temporary, error);
  if (file == nullptr) return error;
  error = WriteBytes(file, png);
  // Replaces an existing picture in one step, on Windows too.
  if (!error) std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
  }
  return error;
}

std::error_code WritePngFile(const std::filesystem::path& path, const Surface& surface) {
  return WritePngFile(
      path,
      std::span<const Pixel>(surface.Pixels(),
                             static_cast<size_t>(Surface::kWidth) * Surface::kHeight),
      Surface::kWidth, Surface::kHeight);
}

}  // namespace corvane
