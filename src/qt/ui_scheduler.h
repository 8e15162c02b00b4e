// The Qt event loop as the application's scheduler: posted work runs on
// the UI thread through queued calls and single-shot timers, tied to a
// context object so that nothing runs once it is gone.
//
// Threads: Post from any thread; PostDelayed on the UI thread.
#pragma once

#include <QObject>

#include "app/front_end.h"

namespace corvane {

class QtUiScheduler : public UiScheduler {
 public:
  // `context` lives on the UI thread; work still pending when it is
  // destroyed is dropped.
  explicit QtUiScheduler(QObject* context) : context_(context) {}

  void Post(std::function<void()> task) override;
  void PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) override;

 private:
  QObject* const context_;
};

}  // namespace corvane
