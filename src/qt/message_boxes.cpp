#include "qt/message_boxes.h"

#include <QMessageBox>
#include <QWidget>

namespace corvane {

MessageBoxes::MessageBoxes(QWidget* owner) : owner_(owner) {}

MessageBoxes::~MessageBoxes() { delete current_.data(); }

void MessageBoxes::Show(const OperatorMessage& message) {
  {
    std::lock_guard lock(mutex_);
    waiting_.push_back(message);
  }
  // A worker never waits for the operator: the box opens on the UI thread.
  QMetaObject::invokeMethod(this, &MessageBoxes::ShowNext, Qt::QueuedConnection);
}

void MessageBoxes::ShowNext() {
  if (current_) return;  // the next one opens when this box closes
  OperatorMessage message;
  {
    std::lock_guard lock(mutex_);
    if (waiting_.empty()) return;
    message = std::move(waiting_.front());
    waiting_.pop_front();
  }
  auto* box = new QMessageBox(
      message.icon == MessageIcon::kWarning ? QMessageBox::Warning : QMessageBox::NoIcon,
      QString::fromLocal8Bit(message.caption), QString::fromLocal8Bit(message.text),
      QMessageBox::Ok, message.owned ? owner_.data() : nullptr);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // A box without an owner blocks nothing: the window stays usable.
  if (!message.owned) box->setWindowModality(Qt::NonModal);
  current_ = box;
  connect(box, &QMessageBox::finished, this, [this] {
    current_ = nullptr;
    // Without a window manager nobody hands the keyboard back to the
    // window the box sat on.
    if (owner_) owner_->activateWindow();
    QMetaObject::invokeMethod(this, &MessageBoxes::ShowNext, Qt::QueuedConnection);
  });
  // open(), not exec(): no nested event loop, so the mirror keeps running
  // behind the box and a second message cannot stack on top of the first.
  if (message.owned) {
    box->open();
  } else {
    box->show();
  }
  emit BoxShown();
}

}  // namespace corvane
