// Ends the program through its window when the system asks it to quit
// (SIGTERM, SIGINT, SIGHUP on POSIX): the window closes as if the operator
// had closed it, so the link is released and a backup file is flushed and
// closed rather than cut off by the default action of the signal.
//
// Threads: built and destroyed on the UI thread; the signal handler only
// writes one byte to a pipe, which the UI thread's event loop reads.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace corvane {

class QuitSignals : public QObject {
  Q_OBJECT

 public:
  // Closes `window` at the first quit signal. Only one instance may exist;
  // the signals' earlier handlers come back when it goes.
  explicit QuitSignals(QWidget* window);
  ~QuitSignals() override;

  bool Installed() const;

 signals:
  void QuitRequested();

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
  QPointer<QWidget> window_;
};

}  // namespace corvane
