#include "win32/image_clipboard.h"

#include <cstring>

namespace corvane {
namespace {

// The system's reason; "access denied" where a call failed without
// giving one, as OpenClipboard may when another program holds it.
std::error_code LastError() {
  const DWORD code = GetLastError();
  return {static_cast<int>(code != 0 ? code : ERROR_ACCESS_DENIED), std::system_category()};
}

// The picture as a packed DIB in movable global memory, which the
// clipboard takes over: the header, then the rows bottom-up, 32 bits a
// pixel (blue, green, red, and the Pixel's opaque top byte).
HGLOBAL MakeDib(std::span<const Pixel> pixels, int width, int height) {
  const size_t row_bytes = static_cast<size_t>(width) * sizeof(Pixel);
  const HGLOBAL memory = GlobalAlloc(
      GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + row_bytes * static_cast<size_t>(height));
  if (memory == nullptr) return nullptr;
  auto* bytes = static_cast<unsigned char*>(GlobalLock(memory));
  if (bytes == nullptr) {
    GlobalFree(memory);
    return nullptr;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // positive: bottom-up, the form every reader knows
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(row_bytes * static_cast<size_t>(height));
  std::memcpy(bytes, &header, sizeof header);
  unsigned char* rows = bytes + sizeof header;
  for (int y = 0; y < height; ++y) {
    std::memcpy(rows + row_bytes * static_cast<size_t>(height - 1 - y),
                pixels.data() + static_cast<size_t>(y) * width, row_bytes);
  }
  GlobalUnlock(memory);
  return memory;
}

}  // namespace

std::error_code Win32ImageClipboard::PutPicture(std::span<const Pixel> pixels, int width,
                                                int height) {
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<size_t>(width) * height) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  const HGLOBAL dib = MakeDib(pixels, width, height);
  if (dib == nullptr) return LastError();
  if (!OpenClipboard(owner_)) {
    const std::error_code error = LastError();
    GlobalFree(dib);
    return error;
  }
  std::error_code error;
  if (!EmptyClipboard() || SetClipboardData(CF_DIB, dib) == nullptr) {
    error = LastError();
    // The clipboard owns the memory only once SetClipboardData took it.
    GlobalFree(dib);
  }
  CloseClipboard();
  return error;
}

}  // namespace corvane
