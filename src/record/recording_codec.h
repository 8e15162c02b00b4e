// The payloads of a recording as they are stored: zlib, with the image
// before as the preset dictionary where the writer chose it, and the whole
// picture of a key picture as a palette and one index a pixel (the
// controller paints with 16 pens, so the picture has few colours and
// compresses to a few kilobytes).
//
// Threads: an instance belongs to one thread (the recorder's writer, or
// a reader's caller); the free functions share nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "screen/surface.h"

namespace corvane {

// zlib's window: a preset dictionary longer than this helps no more.
inline constexpr size_t kDictionaryBytes = 32 * 1024;

class RecordDeflater {
 public:
  // kFast: zlib's fastest level, for what is written many times a second;
  // kSmall: its usual level, for what is rare and large.
  enum class Effort { kFast, kSmall };

  explicit RecordDeflater(Effort effort = Effort::kSmall);
  ~RecordDeflater();
  RecordDeflater(const RecordDeflater&) = delete;
  RecordDeflater& operator=(const RecordDeflater&) = delete;

  // `raw` compressed into `out` (which it replaces), with the end of
  // `dictionary` preset when that is not empty. False when zlib fails
  // (no memory); `out` is then empty.
  bool Compress(std::span<const uint8_t> raw, std::span<const uint8_t> dictionary,
                std::vector<uint8_t>& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

class RecordInflater {
 public:
  RecordInflater();
  ~RecordInflater();
  RecordInflater(const RecordInflater&) = delete;
  RecordInflater& operator=(const RecordInflater&) = delete;

  // `stored` decompressed into `out`, which must come to exactly
  // `decoded_length` bytes. False when the bytes are not such a stream
  // (or ask for a dictionary other than `dictionary`).
  bool Decompress(std::span<const uint8_t> stored, size_t decoded_length,
                  std::span<const uint8_t> dictionary, std::vector<uint8_t>& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// An image as what changed since the one before: copies of stretches of
// the previous payload and the bytes between them. Consecutive images of
// the controller's screen share most of their runs, but at some 40 KB a
// payload the image before lies beyond zlib's 32 KB reach; the stretches
// are found by 16-byte blocks of the previous payload, and the result is
// compressed with zlib as it stands. It runs for every image, so it
// compares eight bytes at a time and hashes a block with two multiplies.
//
// The ops, back to back: a LEB128 number n*2 + kind, then for kind 0
// (literal) n bytes, for kind 1 (copy) the LEB128 offset in the previous
// payload of n bytes to copy.
class DeltaEncoder {
 public:
  DeltaEncoder();
  // `next` as ops against `previous`, into `ops` (which it replaces).
  void Encode(std::span<const uint8_t> previous, std::span<const uint8_t> next,
              std::vector<uint8_t>& ops);

 private:
  std::vector<uint32_t> table_;  // block hash -> offset + 1 in the previous payload
};

// The payload the ops rebuild from `previous`; false when they are not
// well formed or do not make exactly `length` bytes.
bool ApplyDelta(std::span<const uint8_t> previous, std::span<const uint8_t> ops, size_t length,
                std::vector<uint8_t>& out);

// The end of `bytes` that zlib uses as a dictionary.
std::span<const uint8_t> DictionaryOf(std::span<const uint8_t> bytes);

// A whole Surface::kWidth x kHeight picture as a key picture's payload.
void PackPicture(const Pixel* picture, std::vector<uint8_t>& out);
// The picture back; false when `payload` is not one.
bool UnpackPicture(std::span<const uint8_t> payload, Pixel* picture);

}  // namespace corvane
