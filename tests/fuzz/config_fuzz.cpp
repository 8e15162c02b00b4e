// The number readers of config.dpm and of the port dialog, and the line
// parser of config.dpm: each against a reference written from its rules,
// and never a port outside its range.
//
// Input: a switch byte and three range bytes for ParsePortNumber, then text
// that is read as a number field, as an edit box and as the file's lines.

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>

#include "app/app_config.h"
#include "fuzz/fuzz_support.h"

namespace corvane::fuzz {
namespace {

bool AllDigits(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
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

// A field of the file: digits only (empty reads 0), wrapped to 32 bits,
// then held to the range.
int32_t FieldReference(std::string_view text, int32_t fallback, int32_t minimum, int32_t maximum) {
  if (!AllDigits(text)) return fallback;
  const uint32_t number = Modulo32(text);
  const bool in_range =
      number >= static_cast<uint32_t>(minimum) && number <= static_cast<uint32_t>(maximum);
  return in_range ? static_cast<int32_t>(number) : fallback;
}

// The edit box: blanks and tabs around one unsigned decimal number that
// fits 32 bits.
std::optional<uint32_t> DialogReference(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
  if (!AllDigits(text)) return std::nullopt;
  uint32_t number = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return number;
}

}  // namespace
}  // namespace corvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  std::span<const uint8_t> input(data, size);
  const uint8_t flags = TakeFlags(input);
  // A range within 0..255 and a fallback that may lie outside it, as the
  // file reader's current value may.
  const int32_t minimum = TakeFlags(input);
  const int32_t maximum = minimum + TakeFlags(input);
  const int32_t fallback = (flags & 1) != 0 ? -1 - TakeFlags(input) : TakeFlags(input);
  const std::string_view text = AsText(input);

  const int32_t field = ParsePortNumber(text, fallback, minimum, maximum);
  FUZZ_REQUIRE(field == FieldReference(text, fallback, minimum, maximum), "the field's rules");
  FUZZ_REQUIRE(field == fallback || (field >= minimum && field <= maximum),
               "in range or the fallback");

  const std::optional<uint32_t> typed = ParseDialogPortNumber(text);
  FUZZ_REQUIRE(typed == DialogReference(text), "the edit box's rules");

  // The text as the file's lines: the last line whose key is exactly the
  // port's and whose value is a port number sets the port.
  AppConfig config;
  int32_t want = AppConfig::kDefaults[AppConfig::kComPort];
  for (const std::string& line : SplitLines(text).lines) {
    ApplyConfigLine(config, line);
    // The key runs up to the first "=" (the whole line when there is none),
    // the value is all after it.
    const size_t equals = std::min(line.find('='), line.size());
    if (line.compare(0, equals, "COM Port") != 0) continue;
    const std::string_view value = std::string_view(line).substr(std::min(equals + 1, line.size()));
    want = FieldReference(value, want, kConfigPortMinimum, kConfigPortMaximum);
    FUZZ_REQUIRE(config.ComPort() >= kConfigPortMinimum && config.ComPort() <= kConfigPortMaximum,
                 "a port read from the file is in range");
  }
  FUZZ_REQUIRE(config.ComPort() == want, "the last valid port line wins");
  return 0;
}
