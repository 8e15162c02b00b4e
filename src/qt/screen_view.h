// The main window's client area: the mirrored screen at the picture origin
// (keypad/picture_origin.h) at the View menu's zoom (app/picture_zoom.h),
// the status line above it, and the place where the operator's keys and
// clicks are caught. A click goes back through the zoom to the client
// coordinates of the unzoomed window, in which the soft-key areas are
// written.
//
// Threads: ShowPicture and ShowStatusText are called on the receiver
// thread; they only copy and post. Everything else runs on the UI thread,
// the only one that touches the widget.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "app/picture_zoom.h"
#include "keypad/picture_origin.h"
#include "qt/key_mapping.h"
#include "screen/changed_region.h"
#include "screen/picture_handover.h"
#include "screen/screen_display.h"

namespace corvane {

class Keypad;

class ScreenView : public QWidget, public ScreenDisplay {
  Q_OBJECT

 public:
  static constexpr int kStatusX = 10;
  static constexpr int kStatusY = 10;

  explicit ScreenView(Keypad& keypad, QWidget* parent = nullptr);

  // Receiver thread. Copies what changed into a picture of the handover's
  // and asks the UI thread to show it. While one handover is still
  // waiting, a newer picture only replaces it: a slow UI never builds up a
  // queue of frames, and repaints what changed in all of them at once.
  void ShowPicture(const Surface& picture) override;
  // Receiver thread. The latest text wins in the same way.
  void ShowStatusText(std::string_view text) override;

  // UI thread. What is on screen now (tests and the frame counter); the
  // picture is a copy, null before the first.
  QImage Picture() const;
  QString StatusText() const { return status_text_; }
  int PicturesShown() const { return pictures_shown_; }
  // UI thread. Picture pixels asked to be repainted because pictures
  // changed, summed over all pictures shown (the cost a remote desktop
  // sees).
  int64_t PicturePixelsRepainted() const { return picture_pixels_repainted_; }

  // UI thread. The zoom the picture is drawn at; 100 % until set.
  void SetZoom(ZoomMode mode);
  ZoomMode Zoom() const { return zoom_; }

  // The picture's status line, picture and margin at the zoom.
  QSize sizeHint() const override;

 signals:
  // UI thread, once for each picture that reached the screen.
  void PictureShown();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void PostHandover();
  void TakeHandover();
  QRect StatusRect() const;
  // The one place picture coordinates become widget coordinates: where
  // the picture lies at the zoom and the widget's size, and the widget
  // pixels that show a rectangle of it, rounded outward.
  PixelRect Layout() const;
  QRect PictureArea() const;
  QRect ToWidget(const PictureRect& rect) const;

  Keypad& keypad_;

  // The pictures: guarded inside (Give on the receiver, Take on the UI).
  PictureHandover pictures_;

  // The status text from the receiver: guarded by handover_mutex_.
  std::mutex handover_mutex_;
  QString handover_text_;
  bool handover_has_text_ = false;
  // Set while a queued TakeHandover is on its way, so that the receiver
  // posts at most one at a time.
  std::atomic<bool> handover_posted_{false};

  // UI thread only.
  ZoomMode zoom_ = ZoomMode::k100;
  // Where a crisp zoom's part is drawn before it goes to the painter;
  // grows to the largest part asked for and is kept.
  QImage zoomed_part_;
  ChangedRegion repaint_;
  QString status_text_;
  int pictures_shown_ = 0;
  int64_t picture_pixels_repainted_ = 0;
};

}  // namespace corvane
