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

namespace {

constexpr size_t kBlock = 16;
constexpr uint32_t kHashBase = 0x01000193;
constexpr size_t kTableBits = 16;

// kHashBase to the power kBlock - 1: what the byte leaving the block
// weighs in the rolling hash.
constexpr uint32_t LeavingWeight() {
  uint32_t w = 1;
  for (size_t k = 1; k < kBlock; ++k) w *= kHashBase;
  return w;
}

uint32_t BlockHash(const uint8_t* p) {
  uint32_t h = 0;
  for (size_t k = 0; k < kBlock; ++k) h = h * kHashBase + p[k];
  return h;
}

size_t Slot(uint32_t hash) { return (hash * 2654435761u) >> (32 - kTableBits); }

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

DeltaEncoder::DeltaEncoder() : table_(size_t{1} << kTableBits) {}

void DeltaEncoder::Encode(std::span<const uint8_t> previous, std::span<const uint8_t> next,
                          std::vector<uint8_t>& ops) {
  ops.clear();
  std::fill(table_.begin(), table_.end(), 0);
  for (size_t o = 0; o + kBlock <= previous.size(); o += kBlock) {
    table_[Slot(BlockHash(previous.data() + o))] = static_cast<uint32_t>(o + 1);
  }
  const size_t n = next.size();
  size_t literal = 0;  // where the bytes not yet written as ops begin
  size_t i = 0;
  uint32_t hash = n >= kBlock ? BlockHash(next.data()) : 0;
  while (i + kBlock <= n) {
    const uint32_t at = table_[Slot(hash)];
    if (at != 0 && std::memcmp(previous.data() + at - 1, next.data() + i, kBlock) == 0) {
      size_t from = at - 1;
      // Grown backwards into the pending literal and forwards past the block.
      while (i > literal && from > 0 && next[i - 1] == previous[from - 1]) {
        --i;
        --from;
      }
      size_t length = kBlock;
      while (i + length < n && from + length < previous.size() &&
             next[i + length] == previous[from + length]) {
        ++length;
      }
      PutLiteral(next.subspan(literal, i - literal), ops);
      PutNumber((uint64_t{length} << 1) | 1, ops);
      PutNumber(from, ops);
      i += length;
      literal = i;
      if (i + kBlock <= n) hash = BlockHash(next.data() + i);
      continue;
    }
    if (i + kBlock < n) hash = (hash - next[i] * LeavingWeight()) * kHashBase + next[i + kBlock];
    ++i;
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
