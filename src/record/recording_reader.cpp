#include "record/recording_reader.h"

#include <algorithm>
#include <cstring>

#include "files/file_open.h"
#include "files/path_text.h"

namespace corvane {

namespace {

// The longest step fseek takes: its offset is a long, 32 bits on Windows.
constexpr uint64_t kLongestSkip = 1u << 30;

std::string HeaderProblemText(HeaderProblem problem) {
  switch (problem) {
    case HeaderProblem::kNone: break;
    case HeaderProblem::kTooShort: return "cut off inside its header";
    case HeaderProblem::kNotARecording: return "not a Corvane recording";
    case HeaderProblem::kNewerVersion:
      return "recorded in a newer format than this version of Corvane reads";
    case HeaderProblem::kDamaged: return "its header is damaged";
  }
  return "unreadable";
}

}  // namespace

std::string RecordingDamage::Message() const {
  return PathText(file) + ": damaged at byte " + std::to_string(offset) + ": " + what;
}

std::unique_ptr<RecordingReader> RecordingReader::Open(const std::filesystem::path& file,
                                                       std::string& error) {
  std::error_code open_error;
  std::FILE* stream = OpenFile(file, "rb", open_error);
  if (stream == nullptr) {
    error = PathText(file) + ": cannot open: " + open_error.message();
    return nullptr;
  }
  std::unique_ptr<RecordingReader> reader(new RecordingReader(file, stream));
  std::vector<uint8_t> bytes(kHeaderFixedBytes);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), stream));
  HeaderProblem problem = HeaderProblem::kNone;
  const std::optional<size_t> text = HeaderTextLength(bytes, problem);
  if (text) {
    bytes.resize(kHeaderFixedBytes + *text + 4);
    const size_t rest = bytes.size() - kHeaderFixedBytes;
    bytes.resize(kHeaderFixedBytes + std::fread(bytes.data() + kHeaderFixedBytes, 1, rest, stream));
  }
  std::optional<RecordingHeader> header;
  if (text) header = ParseHeader(bytes, problem);
  if (!header) {
    error = PathText(file) + ": " + HeaderProblemText(problem);
    return nullptr;
  }
  reader->header_ = std::move(*header);
  reader->data_start_ = bytes.size();
  reader->offset_ = bytes.size();
  return reader;
}

RecordingReader::RecordingReader(std::filesystem::path file, std::FILE* stream)
    : path_(std::move(file)), file_(stream) {}

RecordingReader::~RecordingReader() { std::fclose(file_); }

void RecordingReader::Damaged(uint64_t offset, std::string what, bool cut_off) {
  damage_ = RecordingDamage{path_, offset, std::move(what), cut_off};
}

void RecordingReader::CutOffOrUnreadable() {
  if (std::ferror(file_)) {
    Damaged(offset_, "the file cannot be read");
  } else {
    Damaged(offset_,
            "the last record is cut off (the recording was interrupted while it was written)",
            true);
  }
}

// Reads the next frame into record_. False at the end or at damage.
bool RecordingReader::ReadFrame(RecordFrame& frame) {
  if (damage_ || ended_) return false;
  record_.resize(kRecordHeaderBytes);
  const size_t got = std::fread(record_.data(), 1, kRecordHeaderBytes, file_);
  if (got == 0 && std::feof(file_)) return false;  // the end, between records
  if (got < kRecordHeaderBytes) {
    CutOffOrUnreadable();
    return false;
  }
  const std::optional<RecordFrame> parsed = ParseRecordFrame(record_);
  if (!parsed) {
    Damaged(offset_, "not a record");
    return false;
  }
  frame = *parsed;
  return true;
}

bool RecordingReader::Next(RecordedItem& item) {
  for (;;) {
    RecordFrame frame;
    if (!ReadFrame(frame)) return false;
    const size_t rest = frame.stored_length + kRecordCheckBytes;
    record_.resize(kRecordHeaderBytes + rest);
    if (std::fread(record_.data() + kRecordHeaderBytes, 1, rest, file_) != rest) {
      CutOffOrUnreadable();
      return false;
    }
    const size_t checked = kRecordHeaderBytes + frame.stored_length;
    if (Crc32({record_.data(), checked}) != ReadLe32(record_.data() + checked)) {
      Damaged(offset_, "the record's check does not match its bytes");
      return false;
    }
    const std::span<const uint8_t> stored(record_.data() + kRecordHeaderBytes, frame.stored_length);
    item.type = frame.type;
    item.time_us = frame.time_us;
    item.offset = offset_;
    bool decoded = true;
    switch (frame.coding) {
      case RecordCoding::kStored: item.payload.assign(stored.begin(), stored.end()); break;
      case RecordCoding::kZlib:
        decoded = inflater_.Decompress(stored, frame.decoded_length, {}, item.payload);
        break;
      case RecordCoding::kZlibAfterPrevious:
        decoded =
            have_previous_ && inflater_.Decompress(stored, frame.decoded_length,
                                                   DictionaryOf(previous_image_), item.payload);
        break;
      case RecordCoding::kDeltaAfterPrevious: {
        // Literals cost a byte or two more than they hold, never more.
        const uint32_t ops = stored.size() >= 4 ? ReadLe32(stored.data()) : 0;
        decoded = have_previous_ && stored.size() >= 4 && ops <= 2 * kRecordMaxBytes &&
                  inflater_.Decompress(stored.subspan(4), ops, {}, delta_) &&
                  ApplyDelta(previous_image_, delta_, frame.decoded_length, item.payload);
        break;
      }
    }
    if (!decoded) {
      Damaged(offset_, "the record's compressed bytes do not decode");
      return false;
    }
    offset_ += checked + kRecordCheckBytes;
    switch (frame.type) {
      case RecordType::kImage:
        previous_image_ = item.payload;
        have_previous_ = true;
        return true;
      case RecordType::kKeyPicture: have_previous_ = false; return true;
      case RecordType::kEnd: ended_ = true; return true;
      case RecordType::kKeys:
      case RecordType::kCommand:
      case RecordType::kBlockStart:
      case RecordType::kBlockData:
      case RecordType::kBlockEnd:
      case RecordType::kRestoreStart:
      case RecordType::kRestoreData:
      case RecordType::kRestoreEnd:
      case RecordType::kLinkEvent:
      case RecordType::kGap: return true;
    }
    // A type of a later version: its frame is checked; what it means is not
    // this reader's to know.
  }
}

bool RecordingReader::Skip(uint64_t bytes) {
  while (bytes > 0) {
    const uint64_t step = std::min(bytes, kLongestSkip);
    if (std::fseek(file_, static_cast<long>(step), SEEK_CUR) != 0) return false;
    bytes -= step;
  }
  return true;
}

bool RecordingReader::Rewind() {
  std::rewind(file_);
  offset_ = 0;
  if (!Skip(data_start_)) return false;
  offset_ = data_start_;
  ended_ = false;
  have_previous_ = false;
  return true;
}

bool RecordingReader::SeekToKey(uint64_t time_us) {
  // Damage found by an earlier read may lie after the time sought: what is
  // before it is read again.
  damage_.reset();
  const auto later = [](uint64_t time, const KeyPlace& key) { return time < key.time_us; };
  if (!scan_done_ && std::upper_bound(keys_.begin(), keys_.end(), time_us, later) == keys_.end()) {
    // No key picture after the time is known yet: the frames are scanned on
    // from where the last scan stopped, up to the first one that is.
    if (scanned_to_ < data_start_) scanned_to_ = data_start_;
    if (!Rewind() || !Skip(scanned_to_ - data_start_)) {
      Damaged(scanned_to_, "the file cannot be read");
      return false;
    }
    offset_ = scanned_to_;
    for (;;) {
      RecordFrame frame;
      if (!ReadFrame(frame)) break;
      const bool key = frame.type == RecordType::kKeyPicture;
      if (key) keys_.push_back({frame.time_us, offset_});
      const uint64_t rest = uint64_t{frame.stored_length} + kRecordCheckBytes;
      // Past the end, fseek succeeds and the next read finds the cut.
      if (!Skip(rest)) {
        Damaged(offset_, "the file cannot be read");
        break;
      }
      offset_ += kRecordHeaderBytes + rest;
      scanned_to_ = offset_;
      if (frame.type == RecordType::kEnd) {
        scan_done_ = true;
        break;
      }
      if (key && frame.time_us > time_us) break;
    }
  }
  if (keys_.empty()) return false;
  const auto after = std::upper_bound(keys_.begin(), keys_.end(), time_us, later);
  const KeyPlace& key = after == keys_.begin() ? keys_.front() : *(after - 1);
  // Damage after the key is for Next to find, when it gets there.
  damage_.reset();
  if (!Rewind() || !Skip(key.offset - data_start_)) {
    Damaged(key.offset, "the file cannot be read");
    return false;
  }
  offset_ = key.offset;
  return true;
}

}  // namespace corvane
