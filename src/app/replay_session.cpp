#include "app/replay_session.h"

#include "app/captions.h"
#include "app/menu_table.h"
#include "files/path_text.h"

namespace corvane {

void ReplayCaption::SetCaption(const std::string& caption) {
  caption_ = caption;
  window_.SetCaption(Text());
}

void ReplayCaption::SetReplaying(std::optional<std::string> file_title) {
  replaying_ = std::move(file_title);
  window_.SetCaption(Text());
}

void ReplayCaption::SetExportProgress(std::optional<int> percent) {
  if (percent == export_percent_) return;
  export_percent_ = percent;
  window_.SetCaption(Text());
}

std::string ReplayCaption::Text() const {
  std::string text = caption_;
  // "Corvane - COM3 - Replay of night.cvr": the link goes on underneath.
  if (replaying_) {
    text =
        (caption_.empty() ? std::string(kWindowTitle) : caption_) + " - Replay of " + *replaying_;
  }
  // An export goes on after Back to Live: its progress outlasts the replay.
  if (export_percent_) {
    text = (text.empty() ? std::string(kWindowTitle) : text) + " - Exporting " +
           std::to_string(*export_percent_) + " %";
  }
  return text;
}

ReplaySession::ReplaySession(ReplayParts parts) : parts_(std::move(parts)) {}

ReplaySession::~ReplaySession() { BackToLive(); }

void ReplaySession::SetMenu(MenuItems* menu) {
  menu_ = menu;
  ShowMenu();
}

void ReplaySession::ShowMenu() {
  if (!menu_) return;
  const MenuConditions now{Replaying(), opened_};
  for (const int command : ConditionalCommands()) {
    menu_->EnableCommand(command, CommandEnabled(command, now));
  }
}

ReplayClock::time_point ReplaySession::Now() const {
  return parts_.now ? parts_.now() : ReplayClock::now();
}

void ReplaySession::OpenRecording() {
  const std::optional<FileChoice> choice = parts_.chooser.ChooseOpenFile(
      {MenuTextOf(command_id::kOpenRecording), "", FileKind::kRecording});
  if (choice) Open(choice->path);
}

void ReplaySession::Open(const std::filesystem::path& file) {
  if (player_) player_->Stop();
  ++player_generation_;
  ++tick_generation_;
  file_ = file;
  opened_ = false;
  shown_us_.reset();
  // The window leaves the controller at once, so no key pressed while the
  // file opens reaches it.
  parts_.display.BeginReplay();
  parts_.keypad.SetHeld(true);
  parts_.caption.SetReplaying(PathText(file.filename()));
  const auto post = [this, alive = std::weak_ptr<int>(alive_)](auto task) {
    parts_.scheduler.Post([alive, task = std::move(task)] {
      if (alive.lock()) task();
    });
  };
  // Events of a player replaced since are dropped: they name another file.
  const uint64_t generation = player_generation_;
  PlayerEvents events;
  events.opened = [this, post, generation](RecordingOpened opened) {
    post([this, generation, opened = std::move(opened)] {
      if (generation == player_generation_) Opened(opened);
    });
  };
  events.failed = [this, post, generation](std::string reason) {
    post([this, generation, reason = std::move(reason)] {
      if (generation == player_generation_) Failed(reason);
    });
  };
  events.damaged = [this, post, generation](RecordingDamage damage) {
    post([this, generation, damage = std::move(damage)] {
      if (generation == player_generation_) Tell(damage.Message());
    });
  };
  events.shown = [this, post, generation](uint64_t time_us) {
    post([this, generation, time_us] {
      if (generation == player_generation_) shown_us_ = time_us;
    });
  };
  player_ = std::make_unique<RecordingPlayer>(parts_.display, std::move(events));
  player_->Start(file);
  ShowMenu();
}

void ReplaySession::Opened(const RecordingOpened& opened) {
  opened_ = true;
  start_utc_us_ = opened.header.start_utc_us;
  model_.Load(opened.length_us);
  if (opened.damage) Tell(opened.damage->Message() + "\n\nThe recording replays up to there.");
  if (controls_) controls_->ShowReplayControls(true);
  last_asked_us_.reset();
  ShowPosition();
  ShowMenu();
}

void ReplaySession::Failed(const std::string& reason) {
  BackToLive();
  Tell(reason);
}

void ReplaySession::Tell(std::string text) {
  parts_.messages.Show({std::string(kWindowTitle), std::move(text), MessageIcon::kWarning});
}

void ReplaySession::BackToLive() {
  if (!player_) return;
  ++player_generation_;
  ++tick_generation_;
  // The switch first: a picture the player is about to show is refused, so
  // its thread ends without waiting for the window.
  parts_.display.EndReplay();
  player_->Stop();
  player_.reset();
  opened_ = false;
  parts_.keypad.SetHeld(false);
  parts_.caption.SetReplaying(std::nullopt);
  if (controls_) controls_->ShowReplayControls(false);
  ShowMenu();
}

void ReplaySession::PlayPause() {
  if (!opened_) return;
  if (model_.Playing()) {
    model_.Pause(Now());
    ++tick_generation_;
  } else {
    model_.Play(Now());
    ScheduleTick();
  }
  ShowPosition();
}

void ReplaySession::SetSpeed(int speed) {
  if (!opened_) return;
  model_.SetSpeed(speed, Now());
  ShowPosition();
}

void ReplaySession::Seek(uint64_t position_us) {
  if (!opened_) return;
  model_.Seek(position_us, Now());
  ShowPosition();
}

void ReplaySession::MarkStart() {
  if (!opened_) return;
  model_.MarkStart(model_.Position(Now()));
  ShowPosition();
}

void ReplaySession::MarkEnd() {
  if (!opened_) return;
  model_.MarkEnd(model_.Position(Now()));
  ShowPosition();
}

void ReplaySession::ScheduleTick() {
  const uint64_t generation = ++tick_generation_;
  parts_.scheduler.PostDelayed(kReplayTick, [this, generation, alive = std::weak_ptr<int>(alive_)] {
    if (alive.lock()) Tick(generation);
  });
}

void ReplaySession::Tick(uint64_t generation) {
  if (generation != tick_generation_ || !opened_) return;
  ShowPosition();
  if (model_.Playing()) ScheduleTick();
}

void ReplaySession::ShowPosition() {
  const uint64_t position = model_.Tick(Now());
  if (position != last_asked_us_) {
    last_asked_us_ = position;
    player_->ShowAt(position);
  }
  if (!controls_) return;
  ReplayState state;
  state.position_us = position;
  state.length_us = model_.Length();
  state.playing = model_.Playing();
  state.speed = model_.Speed();
  state.recorded_time = RecordedTimeText(start_utc_us_, position, parts_.to_local).value_or("");
  state.position = ReplayPositionText(position, model_.Length());
  state.stretch = ReplayStretchText(model_.Stretch());
  controls_->ShowReplayState(state);
}

}  // namespace corvane
