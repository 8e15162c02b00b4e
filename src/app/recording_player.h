// Reads a recording on a thread of its own and puts the picture of each
// time asked for on the window (through the DisplaySwitch), so that the UI
// never waits for a long file: opening one reads every record's frame to
// find its length, and a time far from the last one shown goes through the
// key picture before it.
//
// Times asked for while the thread is busy replace each other: only the
// latest is shown. A time a little after the one shown reads on from there;
// any other starts again from its key picture.
//
// Threads: Start, ShowAt and Stop on the UI thread; the events, and
// everything in the reader and the picture, on the player's thread. The
// request is guarded by mutex_.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "record/recorded_picture.h"
#include "record/recording_reader.h"
#include "screen/display_switch.h"

namespace corvane {

struct RecordingOpened {
  RecordingHeader header;
  uint64_t length_us = 0;  // the time of its last whole record
  // Where the recording ends early; replay stops before it.
  std::optional<RecordingDamage> damage;
};

// Called on the player's thread; each must return quickly (post to the UI).
struct PlayerEvents {
  std::function<void(RecordingOpened)> opened;
  // The file cannot be replayed: the whole reason, naming the file.
  std::function<void(std::string)> failed;
  // Damage met while reading on: the pictures after it cannot be shown.
  std::function<void(RecordingDamage)> damaged;
  // The picture of `time_us` is on the window.
  std::function<void(uint64_t time_us)> shown;
};

class RecordingPlayer {
 public:
  RecordingPlayer(DisplaySwitch& display, PlayerEvents events);
  ~RecordingPlayer();
  RecordingPlayer(const RecordingPlayer&) = delete;
  RecordingPlayer& operator=(const RecordingPlayer&) = delete;

  // Opens `file` on the thread; `opened` or `failed` follows.
  void Start(const std::filesystem::path& file);
  // Shows the picture of `time_us` once the recording is open.
  void ShowAt(uint64_t time_us);
  // Ends the thread; no event comes after it returns.
  void Stop();

 private:
  void Run(std::filesystem::path file);
  bool Open(const std::filesystem::path& file);
  void Show(uint64_t time_us);
  void MoveTo(uint64_t time_us);
  void ReadUpTo(uint64_t time_us);
  void ReportDamage();

  DisplaySwitch& display_;
  const PlayerEvents events_;
  std::thread thread_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<uint64_t> asked_;  // guarded by mutex_
  bool stop_ = false;              // guarded by mutex_

  // The player's thread only.
  std::unique_ptr<RecordingReader> reader_;
  std::unique_ptr<RecordedPicture> picture_;
  bool placed_ = false;      // the reader and the picture stand at reached_
  uint64_t reached_ = 0;     // every record up to it is in the picture
  RecordedItem ahead_;       // the first record after reached_, read already
  bool have_ahead_ = false;  // ahead_ holds one
  bool changed_ = false;     // the picture differs from the one last shown
  bool damage_told_ = false;
};

}  // namespace corvane
