// The recording file: what a session recorder writes and a reader reads
// (docs/recording-format.md is the description for people). A header, then
// one framed record per event, each appended as it happens and each with
// its own CRC-32, so that a file cut off anywhere reads up to its last
// whole record and a torn or damaged tail is found, never misread.
//
// All numbers are little-endian. Only the framing is here: the encoding of
// the numbers and the checks. What a record's payload holds is the
// writer's and reader's business (recording_codec.h, session_recorder.h).
//
// Threads: no shared state.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// "CVREC", then CR LF and Ctrl+Z: a file that went through a text-mode
// copy, or is read as text, shows at once.
inline constexpr std::string_view kRecordingMagic{"CVREC\r\n\x1a", 8};
inline constexpr uint16_t kRecordingFormatVersion = 1;

// The header: magic (8), version (2), text length (2), start time in
// microseconds since 1970-01-01 UTC (8), the text, CRC-32 of all before (4).
inline constexpr size_t kHeaderFixedBytes = 20;
inline constexpr size_t kHeaderMaxText = 4096;

// A record: type (1), coding (1), reserved (2, zero), stored length (4),
// length once decoded (4), time in microseconds since the start (8), the
// stored bytes, CRC-32 of all before (4).
inline constexpr size_t kRecordHeaderBytes = 20;
inline constexpr size_t kRecordCheckBytes = 4;
// No record holds more: a length beyond it is damage, not a reason to
// allocate. The controller's largest image is 2,000,000 bytes; a key
// picture decodes to less than 500,000.
inline constexpr uint32_t kRecordMaxBytes = 4u << 20;

enum class RecordType : uint8_t {
  kKeyPicture = 1,    // the whole picture before the next image (recording_codec.h)
  kImage = 2,         // a screen image's payload: the bytes between "{" and "}"
  kKeys = 3,          // key codes sent (keys and soft-key clicks), as written
  kCommand = 4,       // a command sent ("<11>" ...), but for the screen request "<1>"
  kBlockStart = 5,    // a parameter block began ("[")
  kBlockData = 6,     // bytes of the block, as received
  kBlockEnd = 7,      // the block ended; payload: one BlockEnding byte
  kRestoreStart = 8,  // a restore began ("<2>" sent)
  kRestoreData = 9,   // bytes of the restore, as sent
  kRestoreEnd = 10,   // the restore's closing "}" was sent
  kLinkEvent = 11,    // payload: one RecordedLinkEvent byte
  kGap = 12,          // the recorder fell behind and dropped traffic here
  kEnd = 13,          // the recording ended here; payload: one RecordingEnd byte
};

enum class RecordCoding : uint8_t {
  kStored = 0,
  kZlib = 1,
  // zlib with the previous image's payload as the preset dictionary: an
  // image that differs a little from the one before costs little.
  kZlibAfterPrevious = 2,
  // What changed since the previous image (DeltaEncoder): a 4-byte length
  // of the ops, then the ops compressed with zlib.
  kDeltaAfterPrevious = 3,
};

enum class BlockEnding : uint8_t { kWhole = 0, kControllerSilent = 1, kLinkEnded = 2 };
enum class RecordedLinkEvent : uint8_t { kOpened = 1, kLost = 2, kClosed = 3, kReRequested = 4 };
enum class RecordingEnd : uint8_t { kStopped = 0, kContinuedInNextFile = 1, kWriteFailed = 2 };

struct RecordingHeader {
  uint16_t version = kRecordingFormatVersion;
  int64_t start_utc_us = 0;
  // "key=value" lines: program, link, started (ISO 8601 UTC), part.
  std::string text;

  // The value of `key` in the text; empty when it is missing.
  std::string Field(std::string_view key) const;
};

struct RecordFrame {
  RecordType type = RecordType::kEnd;
  RecordCoding coding = RecordCoding::kStored;
  uint32_t stored_length = 0;
  uint32_t decoded_length = 0;
  uint64_t time_us = 0;
};

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

void AppendHeader(const RecordingHeader& header, std::vector<uint8_t>& out);
// Appends the frame, the stored bytes and the check.
void AppendRecord(const RecordFrame& frame, std::span<const uint8_t> stored,
                  std::vector<uint8_t>& out);

// What is wrong with the first bytes of a file, as a reader reports it.
enum class HeaderProblem { kNone, kTooShort, kNotARecording, kNewerVersion, kDamaged };
// The header's text length, from its first kHeaderFixedBytes; none when
// those are not a recording's.
std::optional<size_t> HeaderTextLength(std::span<const uint8_t> fixed, HeaderProblem& problem);
// The whole header (fixed part, text, check).
std::optional<RecordingHeader> ParseHeader(std::span<const uint8_t> bytes, HeaderProblem& problem);

// The frame from a record's first kRecordHeaderBytes; none when they
// cannot be one (an unknown coding, a length past the limit, reserved
// bytes set). An unknown type is kept: a reader skips it.
std::optional<RecordFrame> ParseRecordFrame(std::span<const uint8_t> bytes);
uint32_t ReadLe32(const uint8_t* p);

}  // namespace corvane
