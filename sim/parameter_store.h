// The simulated controller's station parameters: eight stations with the
// same catalogue of records each, the backup text it answers "<11>".."<19>"
// with, and the records that restore data writes back.
//
// An address is type x 65536 + group x 256 + station x 16 + index; the
// station field is the zero-based station 0..7. The catalogue mixes the
// kinds of record Corvane treats differently on a partial restore: type 108,
// type 200 (a value and a text), types 201 and above, and types below 200
// that only a full restore carries back.
//
// Threads: single-threaded, owned by the panel model.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::sim {

inline constexpr int kStationCount = 8;
inline constexpr uint16_t kTextRecordType = 200;

constexpr uint32_t MakeAddress(uint32_t type, uint32_t group, uint32_t station, uint32_t index) {
  return (type << 16) | ((group & 0xFF) << 8) | ((station & 0xF) << 4) | (index & 0xF);
}
constexpr uint16_t AddressType(uint32_t address) { return static_cast<uint16_t>(address >> 16); }
constexpr uint8_t AddressGroup(uint32_t address) { return static_cast<uint8_t>(address >> 8); }
constexpr uint8_t AddressStation(uint32_t address) {
  return static_cast<uint8_t>((address >> 4) & 0xF);
}
constexpr uint8_t AddressIndex(uint32_t address) { return static_cast<uint8_t>(address & 0xF); }

// One entry of the per-station catalogue.
struct ParameterDef {
  uint16_t type;
  uint8_t group;
  uint8_t index;
  std::string_view label;  // as the panel shows it, at most 10 characters
  uint32_t default_value;  // station 1's; other stations get small offsets
};

// The catalogue every station has, in the order backups list it.
const std::vector<ParameterDef>& ParameterCatalogue();
// Catalogue position of the station's name (type 200, index 0).
inline constexpr int kNameRecord = 18;

struct ParameterRecord {
  uint32_t address = 0;
  uint32_t value = 0;
  std::string text;  // type 200 only
  const ParameterDef* def = nullptr;
};

// Longest text a type-200 record keeps; a longer one is cut.
inline constexpr size_t kMaxRecordText = 24;

// What applying one restore record did.
enum class ApplyResult { kApplied, kUnknownAddress, kMalformed };

class ParameterStore {
 public:
  // Every station at its defaults.
  ParameterStore();

  const std::vector<ParameterRecord>& Station(int station) const {
    return stations_[static_cast<size_t>(station)];
  }
  const ParameterRecord* Find(uint32_t address) const;
  // False for an address the store does not hold.
  bool SetValue(uint32_t address, uint32_t value);

  // The text of a parameter block, without "[" and "]": one record a line,
  // "address value ;" or, for type 200, "address value,TEXT;", each line
  // ending in LF. `station` 0..7 lists one station, -1 all of them.
  std::string BackupText(int station) const;
  size_t RecordCount(int station) const;

  // Applies one restore record: the bytes between two ";" (the ";" itself
  // not included). The address is the first run of digits, the value the
  // next; for type 200 the text is what follows the byte after the value.
  // Full restores send "A V ;" and "A V,TEXT;" lines back to back, partial
  // ones "A V ;" LF and "A V TEXT;", so leading blanks and line ends are
  // skipped. A record with no digits at all is not counted (returns nullopt).
  std::optional<ApplyResult> ApplyRestoreRecord(std::string_view record);

 private:
  ParameterRecord* FindMutable(uint32_t address);
  std::array<std::vector<ParameterRecord>, kStationCount> stations_;
};

// Text as a type-200 record may hold it: printable ASCII without the bytes
// that frame blocks, images and records ("[", "]", "{", "}", ";"), each such
// byte replaced by "?", cut to kMaxRecordText, with no blank at its end. A text that could end a
// backup block early would cut every later record off Corvane's file.
std::string CleanRecordText(std::string_view text);

}  // namespace corvane::sim
