#include "win32/screen_view.h"

#include "keypad/picture_origin.h"

namespace corvane {
namespace {

// The status line's strip, above the picture.
RECT StatusRect(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {ScreenView::kStatusX, ScreenView::kStatusY, client.right, kPictureY};
}

}  // namespace

void ScreenView::ShowPicture(const Surface& picture) {
  pictures_.Give(picture);
  PostHandover();
}

void ScreenView::ShowStatusText(std::string_view text) {
  {
    std::lock_guard lock(handover_mutex_);
    handover_text_.assign(text);
    handover_has_text_ = true;
  }
  PostHandover();
}

void ScreenView::PostHandover() {
  const HWND window = window_.load(std::memory_order_acquire);
  if (window == nullptr) return;
  if (!handover_posted_.exchange(true, std::memory_order_acq_rel)) {
    if (!PostMessageA(window, kHandoverMessage, 0, 0)) {
      handover_posted_.store(false, std::memory_order_release);
    }
  }
}

void ScreenView::TakeHandover() {
  // Cleared before taking: whatever arrives from here on posts anew.
  handover_posted_.store(false, std::memory_order_release);
  bool new_text = false;
  {
    std::lock_guard lock(handover_mutex_);
    if (handover_has_text_) {
      status_text_.swap(handover_text_);
      handover_has_text_ = false;
      new_text = true;
    }
  }
  const bool new_picture = pictures_.Take(repaint_);
  const HWND window = window_.load(std::memory_order_acquire);
  if (window == nullptr) return;
  if (new_text) {
    const RECT status = StatusRect(window);
    InvalidateRect(window, &status, TRUE);  // the old text is erased first
  }
  if (new_picture) {
    ++pictures_shown_;
    // Only what differs from the picture in the window. The picture covers
    // what it invalidates: nothing to erase, nothing flickers.
    for (const PictureRect& rect : repaint_.Rects()) {
      const RECT area = ToClient(rect);
      InvalidateRect(window, &area, FALSE);
    }
    picture_pixels_repainted_ += repaint_.Area();
  }
}

RECT ScreenView::ToClient(const PictureRect& rect) {
  // Unscaled, as the controller drew it.
  return {kPictureX + rect.x, kPictureY + rect.y, kPictureX + rect.Right(),
          kPictureY + rect.Bottom()};
}

void ScreenView::Paint(HDC dc, const RECT& area) const {
  const HWND window = window_.load(std::memory_order_acquire);
  if (!status_text_.empty() && window != nullptr) {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOutA(dc, kStatusX, kStatusY, status_text_.data(), static_cast<int>(status_text_.size()));
  }
  // Before the first picture the area keeps the window colour.
  const Pixel* shown = pictures_.Shown();
  if (shown == nullptr) return;
  // Only the part of the picture inside the invalid area goes to the
  // device: after a small change, the bounds of a few small rectangles,
  // not 800x600 pixels. The DC clips to the invalid region itself.
  const RECT picture = ToClient(kWholePicture);
  RECT part{};
  if (!IntersectRect(&part, &area, &picture)) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Surface::kWidth;
  info.bmiHeader.biHeight = -Surface::kHeight;  // top row first, as the surface holds it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;  // a Pixel is 0x00RRGGBB: blue, green, red, unused in memory
  info.bmiHeader.biCompression = BI_RGB;
  // The source origin is the part's lower-left corner, counted from the
  // picture's bottom row even for a top-down DIB; all scan lines are
  // passed.
  const int width = part.right - part.left;
  const int height = part.bottom - part.top;
  const int source_x = part.left - picture.left;
  const int source_y = Surface::kHeight - (part.top - picture.top) - height;
  SetDIBitsToDevice(dc, part.left, part.top, static_cast<DWORD>(width), static_cast<DWORD>(height),
                    source_x, source_y, 0, static_cast<UINT>(Surface::kHeight), shown, &info,
                    DIB_RGB_COLORS);
}

}  // namespace corvane
