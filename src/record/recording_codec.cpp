#include "record/recording_codec.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

constexpr size_t kPixelCount = static_cast<size_t>(Surface::kWidth) * Surface::kHeight;
// A palette index is one byte; 0 as the count says the pixels follow raw
// (a picture of more colours than the controller's pens, never drawn by
// the decoder but possible in a picture a caller starts from).
constexpr size_t kMaxPalette = 255;

}  // namespace

struct RecordDeflater::State {
  z_stream stream{};
  bool ready = false;
};

RecordDeflater::RecordDeflater() : state_(std::make_unique<State>()) {
  state_->ready = deflateInit(&state_->stream, Z_DEFAULT_COMPRESSION) == Z_OK;
}

RecordDeflater::~RecordDeflater() {
  if (state_->ready) deflateEnd(&state_->stream);
}

bool RecordDeflater::Compress(std::span<const uint8_t> raw, std::span<const uint8_t> dictionary,
                              std::vector<uint8_t>& out) {
  out.clear();
  z_stream& z = state_->stream;
  if (!state_->ready || deflateReset(&z) != Z_OK) return false;
  if (!dictionary.empty() &&
      deflateSetDictionary(&z, dictionary.data(), static_cast<uInt>(dictionary.size())) != Z_OK) {
    return false;
  }
  out.resize(deflateBound(&z, static_cast<uLong>(raw.size())));
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  // The bound holds the whole stream, so one call finishes it.
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) {
    out.clear();
    return false;
  }
  out.resize(z.total_out);
  return true;
}

struct RecordInflater::State {
  z_stream stream{};
  bool ready = false;
};

RecordInflater::RecordInflater() : state_(std::make_unique<State>()) {
  state_->ready = inflateInit(&state_->stream) == Z_OK;
}

RecordInflater::~RecordInflater() {
  if (state_->ready) inflateEnd(&state_->stream);
}

bool RecordInflater::Decompress(std::span<const uint8_t> stored, size_t decoded_length,
                                std::span<const uint8_t> dictionary, std::vector<uint8_t>& out) {
  out.resize(decoded_length);
  z_stream& z = state_->stream;
  if (!state_->ready || inflateReset(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(stored.data());
  z.avail_in = static_cast<uInt>(stored.size());
  // One byte of room past the end: a stream that decodes to more than it
  // should is caught, not cut to fit.
  uint8_t spare = 0;
  z.next_out = out.empty() ? &spare : out.data();
  z.avail_out = static_cast<uInt>(out.size());
  int result = inflate(&z, Z_FINISH);
  if (result == Z_NEED_DICT) {
    if (dictionary.empty() ||
        inflateSetDictionary(&z, dictionary.data(), static_cast<uInt>(dictionary.size())) != Z_OK) {
      return false;
    }
    result = inflate(&z, Z_FINISH);
  }
  if (result == Z_BUF_ERROR && z.avail_out == 0 && z.avail_in > 0) return false;
  return result == Z_STREAM_END && z.total_out == decoded_length && z.avail_in == 0;
}

std::span<const uint8_t> DictionaryOf(std::span<const uint8_t> bytes) {
  return bytes.size() > kDictionaryBytes ? bytes.last(kDictionaryBytes) : bytes;
}

void PackPicture(const Pixel* picture, std::vector<uint8_t>& out) {
  out.clear();
  std::vector<Pixel> palette;
  out.resize(1 + kMaxPalette * 4 + kPixelCount);
  uint8_t* indices = out.data() + 1 + kMaxPalette * 4;
  Pixel last = 0;
  uint8_t last_index = 0;
  bool have_last = false;
  for (size_t i = 0; i < kPixelCount; ++i) {
    const Pixel p = picture[i];
    if (!have_last || p != last) {
      const auto found = std::find(palette.begin(), palette.end(), p);
      if (found == palette.end()) {
        if (palette.size() == kMaxPalette) {
          // Too many colours for an index byte: every pixel raw.
          out.assign(1, 0);
          out.resize(1 + kPixelCount * 4);
          for (size_t k = 0; k < kPixelCount; ++k) {
            for (int b = 0; b < 4; ++b) {
              out[1 + k * 4 + static_cast<size_t>(b)] = static_cast<uint8_t>(picture[k] >> (8 * b));
            }
          }
          return;
        }
        palette.push_back(p);
        last_index = static_cast<uint8_t>(palette.size() - 1);
      } else {
        last_index = static_cast<uint8_t>(found - palette.begin());
      }
      last = p;
      have_last = true;
    }
    indices[i] = last_index;
  }
  // The palette as long as it is, the indices right behind it.
  const size_t palette_bytes = palette.size() * 4;
  out[0] = static_cast<uint8_t>(palette.size());
  for (size_t k = 0; k < palette.size(); ++k) {
    for (int b = 0; b < 4; ++b) {
      out[1 + k * 4 + static_cast<size_t>(b)] = static_cast<uint8_t>(palette[k] >> (8 * b));
    }
  }
  std::memmove(out.data() + 1 + palette_bytes, indices, kPixelCount);
  out.resize(1 + palette_bytes + kPixelCount);
}

bool UnpackPicture(std::span<const uint8_t> payload, Pixel* picture) {
  if (payload.empty()) return false;
  const size_t colours = payload[0];
  auto pixel_at = [&](size_t offset) {
    Pixel p = 0;
    for (int b = 3; b >= 0; --b) p = (p << 8) | payload[offset + static_cast<size_t>(b)];
    return p;
  };
  if (colours == 0) {
    if (payload.size() != 1 + kPixelCount * 4) return false;
    for (size_t i = 0; i < kPixelCount; ++i) picture[i] = pixel_at(1 + i * 4);
    return true;
  }
  if (payload.size() != 1 + colours * 4 + kPixelCount) return false;
  Pixel palette[kMaxPalette];
  for (size_t k = 0; k < colours; ++k) palette[k] = pixel_at(1 + k * 4);
  const uint8_t* indices = payload.data() + 1 + colours * 4;
  for (size_t i = 0; i < kPixelCount; ++i) {
    if (indices[i] >= colours) return false;
    picture[i] = palette[indices[i]];
  }
  return true;
}

}  // namespace corvane
