#include "win32/screen_view.h"

#include <algorithm>

#include "keypad/picture_origin.h"

namespace corvane {
namespace {

RECT ToRect(const PixelRect& rect) {
  return {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
}

// A 32-bit top-down DIB header of `width` x `height`: a Pixel is
// 0x00RRGGBB, so blue, green, red, unused in memory.
BITMAPINFO TopDownDib(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first, as the surface holds it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The status line's strip, above the picture.
RECT StatusRect(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {kStatusX, kStatusY, client.right, kPictureY};
}

}  // namespace

ScreenView::ScreenView() : handover_([this] { return PostHandover(); }) {}

bool ScreenView::PostHandover() {
  const HWND window = window_.load(std::memory_order_acquire);
  return window != nullptr && PostMessageA(window, kHandoverMessage, 0, 0);
}

void ScreenView::TakeHandover() {
  const ViewHandover::Taken taken = handover_.Take();
  const HWND window = window_.load(std::memory_order_acquire);
  if (window == nullptr) return;
  if (taken.text) {
    const RECT status = StatusRect(window);
    InvalidateRect(window, &status, TRUE);  // the old text is erased first
  }
  if (taken.picture) {
    // Only what differs from the picture in the window. The picture covers
    // what it invalidates: nothing to erase, nothing flickers.
    for (const PictureRect& rect : handover_.Repaint().Rects()) {
      const RECT area = ToClient(rect);
      InvalidateRect(window, &area, FALSE);
    }
  }
}

PixelRect ScreenView::PictureArea() const {
  RECT client{};
  const HWND window = window_.load(std::memory_order_acquire);
  if (window != nullptr) GetClientRect(window, &client);
  return PictureRectFor(zoom_, {client.right - client.left,
                                std::max<int>(0, client.bottom - client.top - bottom_strip_)});
}

RECT ScreenView::ToClient(const PictureRect& rect) const {
  return ToRect(PictureToClient(PictureArea(), {rect.x, rect.y, rect.width, rect.height},
                                ZoomIsSmooth(zoom_)));
}

void ScreenView::SetZoom(ZoomMode mode) {
  if (mode == zoom_) return;
  zoom_ = mode;
  // The whole client area, erased first: the picture may now cover less.
  const HWND window = window_.load(std::memory_order_acquire);
  if (window != nullptr) InvalidateRect(window, nullptr, TRUE);
}

bool ScreenView::CopyShownPicture(std::vector<Pixel>& pixels) const {
  const Pixel* shown = handover_.Shown();
  if (shown == nullptr) return false;
  pixels.assign(shown, shown + static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
  return true;
}

void ScreenView::Paint(HDC dc, const RECT& area) {
  const HWND window = window_.load(std::memory_order_acquire);
  const std::string& status_text = handover_.StatusText();
  if (!status_text.empty() && window != nullptr) {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOutA(dc, kStatusX, kStatusY, status_text.data(), static_cast<int>(status_text.size()));
  }
  // Before the first picture the area keeps the window colour.
  const Pixel* shown = handover_.Shown();
  if (shown == nullptr) return;
  // Only the part of the picture inside the invalid area goes to the
  // device: after a small change, the bounds of a few small rectangles,
  // not the whole picture. The DC clips to the invalid region itself.
  const PixelRect layout = PictureArea();
  const RECT picture = ToRect(layout);
  RECT part{};
  if (layout.Empty() || !IntersectRect(&part, &area, &picture)) return;
  const int width = part.right - part.left;
  const int height = part.bottom - part.top;
  switch (zoom_) {
    case ZoomMode::k100: {
      const BITMAPINFO info = TopDownDib(Surface::kWidth, Surface::kHeight);
      // The source origin is the part's lower-left corner, counted from
      // the picture's bottom row even for a top-down DIB; all scan lines
      // are passed.
      const int source_x = part.left - picture.left;
      const int source_y = Surface::kHeight - (part.top - picture.top) - height;
      SetDIBitsToDevice(dc, part.left, part.top, static_cast<DWORD>(width),
                        static_cast<DWORD>(height), source_x, source_y, 0,
                        static_cast<UINT>(Surface::kHeight), shown, &info, DIB_RGB_COLORS);
      break;
    }
    case ZoomMode::k150:
    case ZoomMode::k200: {
      // Each controller pixel a sharp block, sampled as a click is mapped
      // back, rather than left to the device's own stretch and rounding.
      const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
      if (zoomed_part_.size() < pixels) zoomed_part_.resize(pixels);
      DrawCrispPart(shown, layout, {part.left, part.top, width, height}, zoomed_part_.data(),
                    static_cast<size_t>(width));
      const BITMAPINFO info = TopDownDib(width, height);
      SetDIBitsToDevice(dc, part.left, part.top, static_cast<DWORD>(width),
                        static_cast<DWORD>(height), 0, 0, 0, static_cast<UINT>(height),
                        zoomed_part_.data(), &info, DIB_RGB_COLORS);
      break;
    }
    case ZoomMode::kFit: {
      // Smooth at any fraction: the whole picture stretched into its place
      // with the device's halftone blend, drawn inside the part only. The
      // brush origin is set after the mode, as halftoning asks.
      const BITMAPINFO info = TopDownDib(Surface::kWidth, Surface::kHeight);
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, part.left, part.top, part.right, part.bottom);
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchDIBits(dc, layout.x, layout.y, layout.width, layout.height, 0, 0, Surface::kWidth,
                    Surface::kHeight, shown, &info, DIB_RGB_COLORS, SRCCOPY);
      RestoreDC(dc, saved);
      break;
    }
  }
}

}  // namespace corvane
