#include "qt/screen_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

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
  // Reuse the buffer the UI gave back, so that no frame allocates; the copy
  // is made outside the lock, so painting never waits for it.
  QImage buffer;
  {
    std::lock_guard lock(handover_mutex_);
    buffer = std::move(spare_picture_);
  }
  if (buffer.isNull()) buffer = QImage(Surface::kWidth, Surface::kHeight, QImage::Format_RGB32);
  // bits() detaches first should anyone still share the buffer, so the
  // picture on screen is never written under the painter's feet.
  for (int y = 0; y < Surface::kHeight; ++y) {
    std::memcpy(buffer.scanLine(y), picture.Pixels() + static_cast<size_t>(y) * Surface::kWidth,
                static_cast<size_t>(Surface::kWidth) * sizeof(Pixel));
  }
  {
    std::lock_guard lock(handover_mutex_);
    // An older picture the UI has not taken yet is dropped: only the
    // latest one is worth showing.
    if (handover_has_picture_) spare_picture_ = std::move(handover_picture_);
    handover_picture_ = std::move(buffer);
    handover_has_picture_ = true;
  }
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
  bool new_picture = false;
  bool new_text = false;
  {
    std::lock_guard lock(handover_mutex_);
    if (handover_has_picture_) {
      std::swap(picture_, handover_picture_);
      spare_picture_ = std::move(handover_picture_);
      handover_picture_ = QImage();
      handover_has_picture_ = false;
      new_picture = true;
    }
    if (handover_has_text_) {
      status_text_ = std::move(handover_text_);
      handover_text_.clear();
      handover_has_text_ = false;
      new_text = true;
    }
  }
  if (new_text) update(StatusRect());
  if (new_picture) {
    ++pictures_shown_;
    update(kPictureX, kPictureY, Surface::kWidth, Surface::kHeight);
    emit PictureShown();
  }
}

QRect ScreenView::StatusRect() const {
  return {kStatusX, kStatusY, std::max(0, width() - kStatusX), fontMetrics().height()};
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
  const QRect dirty = event->rect();
  if (!status_text_.isEmpty() && dirty.intersects(StatusRect())) {
    painter.drawText(StatusRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, status_text_);
  }
  // Unscaled, as the controller drew it; before the first picture the view
  // keeps the window colour.
  if (!picture_.isNull()) painter.drawImage(kPictureX, kPictureY, picture_);
}

}  // namespace corvane
