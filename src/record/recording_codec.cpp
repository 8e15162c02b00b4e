#include "record/recording_codec.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
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

RecordDeflater::RecordDeflater(Effort effort) : state_(std::make_unique<State>()) {
  const int level = effort == Effort::kFast ? Z_BEST_SPEED : Z_DEFAULT_COMPRESSION;
  state_->ready = deflateInit(&state_->stream, level) == Z_OK;
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

namespace {

constexpr size_t kBlock = 16;
// The fewest and most slots of the block table: twice as many as the
// previous payload has blocks, so few blocks share a slot.
constexpr int kLeastTableBits = 10;
constexpr int kMostTableBits = 20;

uint64_t Load64(const uint8_t* p) {
  uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// The slot of the block at p, from its two eight-byte halves: multiplies
// by odd constants mix every bit upwards, and the top bits are the slot.
size_t Slot(const uint8_t* p, int bits) {
  const uint64_t h = Load64(p) * 0x9E3779B97F4A7C15ull ^ Load64(p + 8) * 0xC2B2AE3D27D4EB4Full;
  return static_cast<size_t>(h >> (64 - bits));
}

bool SameBlock(const uint8_t* a, const uint8_t* b) {
  return Load64(a) == Load64(b) && Load64(a + 8) == Load64(b + 8);
}

// How many of a[0, limit) equal b[0, limit) before the first difference.
size_t SameLength(const uint8_t* a, const uint8_t* b, size_t limit) {
  size_t n = 0;
  for (; n + 8 <= limit; n += 8) {
    const uint64_t differ = Load64(a + n) ^ Load64(b + n);
    if (differ != 0) {
      // The first differing byte is the lowest one in memory.
      const int bit = std::endian::native == std::endian::little ? std::countr_zero(differ)
                                                                 : std::countl_zero(differ);
      return n + static_cast<size_t>(bit / 8);
    }
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

void PutNumber(uint64_t value, std::vector<uint8_t>& out) {
  while (value >= 0x80) {
    out.push_back(static_cast<uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<uint8_t>(value));
}

bool TakeNumber(std::span<const uint8_t>& in, uint64_t& value) {
  value = 0;
  for (int shift = 0; shift < 64 && !in.empty(); shift += 7) {
    const uint8_t byte = in.front();
    in = in.subspan(1);
    value |= uint64_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

void PutLiteral(std::span<const uint8_t> bytes, std::vector<uint8_t>& ops) {
  if (bytes.empty()) return;
  PutNumber(uint64_t{bytes.size()} << 1, ops);
  ops.insert(ops.end(), bytes.begin(), bytes.end());
}

}  // namespace

DeltaEncoder::DeltaEncoder() = default;

void DeltaEncoder::Encode(std::span<const uint8_t> previous, std::span<const uint8_t> next,
                          std::vector<uint8_t>& ops) {
  ops.clear();
  int bits = kLeastTableBits;
  while (bits < kMostTableBits && (size_t{1} << bits) < 2 * (previous.size() / kBlock)) ++bits;
  table_.assign(size_t{1} << bits, 0);
  for (size_t o = 0; o + kBlock <= previous.size(); o += kBlock) {
    table_[Slot(previous.data() + o, bits)] = static_cast<uint32_t>(o + 1);
  }
  const size_t n = next.size();
  size_t literal = 0;  // where the bytes not yet written as ops begin
  size_t i = 0;
  while (i + kBlock <= n) {
    const uint32_t at = table_[Slot(next.data() + i, bits)];
    if (at == 0 || !SameBlock(previous.data() + at - 1, next.data() + i)) {
      ++i;
      continue;
    }
    size_t from = at - 1;
    // Grown backwards into the pending literal and forwards past the block.
    while (i > literal && from > 0 && next[i - 1] == previous[from - 1]) {
      --i;
      --from;
    }
    const size_t length = SameLength(previous.data() + from, next.data() + i,
                                     std::min(n - i, previous.size() - from));
    PutLiteral(next.subspan(literal, i - literal), ops);
    PutNumber((uint64_t{length} << 1) | 1, ops);
    PutNumber(from, ops);
    i += length;
    literal = i;
  }
  PutLiteral(next.subspan(literal), ops);
}

bool ApplyDelta(std::span<const uint8_t> previous, std::span<const uint8_t> ops, size_t length,
                std::vector<uint8_t>& out) {
  out.clear();
  while (!ops.empty()) {
    uint64_t tag = 0;
    if (!TakeNumber(ops, tag)) return false;
    const uint64_t count = tag >> 1;
    if (count > length - out.size()) return false;
    if ((tag & 1) == 0) {
      if (count > ops.size()) return false;
      out.insert(out.end(), ops.begin(), ops.begin() + static_cast<std::ptrdiff_t>(count));
      ops = ops.subspan(count);
    } else {
      uint64_t from = 0;
      if (!TakeNumber(ops, from) || from > previous.size() || count > previous.size() - from) {
        return false;
      }
      out.insert(out.end(), previous.begin() + static_cast<std::ptrdiff_t>(from),
                 previous.begin() + static_cast<std::ptrdiff_t>(from + count));
    }
  }
  return out.size() == length;
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
