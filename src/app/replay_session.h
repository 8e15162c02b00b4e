// File > Open Recording... and Back to Live: the window shows a recording
// instead of the controller, with play, pause, three speeds and a timeline.
//
// The link is not closed for a replay, only its picture set aside
// (screen/display_switch.h): a backup or a restore in flight finishes, a
// session recording goes on, and Back to Live shows the controller's
// screen as it is by then. Keys and clicks go nowhere while replaying
// (Keypad::SetHeld): the picture they would answer is not the controller's.
//
// Threads: UI thread, but for the player's events, which come from its
// thread and are posted here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/front_end.h"
#include "app/recording_player.h"
#include "app/replay_model.h"
#include "keypad/keypad.h"
#include "link/operator_messages.h"
#include "screen/display_switch.h"

namespace corvane {

// How long the replay waits between two pictures while it plays: about
// twenty a second, as smooth as the controller's own updates.
inline constexpr std::chrono::milliseconds kReplayTick{50};

// What the replay's controls show.
struct ReplayState {
  uint64_t position_us = 0;
  uint64_t length_us = 0;
  bool playing = false;
  int speed = 1;
  std::string recorded_time;  // RecordedTimeText, or empty
  std::string position;       // ReplayPositionText
  std::string stretch;        // ReplayStretchText
};

// The front end's replay controls (a bar under the picture): play/pause,
// the speeds, the marks of the stretch and Back to Live raise their command
// identifiers; the timeline calls ReplaySession::Seek.
class ReplayControls {
 public:
  virtual ~ReplayControls() = default;
  virtual void ShowReplayControls(bool shown) = 0;
  virtual void ShowReplayState(const ReplayState& state) = 0;
};

// Stands between the core and the window's caption: while a recording is
// replayed every caption says which, and while a clip is exported how far
// it is.
class ReplayCaption : public WindowControl {
 public:
  explicit ReplayCaption(WindowControl& window) : window_(window) {}

  void ShowWindow() override { window_.ShowWindow(); }
  void SetCaption(const std::string& caption) override;
  void ShowAbout(const std::string& details) override { window_.ShowAbout(details); }
  void CloseWindow() override { window_.CloseWindow(); }

  // The file's name, or none back to live.
  void SetReplaying(std::optional<std::string> file_title);
  // The part of a clip written, in per cent, or none when no export runs.
  void SetExportProgress(std::optional<int> percent);

 private:
  std::string Text() const;

  WindowControl& window_;
  std::string caption_;  // the last one set, without the note
  std::optional<std::string> replaying_;
  std::optional<int> export_percent_;
};

struct ReplayParts {
  DisplaySwitch& display;
  Keypad& keypad;
  FileChooser& chooser;
  OperatorMessages& messages;
  ReplayCaption& caption;
  UiScheduler& scheduler;
  // The replay's clock and the local time of the recorded moments; the
  // system's when empty (tests set them).
  std::function<ReplayClock::time_point()> now = {};
  std::function<std::optional<std::tm>(std::time_t)> to_local = {};
};

class ReplaySession {
 public:
  explicit ReplaySession(ReplayParts parts);
  ~ReplaySession();
  ReplaySession(const ReplaySession&) = delete;
  ReplaySession& operator=(const ReplaySession&) = delete;

  void SetControls(ReplayControls* controls) { controls_ = controls; }
  // Greys what has nothing to act on (CommandEnabled), from now on.
  void SetMenu(MenuItems* menu);

  // File > Open Recording...: asks for the file and replays it.
  void OpenRecording();
  // Replays `file` from its start, paused; a damaged or foreign one is
  // reported and the window stays live.
  void Open(const std::filesystem::path& file);
  // The window shows the controller again and keys go to it. Nothing while
  // live.
  void BackToLive();
  bool Replaying() const { return player_ != nullptr; }
  // The recording has been read through and is on the window.
  bool RecordingShown() const { return opened_; }

  void PlayPause();
  void SetSpeed(int speed);
  void Seek(uint64_t position_us);
  // The stretch to export starts or ends where the replay is now.
  void MarkStart();
  void MarkEnd();

  const ReplayModel& Model() const { return model_; }
  // The stretch of the recording chosen on the timeline (ReplayModel), for
  // an export of the window's replay.
  void SetStretch(ReplayStretch stretch) { model_.SetStretch(stretch); }
  // The time whose picture the window shows, once the player has shown one.
  std::optional<uint64_t> ShownTime() const { return shown_us_; }
  // The recording replayed, and its start in UTC (header).
  const std::filesystem::path& File() const { return file_; }

 private:
  ReplayClock::time_point Now() const;
  void Opened(const RecordingOpened& opened);
  void Failed(const std::string& reason);
  void ShowPosition();
  void ShowMenu();
  void ScheduleTick();
  void Tick(uint64_t generation);
  void Tell(std::string text);

  ReplayParts parts_;
  ReplayControls* controls_ = nullptr;
  MenuItems* menu_ = nullptr;
  ReplayModel model_;
  std::unique_ptr<RecordingPlayer> player_;
  std::filesystem::path file_;
  bool opened_ = false;
  int64_t start_utc_us_ = 0;
  std::optional<uint64_t> shown_us_;
  std::optional<uint64_t> last_asked_us_;
  // A player's events belong to the file it was started for, a tick to the
  // play it was scheduled for: those of a file or a play since replaced
  // find nothing to do.
  uint64_t player_generation_ = 0;
  uint64_t tick_generation_ = 0;
  // Tasks posted by the player look at it: they find nothing to do once
  // this is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace corvane
