#include "win32/screen_view.h"

#include <cstring>

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
  // The buffer the UI gave back is filled outside the lock, so painting
  // never waits for the copy.
  std::vector<Pixel> buffer;
  {
    std::lock_guard lock(handover_mutex_);
    buffer.swap(spare_picture_);
  }
  const size_t pixels = static_cast<size_t>(Surface::kWidth) * Surface::kHeight;
  if (buffer.size() != pixels) buffer.resize(pixels);
  std::memcpy(buffer.data(), picture.Pixels(), pixels * sizeof(Pixel));
  {
    std::lock_guard lock(handover_mutex_);
    // An older picture the UI has not taken yet is dropped: only the latest
    // one is worth showing.
    if (handover_has_picture_) spare_picture_.swap(handover_picture_);
    handover_picture_.swap(buffer);
    handover_has_picture_ = true;
  }
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
  bool new_picture = false;
  bool new_text = false;
  {
    std::lock_guard lock(handover_mutex_);
    if (handover_has_picture_) {
      // The picture shown so far becomes the receiver's spare.
      picture_.swap(handover_picture_);
      spare_picture_.swap(handover_picture_);
      handover_has_picture_ = false;
      new_picture = true;
    }
    if (handover_has_text_) {
      status_text_.swap(handover_text_);
      handover_has_text_ = false;
      new_text = true;
    }
  }
  const HWND window = window_.load(std::memory_order_acquire);
  if (window == nullptr) return;
  if (new_text) {
    const RECT status = StatusRect(window);
    InvalidateRect(window, &status, TRUE);  // the old text is erased first
  }
  if (new_picture) {
    ++pictures_shown_;
    // The picture covers its whole area: nothing to erase, nothing flickers.
    const RECT area{kPictureX, kPictureY, kPictureX + Surface::kWidth,
                    kPictureY + Surface::kHeight};
    InvalidateRect(window, &area, FALSE);
  }
}

void ScreenView::Paint(HDC dc) const {
  const HWND window = window_.load(std::memory_order_acquire);
  if (!status_text_.empty() && window != nullptr) {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOutA(dc, kStatusX, kStatusY, status_text_.data(), static_cast<int>(status_text_.size()));
  }
  // Unscaled, as the controller drew it; before the first picture the area
  // keeps the window colour.
  if (picture_.empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Surface::kWidth;
  info.bmiHeader.biHeight = -Surface::kHeight;  // top row first, as the surface holds it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;  // a Pixel is 0x00RRGGBB: blue, green, red, unused in memory
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, kPictureX, kPictureY, Surface::kWidth, Surface::kHeight, 0, 0, 0,
                    Surface::kHeight, picture_.data(), &info, DIB_RGB_COLORS);
}

}  // namespace corvane
