// Reads a recording (recording_format.h): checks the header, hands out the
// records one by one with their payloads decoded, and stops at the first
// damaged one, saying where: everything before the damage has been read by
// then. Finds the key picture before a time, reading only the records'
// frames on the way, so any time of a long recording is reached quickly.
//
// Threads: an instance belongs to one thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/recording_codec.h"
#include "record/recording_format.h"

namespace corvane {

struct RecordingDamage {
  std::filesystem::path file;
  uint64_t offset = 0;  // of the record (or header) that is damaged
  std::string what;
  // The file ends inside this record: the recording was cut off while it
  // was written, and what it holds ends with the record before.
  bool cut_off = false;
  // "<file>: damaged at byte <offset>: <what>".
  std::string Message() const;
};

struct RecordedItem {
  RecordType type = RecordType::kEnd;
  uint64_t time_us = 0;  // since the file's start
  uint64_t offset = 0;   // of the record in the file
  std::vector<uint8_t> payload;
};

class RecordingReader {
 public:
  // Opens and checks the header. Null, with the whole reason in `error`
  // ("<file>: not a Corvane recording", "<file>: cannot open: ..."), when
  // the file is not a recording this program can read.
  static std::unique_ptr<RecordingReader> Open(const std::filesystem::path& file,
                                               std::string& error);
  ~RecordingReader();
  RecordingReader(const RecordingReader&) = delete;
  RecordingReader& operator=(const RecordingReader&) = delete;

  const RecordingHeader& Header() const { return header_; }

  // The next record. False at the end of the file, or at damage, which
  // Damage() then describes. Records of a type this version does not know
  // are passed over.
  bool Next(RecordedItem& item);
  const std::optional<RecordingDamage>& Damage() const { return damage_; }
  // The file ended with its end record: the recording was stopped, not cut
  // off. Known once Next has returned false.
  bool EndedCleanly() const { return ended_; }

  // Goes to the last key picture at or before `time_us`, or to the first
  // one when none is that early; Next returns it. False when the file has
  // no key picture before its end or its damage (Damage() then says which).
  // The key pictures a seek passes are remembered, so a later seek to a
  // time before the last one found reads no frame at all.
  bool SeekToKey(uint64_t time_us);

 private:
  RecordingReader(std::filesystem::path file, std::FILE* stream);
  bool ReadFrame(RecordFrame& frame);
  bool Skip(uint64_t bytes);
  bool Rewind();
  void Damaged(uint64_t offset, std::string what, bool cut_off = false);
  void CutOffOrUnreadable();

  const std::filesystem::path path_;
  std::FILE* file_;
  RecordingHeader header_;
  uint64_t data_start_ = 0;  // where the first record begins
  uint64_t offset_ = 0;      // where the next record begins
  std::optional<RecordingDamage> damage_;
  bool ended_ = false;
  RecordInflater inflater_;
  std::vector<uint8_t> record_;  // frame, stored bytes and check of the record read
  std::vector<uint8_t> previous_image_;
  std::vector<uint8_t> delta_;  // the ops of an image stored as what changed
  bool have_previous_ = false;

  // The key pictures SeekToKey has met, in file order, and where its scan
  // of the frames stopped; done once it met the end record.
  struct KeyPlace {
    uint64_t time_us = 0;
    uint64_t offset = 0;
  };
  std::vector<KeyPlace> keys_;
  uint64_t scanned_to_ = 0;
  bool scan_done_ = false;
};

}  // namespace corvane
