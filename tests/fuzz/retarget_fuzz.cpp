// Retargeting a parameter-file line for a partial restore: the rebuilt
// record against one written out from the record layout, the appending form
// against the returning one, and a second retargeting of the result, which
// must change nothing but the station.
//
// Input: the target station byte, then the line.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "fuzz/fuzz_support.h"
#include "params/parameter_record.h"

namespace corvane::fuzz {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The runs of digits of a line, as [begin, end) pairs.
struct DigitRun {
  size_t begin = 0;
  size_t end = 0;
};

std::optional<DigitRun> NextRun(std::string_view line, size_t from) {
  size_t begin = from;
  while (begin < line.size() && !IsDigit(line[begin])) ++begin;
  if (begin == line.size()) return std::nullopt;
  size_t end = begin;
  while (end < line.size() && IsDigit(line[end])) ++end;
  return DigitRun{begin, end};
}

// The digits as a number modulo 2^32, weighing each digit by its power of
// ten from the right.
uint32_t Modulo32(std::string_view digits) {
  uint64_t sum = 0;
  uint64_t weight = 1;
  for (size_t i = digits.size(); i-- > 0;) {
    sum = (sum + static_cast<uint64_t>(digits[i] - '0') * weight) & 0xFFFFFFFFu;
    weight = (weight * 10) & 0xFFFFFFFFu;
  }
  return static_cast<uint32_t>(sum);
}

std::string Signed(uint32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int32_t>(number));
  return text;
}

// The record as it should go out, or nothing when the line stays at home:
// type 108 and every type from 200 go out; a type-200 line needs at least
// the byte that ends its value.
std::optional<std::string> Expected(std::string_view line, uint16_t station) {
  const auto address_run = NextRun(line, 0);
  if (!address_run) return std::nullopt;
  const auto value_run = NextRun(line, address_run->end);
  if (!value_run) return std::nullopt;
  const uint32_t address =
      Modulo32(line.substr(address_run->begin, address_run->end - address_run->begin));
  const uint32_t value = Modulo32(line.substr(value_run->begin, value_run->end - value_run->begin));
  const uint32_t type = address >> 16;
  if (type != 108 && type < 200) return std::nullopt;
  if (type == 200 && value_run->end == line.size()) return std::nullopt;
  const uint32_t retargeted = (address & ~0xF0u) | ((station & 0xFu) << 4);
  std::string record = Signed(retargeted) + " " + Signed(value);
  if (type == 200) {
    record += " ";
    record += line.substr(value_run->end + 1);
  } else {
    record += " ;\n";
  }
  return record;
}

}  // namespace
}  // namespace corvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  std::span<const uint8_t> input(data, size);
  const uint16_t station = TakeFlags(input);
  // A buffer of exactly the line's size, so a read past its end is caught.
  const std::unique_ptr<char[]> copy(new char[input.size()]);
  std::copy(input.begin(), input.end(), copy.get());
  const std::string_view line(copy.get(), input.size());

  const std::optional<std::string> record = RetargetRecord(line, station);
  const std::optional<std::string> expected = Expected(line, station);
  FUZZ_REQUIRE(record == expected, "sent exactly the records that go out, rebuilt from the layout");

  std::string out = "kept";
  const bool appended = AppendRetargetedRecord(line, station, out);
  FUZZ_REQUIRE(appended == record.has_value() && out == "kept" + record.value_or(""),
               "appending adds the record, or nothing");
  // A file line never holds an LF; only then is the record's own LF its end.
  if (!record || line.find('\n') != std::string_view::npos) return 0;

  // The rebuilt record, read back as a line, addresses the same record: so
  // retargeting it to another station and back gives the same bytes. Only
  // while both numbers print without a sign: a "-" is no digit when the line
  // is read again.
  const auto as_line = [](const std::string& bytes) {
    return std::string_view(bytes).substr(0, bytes.size() - (bytes.back() == '\n' ? 1 : 0));
  };
  const std::string_view again = as_line(*record);
  const std::string_view numbers = again.substr(0, again.find(' ', again.find(' ') + 1));
  if (numbers.find('-') != std::string_view::npos) return 0;
  const uint16_t other = static_cast<uint16_t>(station + 1 + (size % 14));
  const std::optional<std::string> moved = RetargetRecord(again, other);
  FUZZ_REQUIRE(moved.has_value(), "a rebuilt record goes out again");
  const std::optional<std::string> back = RetargetRecord(as_line(*moved), station);
  FUZZ_REQUIRE(back == record, "retargeting twice is retargeting once");
  return 0;
}
