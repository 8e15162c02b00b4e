// Decimal numbers as the controller's files write them: a run of the bytes
// "0" to "9", with no sign. The controller's tools take each digit as
// number x 10 + digit in 32 bits and let the number wrap; Corvane reads the
// parameter files and its own config.dpm the same way, so that a file means
// to us what it means to them.
//
// Pure: any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

constexpr bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

struct DigitRun {
  uint32_t value = 0;    // the number modulo 2^32, as the controller's tools have it
  size_t end = 0;        // the position after the last digit
  bool wrapped = false;  // the digits stand for 2^32 or more, so `value` is not their number
};

// The run of digits that starts at `pos`; an empty run (value 0, end at
// `pos`) when no digit stands there.
constexpr DigitRun ReadDigitRun(std::string_view text, size_t pos = 0) {
  DigitRun run{0, pos, false};
  while (run.end < text.size() && IsDecimalDigit(text[run.end])) {
    const auto digit = static_cast<uint32_t>(text[run.end] - '0');
    if (run.value > (UINT32_MAX - digit) / 10u) run.wrapped = true;
    run.value = run.value * 10u + digit;
    ++run.end;
  }
  return run;
}

}  // namespace corvane
