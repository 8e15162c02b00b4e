// The main window's client area: the mirrored screen at the picture origin
// (keypad/picture_origin.h) at the View menu's zoom (app/picture_zoom.h),
// the status line above it, and the place where the operator's keys and
// clicks are caught. A click goes back through the zoom to the client
// coordinates of the unzoomed window, in which the soft-key areas are
// written.
//
// Threads: Display() is called on the receiver thread through the
// ScreenDisplay seam; it only posts. Everything else runs on the UI thread,
// the only one that touches the widget.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "app/picture_zoom.h"
#include "keypad/picture_origin.h"
#include "qt/key_mapping.h"
#include "screen/changed_region.h"
#include "screen/view_handover.h"

namespace corvane {

class Keypad;

class ScreenView : public QWidget {
  Q_OBJECT

 public:
  explicit ScreenView(Keypad& keypad, QWidget* parent = nullptr);

  // What the receiver draws into and hands the status text to; the view
  // takes both on the UI thread.
  ScreenDisplay& Display() { return handover_; }

  // UI thread. What is on screen now (tests and the frame counter); the
  // picture is a copy, null before the first.
  QImage Picture() const;
  QString StatusText() const { return status_text_; }
  int PicturesShown() const { return handover_.PicturesShown(); }
  // UI thread. Picture pixels asked to be repainted because pictures
  // changed, summed over all pictures shown (the cost a remote desktop
  // sees).
  int64_t PicturePixelsRepainted() const { return handover_.PicturePixelsRepainted(); }

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
  void TakeHandover();
  QRect StatusRect() const;
  // The one place picture coordinates become widget coordinates: where
  // the picture lies at the zoom and the widget's size, and the widget
  // pixels that show a rectangle of it, rounded outward.
  PixelRect Layout() const;
  QRect PictureArea() const;
  QRect ToWidget(const PictureRect& rect) const;

  Keypad& keypad_;

  // Guarded inside: the receiver hands over, the UI takes in TakeHandover.
  ViewHandover handover_;

  // UI thread only.
  ZoomMode zoom_ = ZoomMode::k100;
  // Where a crisp zoom's part is drawn before it goes to the painter;
  // grows to the largest part asked for and is kept.
  QImage zoomed_part_;
  QString status_text_;
};

}  // namespace corvane
