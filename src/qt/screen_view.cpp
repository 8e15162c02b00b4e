#include "qt/screen_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "keypad/keypad.h"
#include "screen/surface.h"

namespace corvane {
namespace {

constexpr int kMargin = 10;

uint16_t ClientCoordinate(double value) {
  // A press is always inside the widget; the clamp only keeps a coordinate
  // from wrapping should a grab ever report one outside.
  return static_cast<uint16_t>(std::clamp(static_cast<int>(value), 0, 0xFFFF));
}

}  // namespace

ScreenView::ScreenView(Keypad& keypad, QWidget* parent) : QWidget(parent), keypad_(keypad) {
  setFocusPolicy(Qt::StrongFocus);
  // Painting covers only what changed; the rest keeps the window colour.
  setAutoFillBackground(true);
}

QSize ScreenView::sizeHint() const {
  return {kPictureX + Surface::kWidth + kMargin, kPictureY + Surface::kHeight + kMargin};
}

void ScreenView::ShowPicture(const Surface& picture) {
  pictures_.Give(picture);
  PostHandover();
}

void ScreenView::ShowStatusText(std::string_view text) {
  QString copy = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  {
    std::lock_guard lock(handover_mutex_);
    handover_text_ = std::move(copy);
    handover_has_text_ = true;
  }
  PostHandover();
}

void ScreenView::PostHandover() {
  if (!handover_posted_.exchange(true, std::memory_order_acq_rel)) {
    QMetaObject::invokeMethod(this, &ScreenView::TakeHandover, Qt::QueuedConnection);
  }
}

void ScreenView::TakeHandover() {
  // Cleared before taking: whatever arrives from here on posts anew.
  handover_posted_.store(false, std::memory_order_release);
  bool new_text = false;
  {
    std::lock_guard lock(handover_mutex_);
    if (handover_has_text_) {
      status_text_ = std::move(handover_text_);
      handover_text_.clear();
      handover_has_text_ = false;
      new_text = true;
    }
  }
  if (new_text) update(StatusRect());
  if (pictures_.Take(repaint_)) {
    ++pictures_shown_;
    // Only what differs from the picture on the window; the rest of it is
    // already right.
    for (const PictureRect& rect : repaint_.Rects()) update(ToWidget(rect));
    picture_pixels_repainted_ += repaint_.Area();
    emit PictureShown();
  }
}

QImage ScreenView::Picture() const {
  const Pixel* shown = pictures_.Shown();
  if (shown == nullptr) return {};
  return QImage(reinterpret_cast<const uchar*>(shown), Surface::kWidth, Surface::kHeight,
                Surface::kWidth * static_cast<qsizetype>(sizeof(Pixel)), QImage::Format_RGB32)
      .copy();
}

QRect ScreenView::StatusRect() const {
  return {kStatusX, kStatusY, std::max(0, width() - kStatusX), fontMetrics().height()};
}

QRect ScreenView::PictureArea() const { return ToWidget(kWholePicture); }

QRect ScreenView::ToWidget(const PictureRect& rect) const {
  // Unscaled, as the controller drew it.
  return {kPictureX + rect.x, kPictureY + rect.y, rect.width, rect.height};
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
  const QPointF position = event->position();
  keypad_.ForwardClick(ClientCoordinate(position.x()), ClientCoordinate(position.y()));
  event->accept();
}

void ScreenView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRegion& dirty = event->region();
  if (!status_text_.isEmpty() && dirty.intersects(StatusRect())) {
    painter.drawText(StatusRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, status_text_);
  }
  // Before the first picture the view keeps the window colour.
  const Pixel* shown = pictures_.Shown();
  if (shown == nullptr) return;
  // Wraps the shown picture without copying; the receiver never writes
  // the buffer the UI shows.
  const QImage picture(reinterpret_cast<const uchar*>(shown), Surface::kWidth, Surface::kHeight,
                       Surface::kWidth * static_cast<qsizetype>(sizeof(Pixel)),
                       QImage::Format_RGB32);
  const QRect area = PictureArea();
  // Only the parts asked for: a paint after a small change draws a few
  // small rectangles, not 800x600 pixels.
  for (const QRect& part : dirty& area) {
    painter.drawImage(part, picture, part.translated(-area.topLeft()));
  }
}

}  // namespace corvane
