#include "record/recording_format.h"

#include <zlib.h>

#include <cstring>

namespace corvane {

namespace {

void PutLe(uint64_t value, int bytes, std::vector<uint8_t>& out) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t ReadLe(const uint8_t* p, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

bool KnownCoding(uint8_t coding) {
  return coding <= static_cast<uint8_t>(RecordCoding::kDeltaAfterPrevious);
}

}  // namespace

uint32_t ReadLe32(const uint8_t* p) { return static_cast<uint32_t>(ReadLe(p, 4)); }

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc) {
  return static_cast<uint32_t>(crc32(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::string RecordingHeader::Field(std::string_view key) const {
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return std::string(line.substr(key.size() + 1));
    }
  }
  return {};
}

void AppendHeader(const RecordingHeader& header, std::vector<uint8_t>& out) {
  const size_t begin = out.size();
  const std::string_view text = std::string_view(header.text).substr(0, kHeaderMaxText);
  out.insert(out.end(), kRecordingMagic.begin(), kRecordingMagic.end());
  PutLe(header.version, 2, out);
  PutLe(text.size(), 2, out);
  PutLe(static_cast<uint64_t>(header.start_utc_us), 8, out);
  out.insert(out.end(), text.begin(), text.end());
  PutLe(Crc32({out.data() + begin, out.size() - begin}), 4, out);
}

void AppendRecord(const RecordFrame& frame, std::span<const uint8_t> stored,
                  std::vector<uint8_t>& out) {
  const size_t begin = out.size();
  out.push_back(static_cast<uint8_t>(frame.type));
  out.push_back(static_cast<uint8_t>(frame.coding));
  PutLe(0, 2, out);
  PutLe(stored.size(), 4, out);
  PutLe(frame.decoded_length, 4, out);
  PutLe(frame.time_us, 8, out);
  out.insert(out.end(), stored.begin(), stored.end());
  PutLe(Crc32({out.data() + begin, out.size() - begin}), 4, out);
}

std::optional<size_t> HeaderTextLength(std::span<const uint8_t> fixed, HeaderProblem& problem) {
  if (fixed.size() < kHeaderFixedBytes) {
    // A file shorter than a header may still start like one: a recording
    // cut off at once is told apart from a file of some other kind.
    const size_t n = std::min(fixed.size(), kRecordingMagic.size());
    problem = std::memcmp(fixed.data(), kRecordingMagic.data(), n) == 0
                  ? HeaderProblem::kTooShort
                  : HeaderProblem::kNotARecording;
    return std::nullopt;
  }
  if (std::memcmp(fixed.data(), kRecordingMagic.data(), kRecordingMagic.size()) != 0) {
    problem = HeaderProblem::kNotARecording;
    return std::nullopt;
  }
  if (ReadLe(fixed.data() + 8, 2) > kRecordingFormatVersion) {
    problem = HeaderProblem::kNewerVersion;
    return std::nullopt;
  }
  const size_t text = ReadLe(fixed.data() + 10, 2);
  if (text > kHeaderMaxText) {
    problem = HeaderProblem::kDamaged;
    return std::nullopt;
  }
  problem = HeaderProblem::kNone;
  return text;
}

std::optional<RecordingHeader> ParseHeader(std::span<const uint8_t> bytes, HeaderProblem& problem) {
  const std::optional<size_t> text = HeaderTextLength(bytes, problem);
  if (!text) return std::nullopt;
  const size_t checked = kHeaderFixedBytes + *text;
  if (bytes.size() < checked + 4) {
    problem = HeaderProblem::kTooShort;
    return std::nullopt;
  }
  if (Crc32(bytes.first(checked)) != ReadLe32(bytes.data() + checked)) {
    problem = HeaderProblem::kDamaged;
    return std::nullopt;
  }
  RecordingHeader header;
  header.version = static_cast<uint16_t>(ReadLe(bytes.data() + 8, 2));
  header.start_utc_us = static_cast<int64_t>(ReadLe(bytes.data() + 12, 8));
  header.text.assign(reinterpret_cast<const char*>(bytes.data()) + kHeaderFixedBytes, *text);
  problem = HeaderProblem::kNone;
  return header;
}

std::optional<RecordFrame> ParseRecordFrame(std::span<const uint8_t> bytes) {
  if (bytes.size() < kRecordHeaderBytes) return std::nullopt;
  const uint8_t* p = bytes.data();
  if (!KnownCoding(p[1]) || p[2] != 0 || p[3] != 0) return std::nullopt;
  RecordFrame frame;
  frame.type = static_cast<RecordType>(p[0]);
  frame.coding = static_cast<RecordCoding>(p[1]);
  frame.stored_length = ReadLe32(p + 4);
  frame.decoded_length = ReadLe32(p + 8);
  frame.time_us = ReadLe(p + 12, 8);
  if (frame.stored_length > kRecordMaxBytes || frame.decoded_length > kRecordMaxBytes) {
    return std::nullopt;
  }
  if (frame.coding == RecordCoding::kStored && frame.stored_length != frame.decoded_length) {
    return std::nullopt;
  }
  return frame;
}

}  // namespace corvane
