#include "qt/screen_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

#include "keypad/keypad.h"
#include "screen/surface.h"

namespace corvane {
namespace {

QRect ToQRect(const PixelRect& rect) { return {rect.x, rect.y, rect.width, rect.height}; }

}  // namespace

ScreenView::ScreenView(Keypad& keypad, QWidget* parent)
    : QWidget(parent), keypad_(keypad), handover_([this] {
        return QMetaObject::invokeMethod(this, &ScreenView::TakeHandover, Qt::QueuedConnection);
      }) {
  setFocusPolicy(Qt::StrongFocus);
  // Painting covers only what changed; the rest keeps the window colour.
  setAutoFillBackground(true);
}

QSize ScreenView::sizeHint() const {
  const ClientSize size = ClientSizeFor(zoom_);
  return {size.width, size.height};
}

void ScreenView::SetZoom(ZoomMode mode) {
  if (mode == zoom_) return;
  zoom_ = mode;
  updateGeometry();
  // The whole view: the background is filled where the picture was.
  update();
}

void ScreenView::TakeHandover() {
  const ViewHandover::Taken taken = handover_.Take();
  if (taken.text) {
    const std::string& text = handover_.StatusText();
    status_text_ = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    update(StatusRect());
  }
  if (taken.picture) {
    // Only what differs from the picture on the window; the rest of it is
    // already right.
    for (const PictureRect& rect : handover_.Repaint().Rects()) update(ToWidget(rect));
    emit PictureShown();
  }
}

QImage ScreenView::Picture() const {
  const Pixel* shown = handover_.Shown();
  if (shown == nullptr) return {};
  return QImage(reinterpret_cast<const uchar*>(shown), Surface::kWidth, Surface::kHeight,
                Surface::kWidth * static_cast<qsizetype>(sizeof(Pixel)), QImage::Format_RGB32)
      .copy();
}

QRect ScreenView::StatusRect() const {
  return {kStatusX, kStatusY, std::max(0, width() - kStatusX), fontMetrics().height()};
}

PixelRect ScreenView::Layout() const { return PictureRectFor(zoom_, {width(), height()}); }

QRect ScreenView::PictureArea() const { return ToQRect(Layout()); }

QRect ScreenView::ToWidget(const PictureRect& rect) const {
  return ToQRect(
      PictureToClient(Layout(), {rect.x, rect.y, rect.width, rect.height}, ZoomIsSmooth(zoom_)));
}

bool ScreenView::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // A key the controller gets is ours before any shortcut's; Alt and F10
    // are left to the menus and their accelerators.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (MapKeyEvent(*key).route == KeyRoute::kKeypad) {
      event->accept();
      return true;
    }
    return QWidget::event(event);
  }
  if (event->type() == QEvent::KeyPress) {
    // Tab and Shift+Tab would move the focus away from the view before
    // keyPressEvent saw them; the controller has a Tab key.
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
        MapKeyEvent(*key).route == KeyRoute::kKeypad) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::event(event);
}

void ScreenView::keyPressEvent(QKeyEvent* event) {
  const MappedKey mapped = MapKeyEvent(*event);
  if (mapped.route == KeyRoute::kMenus) {
    event->ignore();
    return;
  }
  // Every auto-repeat is a key-down of its own, as on the controller's
  // home platform; a code refused by a full queue is simply lost.
  keypad_.ForwardKey(mapped.virtual_key);
  event->accept();
}

void ScreenView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  // The pixel under the pointer, back through the zoom; a click beside the
  // picture reaches nothing.
  const QPointF position = event->position();
  const std::optional<PicturePoint> at =
      UnzoomedClientPoint(Layout(), static_cast<int>(std::floor(position.x())),
                          static_cast<int>(std::floor(position.y())));
  if (at) keypad_.ForwardClick(static_cast<uint16_t>(at->x), static_cast<uint16_t>(at->y));
  event->accept();
}

void ScreenView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRegion& dirty = event->region();
  if (!status_text_.isEmpty() && dirty.intersects(StatusRect())) {
    painter.drawText(StatusRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, status_text_);
  }
  // Before the first picture the view keeps the window colour.
  const Pixel* shown = handover_.Shown();
  if (shown == nullptr) return;
  // Wraps the shown picture without copying; the receiver never writes
  // the buffer the UI shows.
  const QImage picture(reinterpret_cast<const uchar*>(shown), Surface::kWidth, Surface::kHeight,
                       Surface::kWidth * static_cast<qsizetype>(sizeof(Pixel)),
                       QImage::Format_RGB32);
  const PixelRect layout = Layout();
  const QRect area = ToQRect(layout);
  if (area.isEmpty()) return;
  // Only the parts asked for: a paint after a small change draws a few
  // small rectangles, not the whole picture.
  const QRegion parts = dirty & area;
  switch (zoom_) {
    case ZoomMode::k100:
      for (const QRect& part : parts) {
        painter.drawImage(part, picture, part.translated(-area.topLeft()));
      }
      break;
    case ZoomMode::k150:
    case ZoomMode::k200:
      // Each controller pixel a sharp block, sampled as a click is mapped
      // back (the toolkit's own scaling rounds its own way at 150 %).
      for (const QRect& part : parts) {
        if (zoomed_part_.width() < part.width() || zoomed_part_.height() < part.height()) {
          zoomed_part_ =
              QImage(std::max(zoomed_part_.width(), part.width()),
                     std::max(zoomed_part_.height(), part.height()), QImage::Format_RGB32);
        }
        DrawCrispPart(shown, layout, {part.x(), part.y(), part.width(), part.height()},
                      reinterpret_cast<Pixel*>(zoomed_part_.bits()),
                      static_cast<size_t>(zoomed_part_.bytesPerLine()) / sizeof(Pixel));
        painter.drawImage(part.topLeft(), zoomed_part_, QRect(QPoint(0, 0), part.size()));
      }
      break;
    case ZoomMode::kFit:
      // Smooth at any fraction. Each part is the whole picture's drawing
      // clipped, so the parts meet without a seam.
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      for (const QRect& part : parts) {
        painter.setClipRect(part);
        painter.drawImage(area, picture);
      }
      break;
  }
}

}  // namespace corvane
