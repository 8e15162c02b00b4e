// The main window's client area as the receiver sees it: the mirrored
// picture at the picture origin (keypad/picture_origin.h), at the View
// menu's zoom (app/picture_zoom.h), and the status line at (10, 10). The
// receiver hands each over; the UI thread paints.
//
// Threads: Display() is called on the receiver thread through the
// ScreenDisplay seam; it only posts. Attach, TakeHandover, Paint, the zoom
// and the counters run on the UI thread, the only one that draws.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/picture_zoom.h"
#include "screen/changed_region.h"
#include "screen/surface.h"
#include "screen/view_handover.h"

namespace corvane {

class ScreenView {
 public:
  // Posted to the window when a handover waits; the window calls
  // TakeHandover.
  static constexpr UINT kHandoverMessage = WM_APP + 1;

  // UI thread, before any link opens.
  void Attach(HWND window) { window_.store(window, std::memory_order_release); }
  // UI thread, when the window goes: later handovers are dropped.
  void Detach() { window_.store(nullptr, std::memory_order_release); }

  ScreenView();
  ScreenView(const ScreenView&) = delete;
  ScreenView& operator=(const ScreenView&) = delete;

  // What the receiver draws into and hands the status text to; the view
  // takes both when the window gets kHandoverMessage.
  ScreenDisplay& Display() { return handover_; }

  // UI thread. Takes what the receiver handed over and invalidates what
  // changed.
  void TakeHandover();
  // UI thread, inside WM_PAINT: draws what lies in `area` (the paint
  // structure's rcPaint).
  void Paint(HDC dc, const RECT& area);

  // UI thread. The zoom the picture is drawn at (100 % until set), and
  // where the picture lies in the client area now.
  void SetZoom(ZoomMode mode);
  ZoomMode Zoom() const { return zoom_; }
  // UI thread. Client pixels along the bottom that the picture leaves to
  // the replay's bar.
  void SetBottomStrip(int pixels) { bottom_strip_ = pixels; }
  PixelRect PictureArea() const;

  // UI thread. Copies the picture on screen now, as the decoder drew it;
  // false before the first.
  bool CopyShownPicture(std::vector<Pixel>& pixels) const;

  // UI thread. What is on screen now, and the picture pixels invalidated
  // because pictures changed, summed over all pictures shown.
  int PicturesShown() const { return handover_.PicturesShown(); }
  const std::string& StatusText() const { return handover_.StatusText(); }
  int64_t PicturePixelsRepainted() const { return handover_.PicturePixelsRepainted(); }

 private:
  bool PostHandover();
  // The one place picture coordinates become client coordinates, at the
  // zoom and the client area's size, rounded outward.
  RECT ToClient(const PictureRect& rect) const;

  std::atomic<HWND> window_{nullptr};

  // Guarded inside: the receiver hands over, the UI takes in TakeHandover.
  ViewHandover handover_;

  // UI thread only.
  ZoomMode zoom_ = ZoomMode::k100;
  int bottom_strip_ = 0;
  // Where a crisp zoom's part is drawn before it goes to the device;
  // grows to the largest part asked for and is kept.
  std::vector<Pixel> zoomed_part_;
};

}  // namespace corvane
