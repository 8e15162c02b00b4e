// The main window's client area as the receiver sees it: the mirrored
// picture at the picture origin (keypad/picture_origin.h), at the View
// menu's zoom (app/picture_zoom.h), and the status line at (10, 10). The
// receiver hands each over; the UI thread paints.
//
// Threads: ShowPicture and ShowStatusText are called on the receiver
// thread; they only copy and post. Attach, TakeHandover, Paint, the zoom
// and the counters run on the UI thread, the only one that draws.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/picture_zoom.h"
#include "screen/changed_region.h"
#include "screen/picture_handover.h"
#include "screen/screen_display.h"
#include "screen/surface.h"

namespace corvane {

class ScreenView : public ScreenDisplay {
 public:
  // Posted to the window when a handover waits; the window calls
  // TakeHandover.
  static constexpr UINT kHandoverMessage = WM_APP + 1;
  static constexpr int kStatusX = 10;
  static constexpr int kStatusY = 10;

  // UI thread, before any link opens.
  void Attach(HWND window) { window_.store(window, std::memory_order_release); }
  // UI thread, when the window goes: later handovers are dropped.
  void Detach() { window_.store(nullptr, std::memory_order_release); }

  // Receiver thread. Copies what changed into a picture of the handover's
  // and asks the UI thread to show it. While one handover still waits, a
  // newer picture only replaces it: a slow UI never builds up a queue of
  // frames, and repaints what changed in all of them at once.
  void ShowPicture(const Surface& picture) override;
  // Receiver thread. The latest text wins in the same way.
  void ShowStatusText(std::string_view text) override;

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
  PixelRect PictureArea() const;

  // UI thread. Copies the picture on screen now, as the decoder drew it;
  // false before the first.
  bool CopyShownPicture(std::vector<Pixel>& pixels) const;

  // UI thread. What is on screen now, and the picture pixels invalidated
  // because pictures changed, summed over all pictures shown.
  int PicturesShown() const { return pictures_shown_; }
  const std::string& StatusText() const { return status_text_; }
  int64_t PicturePixelsRepainted() const { return picture_pixels_repainted_; }

 private:
  void PostHandover();
  // The one place picture coordinates become client coordinates, at the
  // zoom and the client area's size, rounded outward.
  RECT ToClient(const PictureRect& rect) const;

  std::atomic<HWND> window_{nullptr};

  // The pictures: guarded inside (Give on the receiver, Take on the UI).
  PictureHandover pictures_;

  // The status text from the receiver: guarded by handover_mutex_.
  std::mutex handover_mutex_;
  std::string handover_text_;
  bool handover_has_text_ = false;
  // Set while a handover message is on its way: at most one at a time.
  std::atomic<bool> handover_posted_{false};

  // UI thread only.
  ZoomMode zoom_ = ZoomMode::k100;
  // Where a crisp zoom's part is drawn before it goes to the device;
  // grows to the largest part asked for and is kept.
  std::vector<Pixel> zoomed_part_;
  ChangedRegion repaint_;
  std::string status_text_;
  int pictures_shown_ = 0;
  int64_t picture_pixels_repainted_ = 0;
};

}  // namespace corvane
