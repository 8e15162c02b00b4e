#include "payload_encoder.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace corvane::sim {
namespace {

constexpr int kWidth = LetterImage::kWidth;
// The digit of a run of 4 pixels; digit d draws 4 << (d - '1').
constexpr char kFirstRunDigit = '1';
constexpr char kWholeRowDigit = '9';
constexpr int kLargestPowerDigits = 8;  // "1".."8": 4..512

// End of the run of `row[x]` that starts at x: the first column holding
// another letter, or kWidth. Compares eight bytes at a time where it can,
// since panel rows are mostly long runs.
int RunEnd(const uint8_t* row, int x) {
  const uint8_t c = row[x];
  int e = x + 1;
  if constexpr (std::endian::native == std::endian::little) {
    const uint64_t pattern = 0x0101010101010101ull * c;
    while (e + 8 <= kWidth) {
      uint64_t word;
      std::memcpy(&word, row + e, sizeof word);
      const uint64_t diff = word ^ pattern;
      if (diff != 0) return e + std::countr_zero(diff) / 8;
      e += 8;
    }
  }
  while (e < kWidth && row[e] == c) ++e;
  return e;
}

// Appends the code of one row; false when it holds a byte with no pen.
bool EncodeRow(const uint8_t* row, std::string& out) {
  int x = 0;
  while (x < kWidth) {
    const uint8_t c = row[x];
    if (!IsImageLetter(c)) return false;
    const int end = RunEnd(row, x);
    const char letter = static_cast<char>(c);
    if (end == kWidth) {
      out.push_back(letter);
      out.push_back(kWholeRowDigit);
      return true;
    }
    const int n = end - x;
    const int singles = n & 3;
    const int quads = n >> 2;
    if (quads == 0) {
      // Each letter draws one pixel because a letter always follows it: the
      // next of these, or the letter that opens the next run.
      out.append(static_cast<size_t>(singles), letter);
    } else {
      // The last letter is followed by a digit and so only selects the pen.
      out.append(static_cast<size_t>(singles + 1), letter);
      for (int bit = kLargestPowerDigits - 1; bit >= 0; --bit) {
        if (quads & (1 << bit)) out.push_back(static_cast<char>(kFirstRunDigit + bit));
      }
    }
    x = end;
  }
  return true;  // not reached: the last run always ends the row above
}

}  // namespace

bool EncodeScreenPayload(const LetterImage& image, std::string& payload) {
  payload.clear();
  // Room for the worst case up front: no reallocation while coding, which
  // also keeps the row-copy below from reading a moved buffer.
  payload.reserve(kMaxPayloadBytes);
  size_t previous_start = 0;
  size_t previous_size = 0;
  for (int y = 0; y < LetterImage::kHeight; ++y) {
    const uint8_t* row = image.Row(y);
    const size_t start = payload.size();
    if (y > 0 && std::memcmp(row, image.Row(y - 1), kWidth) == 0) {
      payload.append(payload.data() + previous_start, previous_size);
    } else if (!EncodeRow(row, payload)) {
      payload.clear();
      return false;
    }
    previous_start = start;
    previous_size = payload.size() - start;
  }
  return true;
}

}  // namespace corvane::sim
