#include "qt/ui_scheduler.h"

#include <QMetaObject>
#include <QTimer>

namespace corvane {

void QtUiScheduler::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

void QtUiScheduler::PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) {
  QTimer::singleShot(delay, context_, std::move(task));
}

}  // namespace corvane
