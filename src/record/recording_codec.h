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
  RecordDeflater();
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

// The end of `bytes` that zlib uses as a dictionary.
std::span<const uint8_t> DictionaryOf(std::span<const uint8_t> bytes);

// A whole Surface::kWidth x kHeight picture as a key picture's payload.
void PackPicture(const Pixel* picture, std::vector<uint8_t>& out);
// The picture back; false when `payload` is not one.
bool UnpackPicture(std::span<const uint8_t> payload, Pixel* picture);

}  // namespace corvane
