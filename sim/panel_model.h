// The simulated controller's state: what its screen shows and what its keys
// change. The protocol engine feeds it key codes and restore records; the
// renderer draws it.
//
// Threads: single-threaded (the simulator's one poll loop).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "keypad/key_codes.h"
#include "parameter_store.h"

namespace corvane::sim {

// Key codes the controller understands: those Corvane's keypad sends.
namespace key {
using namespace ::corvane::key;
// Ctrl+1..8 and the soft keys S1..S8: select station 1..8.
inline constexpr KeyCode kSelectStation1 = SoftKey(1);
inline constexpr KeyCode kSelectStation8 = SoftKey(kStationCount);
}  // namespace key

// True for the byte values Corvane's keypad can send.
bool IsKeyCode(uint8_t b);
// A short name for the footer: "ENTER", "F3", "S2", "A", "CTRL+M", ...
std::string KeyName(uint8_t code);

enum class Page : uint8_t {
  kOverview = 1,  // F1: all stations, four parameters each
  kStation = 2,   // F2: every record of the selected station
  kTrend = 3,     // F3: the selected station's trend
  kLink = 4,      // F4: what came over the wire
  // F5..F9 show a placeholder page of their number.
};

// Columns of the overview table, as catalogue positions.
inline constexpr int kOverviewColumns = 4;
int OverviewColumnRecord(int column);

// Wire statistics the link page shows; kept by the protocol engine.
struct LinkStats {
  uint64_t bytes_received = 0;
  uint64_t frames_sent = 0;
  uint64_t blocks_sent = 0;
  uint64_t restores = 0;
  uint64_t records_restored = 0;
  uint64_t records_rejected = 0;
  uint64_t stray_bytes = 0;
  uint32_t last_payload_bytes = 0;
};

class PanelModel {
 public:
  explicit PanelModel(uint64_t seed = 1);

  // One key code from Corvane. Unknown codes are only noted.
  void HandleKey(uint8_t code);
  // Called once per screen image sent: moves the live values and the trend.
  void AdvanceFrame();

  // Notes for the footer, set by the protocol engine.
  void NoteBackup(int station, size_t records);
  void NoteRestore(size_t applied, size_t rejected);
  void NoteRestoreCutOff();

  ParameterStore& Store() { return store_; }
  const ParameterStore& Store() const { return store_; }
  LinkStats& Stats() { return stats_; }
  const LinkStats& Stats() const { return stats_; }

  int PageNumber() const { return page_; }          // 1..9
  int SelectedStation() const { return station_; }  // 0..7
  // The cursor: on the overview the column (0..3), on the station page the
  // record (catalogue position). The selected parameter is the record the
  // digits and Enter write to.
  int CursorColumn() const { return column_; }
  int CursorRecord() const { return record_; }
  int SelectedRecord() const;  // catalogue position of the selected parameter
  const std::string& Entry() const { return entry_; }           // digits typed so far
  std::optional<KeyCode> LastKey() const { return last_key_; }  // none before the first key
  uint64_t KeyCount() const { return key_count_; }
  const std::string& LastTransfer() const { return last_transfer_; }
  const std::string& Message() const { return message_; }
  uint64_t Frame() const { return frame_; }

  // The moving parts: each station's live value (0..1000) and its recent
  // history; sample 0 is the oldest, kTrendLength - 1 the newest.
  static constexpr int kLiveMax = 1000;
  static constexpr int kTrendLength = 256;
  int LiveValue(int station) const { return live_[station]; }
  int TrendSample(int station, int i) const {
    return trend_[station][(trend_head_ + i) % kTrendLength];
  }

 private:
  void SelectStation(int station);
  void MoveCursor(int dx, int dy);
  void StoreEntry();
  uint32_t NextRandom();

  ParameterStore store_;
  LinkStats stats_;
  int page_ = 1;
  int station_ = 0;
  int column_ = 0;
  int record_ = 4;  // the first type-108 record
  std::string entry_;
  std::optional<KeyCode> last_key_;
  uint64_t key_count_ = 0;
  std::string last_transfer_ = "NONE";
  std::string message_;
  uint64_t frame_ = 0;
  uint64_t tick_ = 0;
  uint64_t rng_;
  int live_[kStationCount] = {};
  int trend_[kStationCount][kTrendLength] = {};
  int trend_head_ = 0;
};

}  // namespace corvane::sim
