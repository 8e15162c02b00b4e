// The replay's controls under the picture, shown while a recording is
// replayed: play/pause, the three speeds, the timeline, the recorded time,
// the marks of the stretch to export and Back to Live. Its buttons raise
// the commands of the menu table's replay identifiers; the timeline seeks.
//
// Threads: UI thread only.
#pragma once

#include <QToolBar>
#include <cstdint>
#include <functional>
#include <map>

#include "app/replay_session.h"

class QLabel;
class QSlider;
class QToolButton;

namespace corvane {

class ReplayBar : public QToolBar, public ReplayControls {
  Q_OBJECT

 public:
  explicit ReplayBar(QWidget* parent = nullptr);

  void SetCommandHandler(std::function<void(int)> handler) { command_ = std::move(handler); }
  void SetSeekHandler(std::function<void(uint64_t)> handler) { seek_ = std::move(handler); }

  // ReplayControls.
  void ShowReplayControls(bool shown) override;
  void ShowReplayState(const ReplayState& state) override;

  // Greys or ungreys the button that raises `command`, if the bar has one.
  void EnableCommand(int command, bool enabled);

  QSlider* Timeline() const { return timeline_; }
  QLabel* RecordedTime() const { return recorded_time_; }
  // The button that raises `command`; null for none.
  QToolButton* ButtonFor(int command) const;

 signals:
  // Shown or hidden: the window fits itself around it.
  void ShownChanged();

 private:
  QToolButton* AddButton(const QString& text, int command);

  std::function<void(int)> command_;
  std::function<void(uint64_t)> seek_;
  QToolButton* play_;
  QToolButton* speeds_[3];
  QSlider* timeline_;
  QLabel* recorded_time_;
  QLabel* position_;
  QLabel* stretch_;
  std::map<int, QToolButton*> buttons_;
};

}  // namespace corvane
