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
  // the signals' earlier handlers come back when it goes. Made before the
  // window exists (null), it holds a signal that comes meanwhile until
  // SetWindow names the window and the event loop runs: the program's
  // start-up, which already writes config.dpm, is never cut off by one.
  explicit QuitSignals(QWidget* window = nullptr);
  void SetWindow(QWidget* window) { window_ = window; }
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
