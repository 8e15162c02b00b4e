#include <charconv>

#include "params/decimal_number.h"
#include "params/parameter_record.h"

namespace corvane {

namespace {

// Skips non-digits from `pos`; returns the position of the next digit, or
// the line's length when none is left.
size_t SkipNonDigits(std::string_view line, size_t pos) {
  while (pos < line.size() && !IsDecimalDigit(line[pos])) ++pos;
  return pos;
}

// Reads the run of digits at `pos` and moves `pos` past it.
uint32_t ReadNumber(std::string_view line, size_t& pos) {
  const DigitRun run = ReadDigitRun(line, pos);
  pos = run.end;
  return run.value;
}

// "%d": each number written as a signed 32-bit value, so an address of type
// 32768 or more goes out with a minus sign.
void AppendSigned(std::string& out, uint32_t number) {
  char text[16];
  const auto result = std::to_chars(text, text + sizeof text, static_cast<int32_t>(number));
  out.append(text, result.ptr);
}

}  // namespace

bool AppendRetargetedRecord(std::string_view line, uint16_t target_station, std::string& out) {
  size_t pos = SkipNonDigits(line, 0);
  if (pos == line.size()) return false;  // no address
  const uint32_t address = ReadNumber(line, pos);
  pos = SkipNonDigits(line, pos);
  if (pos == line.size()) return false;  // no value
  const uint32_t value = ReadNumber(line, pos);

  ParameterAddress fields = ParameterAddress::Split(address);
  const bool send = fields.type >= kFirstTypeAlwaysSent || fields.type == kTypeSentBelow200;
  if (!send) return false;
  // The byte after the value ends it and is dropped; the text part follows.
  const bool has_text_part = pos < line.size();
  if (fields.type == kTextRecordType && !has_text_part) return false;

  fields.station = static_cast<uint8_t>(target_station & 0xFu);
  AppendSigned(out, fields.Join());
  out.push_back(' ');
  AppendSigned(out, value);
  if (fields.type == kTextRecordType) {
    out.push_back(' ');
    out.append(line.substr(pos + 1));
  } else {
    out.append(" ;\n");
  }
  return true;
}

std::optional<std::string> RetargetRecord(std::string_view line, uint16_t target_station) {
  std::string record;
  if (!AppendRetargetedRecord(line, target_station, record)) return std::nullopt;
  return record;
}

}  // namespace corvane
