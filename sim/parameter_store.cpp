#include "parameter_store.h"

#include <cstdio>

namespace corvane::sim {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits at `pos` the way Corvane's record reading does:
// 32 bits, wrapping. Leaves `pos` after the run.
uint32_t ReadNumber(std::string_view s, size_t& pos) {
  uint32_t n = 0;
  while (pos < s.size() && IsDigit(s[pos])) n = n * 10u + static_cast<uint32_t>(s[pos++] - '0');
  return n;
}

void SkipNonDigits(std::string_view s, size_t& pos) {
  while (pos < s.size() && !IsDigit(s[pos])) ++pos;
}

std::string DefaultText(const ParameterDef& def, int station) {
  char text[32];
  if (def.index == 0) {
    std::snprintf(text, sizeof text, "STATION %d", station + 1);
  } else {
    std::snprintf(text, sizeof text, "LOOP-%d%02d", def.group + 1, station + 1);
  }
  return text;
}

}  // namespace

const std::vector<ParameterDef>& ParameterCatalogue() {
  // Types below 200 other than 108 are the controller's own (calibration,
  // counters): a full restore carries them, a partial restore does not.
  static const std::vector<ParameterDef> catalogue = {
      {5, 0, 0, "CAL ZERO", 12},    {5, 0, 1, "CAL SPAN", 4095},    {5, 0, 2, "SERIAL NO", 310400},
      {5, 0, 3, "HW REV", 3},       {108, 0, 0, "SETPOINT", 250},   {108, 0, 1, "LIMIT HI", 400},
      {108, 0, 2, "LIMIT LO", 50},  {108, 0, 3, "RAMP", 10},        {108, 0, 4, "GAIN P", 120},
      {108, 0, 5, "GAIN I", 30},    {108, 0, 6, "GAIN D", 5},       {108, 0, 7, "DEADBAND", 2},
      {108, 1, 0, "ALARM HI", 380}, {108, 1, 1, "ALARM LO", 70},    {108, 1, 2, "ALM DELAY", 15},
      {108, 1, 3, "HYSTERES", 4},   {150, 0, 0, "RUN HOURS", 1200}, {150, 0, 1, "CYCLES", 48000},
      {200, 0, 0, "NAME", 1},       {200, 0, 1, "TAG", 1},          {201, 0, 0, "MODE", 1},
      {201, 0, 1, "UNIT", 2},       {201, 0, 2, "FILTER", 8},       {201, 0, 3, "SCALE", 1000},
      {201, 0, 4, "OFFSET", 0},     {201, 0, 5, "BUS ADDR", 1},     {210, 2, 0, "LOG RATE", 60},
      {210, 2, 1, "LOG SIZE", 512}, {210, 2, 2, "RETRIES", 3},      {210, 2, 3, "TIMEOUT", 250},
  };
  return catalogue;
}

std::string CleanRecordText(std::string_view text) {
  std::string clean;
  for (const char c : text) {
    if (clean.size() == kMaxRecordText) break;
    const bool printable = c >= 0x20 && c < 0x7F;
    const bool framing = c == '[' || c == ']' || c == '{' || c == '}' || c == ';';
    clean.push_back(printable && !framing ? c : '?');
  }
  // The cut can leave a blank at the end; a restore trims trailing blanks,
  // so such a text would not come back from its own backup.
  while (!clean.empty() && clean.back() == ' ') clean.pop_back();
  return clean;
}

ParameterStore::ParameterStore() {
  for (int s = 0; s < kStationCount; ++s) {
    auto& records = stations_[static_cast<size_t>(s)];
    for (const ParameterDef& def : ParameterCatalogue()) {
      ParameterRecord r;
      r.address = MakeAddress(def.type, def.group, static_cast<uint32_t>(s), def.index);
      // Stations differ a little so that a restore to the wrong station shows.
      r.value = def.default_value +
                (def.type == 108 || def.type >= 201 ? static_cast<uint32_t>(s) * 5u : 0u);
      if (def.type == 5 && def.index == 2) r.value += static_cast<uint32_t>(s) * 17u;
      if (def.type == kTextRecordType) r.text = DefaultText(def, s);
      r.def = &def;
      records.push_back(std::move(r));
    }
  }
}

ParameterRecord* ParameterStore::FindMutable(uint32_t address) {
  const int station = AddressStation(address);
  if (station >= kStationCount) return nullptr;
  for (ParameterRecord& r : stations_[static_cast<size_t>(station)]) {
    if (r.address == address) return &r;
  }
  return nullptr;
}

const ParameterRecord* ParameterStore::Find(uint32_t address) const {
  return const_cast<ParameterStore*>(this)->FindMutable(address);
}

bool ParameterStore::SetValue(uint32_t address, uint32_t value) {
  ParameterRecord* r = FindMutable(address);
  if (r == nullptr) return false;
  r->value = value;
  return true;
}

size_t ParameterStore::RecordCount(int station) const {
  if (station >= 0) return stations_[static_cast<size_t>(station)].size();
  size_t n = 0;
  for (const auto& records : stations_) n += records.size();
  return n;
}

std::string ParameterStore::BackupText(int station) const {
  std::string text;
  char line[96];
  for (int s = 0; s < kStationCount; ++s) {
    if (station >= 0 && s != station) continue;
    for (const ParameterRecord& r : stations_[static_cast<size_t>(s)]) {
      if (AddressType(r.address) == kTextRecordType) {
        std::snprintf(line, sizeof line, "%u %u,%s;\n", r.address, r.value, r.text.c_str());
      } else {
        std::snprintf(line, sizeof line, "%u %u ;\n", r.address, r.value);
      }
      text += line;
    }
  }
  return text;
}

std::optional<ApplyResult> ParameterStore::ApplyRestoreRecord(std::string_view record) {
  size_t pos = 0;
  SkipNonDigits(record, pos);
  if (pos == record.size()) return std::nullopt;  // only blanks and line ends
  const uint32_t address = ReadNumber(record, pos);
  SkipNonDigits(record, pos);
  if (pos == record.size()) return ApplyResult::kMalformed;  // no value
  const uint32_t value = ReadNumber(record, pos);
  ParameterRecord* r = FindMutable(address);
  if (r == nullptr) return ApplyResult::kUnknownAddress;
  r->value = value;
  // The byte after the value separates it from the text: "," in a backup
  // line, " " in a record Corvane rebuilt for another station. A type-200
  // record without a text keeps the text it had.
  if (AddressType(address) == kTextRecordType && pos + 1 < record.size()) {
    std::string_view text = record.substr(pos + 1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
      text.remove_suffix(1);
    r->text = CleanRecordText(text);
  }
  return ApplyResult::kApplied;
}

}  // namespace corvane::sim
