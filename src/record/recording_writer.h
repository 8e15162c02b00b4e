// Writes a recording: the records the traffic splitter finds, coded and
// framed (recording_format.h), a key picture before the first image of
// each file and then at least every key interval, and, with a limit, the
// recording continued in numbered files of which only the newest are
// kept, so a PC that records all the time never fills its disk.
//
// Each record is handed to the system whole as soon as the caller flushes,
// and the file is never rewritten: a recording cut off by a kill or a power
// loss reads up to its last complete record.
//
// To write a key picture the writer keeps the picture the window shows,
// drawn from the images as the receiver draws them, but only when a key
// picture is due (deferred_picture.h).
//
// Threads: one thread (the recorder's writer) owns an instance.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "record/deferred_picture.h"
#include "record/recording_codec.h"
#include "record/traffic_splitter.h"
#include "screen/surface.h"

namespace corvane {

struct RecordingSettings {
  std::filesystem::path file;
  // The port or address, as the operator knows it: "COM3 (./com3)".
  std::string link_name;
  // A new file once the current one holds this many bytes; 0: no limit.
  uint64_t max_file_bytes = 0;
  // A new file once the current one covers this long; 0: no limit.
  std::chrono::seconds max_file_age{0};
  // With a limit: the newest files kept, older ones deleted; 0: all kept.
  int keep_files = 0;
  // At most this long, and this many images, between key pictures, so any
  // time is reached by decoding a short way from a key picture: at
  // 115,200 baud an image comes every few seconds, from a controller on a
  // fast line hundreds a second.
  std::chrono::seconds key_interval{30};
  int64_t key_every_images = 300;
};

// The file of part `part` (1, 2, ...): "rec.cvr" becomes "rec.0001.cvr".
std::filesystem::path RecordingPartPath(const std::filesystem::path& file, int part);

class RecordingWriter : public SplitRecords {
 public:
  // `start_picture`: what the window shows as the recording starts (its
  // Surface::kWidth x kHeight pixels are copied); null for a window that
  // has shown nothing yet.
  RecordingWriter(RecordingSettings settings, int64_t start_utc_us, const Pixel* start_picture);
  ~RecordingWriter() override;
  RecordingWriter(const RecordingWriter&) = delete;
  RecordingWriter& operator=(const RecordingWriter&) = delete;

  // Creates the first file. An error code when it cannot be.
  std::error_code Open();
  // The time, in microseconds since the start, of the records that follow.
  void SetTime(uint64_t time_us) { time_us_ = time_us; }
  // Appends one record. After a failure, does nothing: Error() says why.
  void Record(RecordType type, std::span<const uint8_t> payload) override;
  // Hands what was appended to the system.
  void Flush();
  // Writes the end record and closes the file; returns Error().
  std::error_code Finish(RecordingEnd end);

  std::error_code Error() const { return error_; }
  // The file being written (or last written).
  const std::filesystem::path& CurrentFile() const { return current_path_; }
  int64_t Images() const { return images_; }
  uint64_t BytesWritten() const { return bytes_written_; }

 private:
  bool OpenPart();
  bool ClosePart(RecordingEnd end);
  bool RotateIfDue();
  void WriteImage(std::span<const uint8_t> payload);
  void WriteKeyPicture();
  void Append(RecordType type, RecordCoding coding, std::span<const uint8_t> stored,
              size_t decoded_length);
  void Fail(std::error_code error);

  const RecordingSettings settings_;
  const int64_t start_utc_us_;
  std::FILE* file_ = nullptr;
  std::filesystem::path current_path_;
  int part_ = 0;  // 0 without a limit: the one file is settings_.file
  uint64_t part_bytes_ = 0;
  uint64_t part_start_us_ = 0;
  int64_t part_images_ = 0;
  uint64_t time_us_ = 0;
  bool key_due_ = true;
  int64_t images_since_key_ = 0;
  uint64_t last_key_us_ = 0;
  std::error_code error_;
  int64_t images_ = 0;
  uint64_t bytes_written_ = 0;

  // What the window shows after the last image, and that image's payload.
  DeferredPicture picture_;
  // Images are coded as they come, as cheaply as zlib can; a key picture,
  // one in hundreds of records, is worth the smaller file.
  RecordDeflater deflater_;
  RecordDeflater key_deflater_;
  DeltaEncoder delta_;
  std::vector<uint8_t> ops_;
  bool have_previous_ = false;  // picture_.Last() is the image before, since the last key
  std::vector<uint8_t> coded_;
  std::vector<uint8_t> framed_;
  std::vector<uint8_t> packed_;
};

}  // namespace corvane
