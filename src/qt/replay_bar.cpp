#include "qt/replay_bar.h"

#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include "app/menu_table.h"

namespace corvane {
namespace {

// The timeline counts tenths of a second: a day's recording is 864,000
// steps, well inside an int.
constexpr uint64_t kTimelineStepUs = 100'000;

}  // namespace

ReplayBar::ReplayBar(QWidget* parent) : QToolBar(parent) {
  setObjectName("ReplayBar");
  setMovable(false);
  setFloatable(false);
  using namespace command_id;
  play_ = AddButton("Play", kReplayPlayPause);
  const int speed_commands[] = {kReplaySpeed1, kReplaySpeed10, kReplaySpeed100};
  for (size_t i = 0; i < std::size(speeds_); ++i) {
    speeds_[i] = AddButton(QString::number(kReplaySpeeds[i]) + QChar(0x00D7), speed_commands[i]);
    speeds_[i]->setCheckable(true);
  }
  timeline_ = new QSlider(Qt::Horizontal, this);
  timeline_->setObjectName("ReplayTimeline");
  timeline_->setFocusPolicy(Qt::NoFocus);
  timeline_->setMinimumWidth(200);
  addWidget(timeline_);
  // Dragging seeks as it goes; a click beside the handle steps.
  connect(timeline_, &QSlider::valueChanged, this, [this](int value) {
    if (seek_) seek_(static_cast<uint64_t>(value) * kTimelineStepUs);
  });
  position_ = new QLabel(this);
  addWidget(position_);
  recorded_time_ = new QLabel(this);
  recorded_time_->setObjectName("ReplayRecordedTime");
  recorded_time_->setContentsMargins(8, 0, 8, 0);
  addWidget(recorded_time_);
  AddButton("Mark Start", kReplayMarkStart);
  AddButton("Mark End", kReplayMarkEnd);
  stretch_ = new QLabel(this);
  stretch_->setObjectName("ReplayStretch");
  stretch_->setContentsMargins(8, 0, 8, 0);
  addWidget(stretch_);
  AddButton(QString::fromLatin1(MenuTextOf(kBackToLive)), kBackToLive);
  hide();
}

QToolButton* ReplayBar::ButtonFor(int command) const {
  const auto found = buttons_.find(command);
  return found == buttons_.end() ? nullptr : found->second;
}

void ReplayBar::EnableCommand(int command, bool enabled) {
  if (QToolButton* button = ButtonFor(command)) button->setEnabled(enabled);
}

QToolButton* ReplayBar::AddButton(const QString& text, int command) {
  auto* button = new QToolButton(this);
  button->setText(text);
  // The keys stay with the picture, where they are held while replaying.
  button->setFocusPolicy(Qt::NoFocus);
  connect(button, &QToolButton::clicked, this, [this, command] {
    if (command_) command_(command);
  });
  addWidget(button);
  buttons_[command] = button;
  return button;
}

void ReplayBar::ShowReplayControls(bool shown) {
  if (shown == isVisible()) return;
  setVisible(shown);
  emit ShownChanged();
}

void ReplayBar::ShowReplayState(const ReplayState& state) {
  play_->setText(state.playing ? "Pause" : "Play");
  for (size_t i = 0; i < std::size(speeds_); ++i) {
    speeds_[i]->setChecked(kReplaySpeeds[i] == state.speed);
  }
  // Moved by the replay, the timeline seeks nowhere; held by the operator,
  // it stays where the hand is.
  if (!timeline_->isSliderDown()) {
    const QSignalBlocker quiet(timeline_);
    timeline_->setRange(0, static_cast<int>(state.length_us / kTimelineStepUs));
    timeline_->setValue(static_cast<int>(state.position_us / kTimelineStepUs));
  }
  position_->setText(QString::fromStdString(state.position));
  recorded_time_->setText(QString::fromStdString(state.recorded_time));
  stretch_->setText(QString::fromStdString(state.stretch));
}

}  // namespace corvane
