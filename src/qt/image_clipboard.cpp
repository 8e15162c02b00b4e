#include "qt/image_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstring>

namespace corvane {

std::error_code QtImageClipboard::PutPicture(std::span<const Pixel> pixels, int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<size_t>(width) * height) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  // A Pixel is 0xFFRRGGBB, an RGB32 image's own layout; the image gets a
  // copy, as the clipboard keeps it after the caller's pixels are gone.
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    std::memcpy(image.scanLine(y), pixels.data() + static_cast<size_t>(y) * width,
                static_cast<size_t>(width) * sizeof(Pixel));
  }
  QGuiApplication::clipboard()->setImage(image);
  return {};
}

}  // namespace corvane
