// One record of a parameter file as a partial restore reads it, and the
// rewriting that points it at another station.
//
// A line holds an address (the first run of decimal digits), a value (the
// next run), the byte that ends the value, and a text part (the rest of the
// line). Numbers are read as the controller's tools read them
// (decimal_number.h): digits only, wrapping in 32 bits.
// Pure functions: any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The 32-bit address of a record: type in bits 16-31, group 8-15, station
// 4-7 (zero-based), index 0-3.
struct ParameterAddress {
  uint16_t type = 0;
  uint8_t group = 0;
  uint8_t station = 0;
  uint8_t index = 0;

  static constexpr ParameterAddress Split(uint32_t address) {
    return ParameterAddress{
        static_cast<uint16_t>(address >> 16), static_cast<uint8_t>((address >> 8) & 0xFFu),
        static_cast<uint8_t>((address >> 4) & 0xFu), static_cast<uint8_t>(address & 0xFu)};
  }
  constexpr uint32_t Join() const {
    return (uint32_t{type} << 16) | (uint32_t{group} << 8) | (uint32_t{station & 0xFu} << 4) |
           uint32_t{index & 0xFu};
  }
};

// A partial restore sends records of type 108 and of every type from 200
// up; all other records of the file stay at home.
inline constexpr uint16_t kTypeSentBelow200 = 108;
inline constexpr uint16_t kFirstTypeAlwaysSent = 200;
// A type-200 record carries its text part instead of the " ;" ending.
inline constexpr uint16_t kTextRecordType = 200;

// Pure. Rewrites one file line (without its LF) so that it addresses
// `target_station`: "%d %d" and " ;\n", or " " and the text part for type
// 200. None for a line a partial restore does not send: another type, fewer
// than two runs of digits, or a type-200 line without a text part. Never
// reads past the line.
std::optional<std::string> RetargetRecord(std::string_view line, uint16_t target_station);

// The same, appending the rebuilt record to `out` (left as it was when the
// record is not sent). Returns whether it is to be sent. The restore uses
// this to build its batches without a string per line.
bool AppendRetargetedRecord(std::string_view line, uint16_t target_station, std::string& out);

}  // namespace corvane
