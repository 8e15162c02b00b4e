// The operator-message seam for the running program: every message the
// core, the link workers or the commands raise becomes a message box on
// the UI thread, one at a time, in the order raised.
//
// Threads: Show from any thread; it only queues and posts. The boxes, the
// queue's consumer and everything else run on the UI thread.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <mutex>

#include "link/operator_messages.h"

namespace corvane {

class MessageBoxes : public QObject, public OperatorMessages {
  Q_OBJECT

 public:
  // Boxes are modal for `owner` (the main window); without one they are
  // modal for the whole program.
  explicit MessageBoxes(QWidget* owner = nullptr);
  ~MessageBoxes() override;

  void Show(const OperatorMessage& message) override;

  // UI thread. The box on screen now, if any (tests press its button).
  QMessageBox* CurrentBox() const { return current_; }

 signals:
  // UI thread, when a box has been opened.
  void BoxShown();

 private:
  void ShowNext();

  QPointer<QWidget> owner_;
  std::mutex mutex_;
  std::deque<OperatorMessage> waiting_;  // guarded by mutex_
  QPointer<QMessageBox> current_;        // UI thread only
};

}  // namespace corvane
