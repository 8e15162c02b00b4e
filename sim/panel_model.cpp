#include "panel_model.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace corvane::sim {
namespace {

// Catalogue positions of the overview's columns: SETPOINT, LIMIT HI,
// LIMIT LO, MODE.
constexpr int kOverviewRecords[kOverviewColumns] = {4, 5, 6, 20};
constexpr size_t kMaxEntryDigits = 9;  // always fits the 32-bit store

}  // namespace

int OverviewColumnRecord(int column) { return kOverviewRecords[column]; }

bool IsKeyCode(uint8_t b) {
  using namespace key;
  return b == kTab || b == kEnter || b == kSpace || (b >= kLeft && b <= kDown) ||
         (b >= kDigit0 && b <= kDigit9) || (b >= kLetterA && b <= kLetterZ) ||
         (b >= kF1 && b <= kCtrlM) || (b >= kSelectStation1 && b <= kCtrl9) || b == kFullStop;
}

std::string KeyName(uint8_t code) {
  using namespace key;
  char name[16];
  switch (code) {
    case kTab: return "TAB";
    case kEnter: return "ENTER";
    case kSpace: return "SPACE";
    case kLeft: return "LEFT";
    case kUp: return "UP";
    case kRight: return "RIGHT";
    case kDown: return "DOWN";
    case kCtrlA: return "CTRL+A";
    case kCtrlD: return "CTRL+D";
    case kCtrlM: return "CTRL+M";
    case kCtrl9: return "CTRL+9";
    case kFullStop: return ".";
    default: break;
  }
  if ((code >= kDigit0 && code <= kDigit9) || (code >= kLetterA && code <= kLetterZ))
    return std::string(1, static_cast<char>(code));
  if (code >= kF1 && code <= kF9) {
    std::snprintf(name, sizeof name, "F%d", code - kF1 + 1);
    return name;
  }
  if (code >= kSelectStation1 && code <= kSelectStation8) {
    std::snprintf(name, sizeof name, "S%d", code - kSelectStation1 + 1);
    return name;
  }
  return "?";
}

PanelModel::PanelModel(uint64_t seed) : rng_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
  // Fill the history so the trend page is not empty on the first frame.
  // The waves run on their own clock so the history joins the first frame
  // without a jump.
  for (int i = 0; i < kTrendLength; ++i) AdvanceFrame();
  frame_ = 0;
}

uint32_t PanelModel::NextRandom() {
  // xorshift64*: cheap and the same on every platform for a given seed.
  rng_ ^= rng_ >> 12;
  rng_ ^= rng_ << 25;
  rng_ ^= rng_ >> 27;
  return static_cast<uint32_t>((rng_ * 0x2545F4914F6CDD1Dull) >> 32);
}

void PanelModel::AdvanceFrame() {
  ++frame_;
  ++tick_;
  for (int s = 0; s < kStationCount; ++s) {
    const double phase = static_cast<double>(tick_) * (0.03 + 0.007 * s) + s * 0.8;
    const int wave = static_cast<int>(std::lround(300.0 * std::sin(phase)));
    const int noise = static_cast<int>(NextRandom() % 41) - 20;
    int v = 500 + wave + noise;
    v = v < 0 ? 0 : (v > kLiveMax ? kLiveMax : v);
    live_[s] = v;
    trend_[s][trend_head_] = v;
  }
  trend_head_ = (trend_head_ + 1) % kTrendLength;
}

int PanelModel::SelectedRecord() const {
  return static_cast<Page>(page_) == Page::kStation ? record_ : OverviewColumnRecord(column_);
}

void PanelModel::SelectStation(int station) {
  if (station != station_) entry_.clear();
  station_ = station;
}

void PanelModel::MoveCursor(int dx, int dy) {
  entry_.clear();
  const int records = static_cast<int>(ParameterCatalogue().size());
  if (static_cast<Page>(page_) == Page::kStation) {
    record_ = (record_ + dy + records) % records;
    if (dx != 0) SelectStation((station_ + dx + kStationCount) % kStationCount);
    return;
  }
  if (dy != 0) SelectStation((station_ + dy + kStationCount) % kStationCount);
  column_ = (column_ + dx + kOverviewColumns) % kOverviewColumns;
}

void PanelModel::StoreEntry() {
  if (entry_.empty()) {
    message_ = "TYPE A VALUE FIRST";
    return;
  }
  const ParameterRecord& r = store_.Station(station_)[static_cast<size_t>(SelectedRecord())];
  uint32_t value = 0;  // at most kMaxEntryDigits digits: always fits
  std::from_chars(entry_.data(), entry_.data() + entry_.size(), value);
  store_.SetValue(r.address, value);
  char text[64];
  std::snprintf(text, sizeof text, "ST%d %.*s = %u", station_ + 1,
                static_cast<int>(r.def->label.size()), r.def->label.data(), value);
  message_ = text;
  entry_.clear();
}

void PanelModel::HandleKey(uint8_t code) {
  using namespace key;
  last_key_ = code;
  ++key_count_;
  if (code >= kDigit0 && code <= kDigit9) {
    if (entry_.size() < kMaxEntryDigits) entry_.push_back(static_cast<char>(code));
    return;
  }
  if (code >= kF1 && code <= kF9) {
    page_ = code - kF1 + 1;
    entry_.clear();
    return;
  }
  if (code >= kSelectStation1 && code <= kSelectStation8) {
    SelectStation(code - kSelectStation1);
    return;
  }
  switch (code) {
    case kEnter: StoreEntry(); break;
    case kLeft:
      // Backspace arrives as this code too, so while a value is being
      // typed it takes back the last digit instead of moving.
      if (!entry_.empty()) {
        entry_.pop_back();
      } else {
        MoveCursor(-1, 0);
      }
      break;
    case kRight:
    case kTab: MoveCursor(1, 0); break;
    case kUp: MoveCursor(0, -1); break;
    case kDown: MoveCursor(0, 1); break;
    case kSpace: entry_.clear(); break;
    case kCtrlA: message_ = "ALARMS ACKNOWLEDGED"; break;
    case kCtrlD: message_ = "DIAGNOSTICS: ALL OK"; break;
    case kCtrlM: message_ = "MENU LOCKED"; break;
    case kCtrl9: message_ = "THERE IS NO STATION 9"; break;
    default: break;  // letters and the full stop are only shown
  }
}

void PanelModel::NoteBackup(int station, size_t records) {
  char text[64];
  if (station < 0) {
    std::snprintf(text, sizeof text, "BACKUP ALL, %zu REC", records);
  } else {
    std::snprintf(text, sizeof text, "BACKUP ST%d, %zu REC", station + 1, records);
  }
  last_transfer_ = text;
}

void PanelModel::NoteRestore(size_t applied, size_t rejected) {
  char text[64];
  std::snprintf(text, sizeof text, "RESTORE %zu REC, %zu BAD", applied, rejected);
  last_transfer_ = text;
}

void PanelModel::NoteRestoreCutOff() { last_transfer_ += " CUT OFF"; }

}  // namespace corvane::sim
