#include "record/recording_writer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "files/file_open.h"

namespace corvane {

namespace {

std::string TwoDigits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02u", value % 100);
  return text;
}

// "2026-12-08T00:45:10.123456Z".
std::string UtcText(int64_t utc_us) {
  using namespace std::chrono;
  const sys_time<microseconds> time{microseconds(utc_us)};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  char micros[8];
  std::snprintf(micros, sizeof micros, "%06lld",
                static_cast<long long>(clock.subseconds().count()));
  return std::to_string(static_cast<int>(date.year())) + "-" +
         TwoDigits(static_cast<unsigned>(date.month())) + "-" +
         TwoDigits(static_cast<unsigned>(date.day())) + "T" +
         TwoDigits(static_cast<unsigned>(clock.hours().count())) + ":" +
         TwoDigits(static_cast<unsigned>(clock.minutes().count())) + ":" +
         TwoDigits(static_cast<unsigned>(clock.seconds().count())) + "." + micros + "Z";
}

// The numbers of the parts of `file` there are now ("rec.0007.cvr" is 7).
std::vector<int> ExistingParts(const std::filesystem::path& file) {
  std::vector<int> parts;
  const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
  const std::string stem = file.stem().string() + ".";
  const std::string extension = file.extension().string();
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (name.size() != stem.size() + 4 + extension.size() || !name.starts_with(stem) ||
        !name.ends_with(extension)) {
      continue;
    }
    const std::string digits = name.substr(stem.size(), 4);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    parts.push_back(std::stoi(digits));
  }
  return parts;
}

}  // namespace

std::filesystem::path RecordingPartPath(const std::filesystem::path& file, int part) {
  char number[16];
  std::snprintf(number, sizeof number, ".%04d", part);
  std::filesystem::path name = file.stem();
  name += number;
  name += file.extension();
  return file.parent_path() / name;
}

RecordingWriter::RecordingWriter(RecordingSettings settings, int64_t start_utc_us,
                                 const Pixel* start_picture)
    : settings_(std::move(settings)),
      start_utc_us_(start_utc_us),
      picture_(start_picture),
      deflater_(RecordDeflater::Effort::kFast),
      key_deflater_(RecordDeflater::Effort::kSmall) {}

RecordingWriter::~RecordingWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

std::error_code RecordingWriter::Open() {
  const bool rotating = settings_.max_file_bytes != 0 || settings_.max_file_age.count() != 0;
  part_ = 0;
  if (rotating) {
    // A recording started again (after a restart of the PC) goes on after
    // the parts there are, never over them.
    const std::vector<int> parts = ExistingParts(settings_.file);
    part_ = parts.empty() ? 1 : *std::max_element(parts.begin(), parts.end()) + 1;
  }
  OpenPart();
  return error_;
}

bool RecordingWriter::OpenPart() {
  current_path_ = part_ == 0 ? settings_.file : RecordingPartPath(settings_.file, part_);
  std::error_code error;
  file_ = OpenFile(current_path_, "wb", error);
  if (file_ == nullptr) {
    Fail(error);
    return false;
  }
  if (part_ != 0 && settings_.keep_files > 0) {
    // Only the newest parts stay; one that cannot be deleted is left.
    for (const int old : ExistingParts(settings_.file)) {
      if (old > part_ - settings_.keep_files) continue;
      std::error_code ignored;
      std::filesystem::remove(RecordingPartPath(settings_.file, old), ignored);
    }
  }
  RecordingHeader header;
  header.start_utc_us = start_utc_us_ + static_cast<int64_t>(time_us_);
  header.text = "program=Corvane " CORVANE_VERSION "\nlink=" + settings_.link_name +
                "\nstarted=" + UtcText(header.start_utc_us) +
                "\npart=" + std::to_string(part_ == 0 ? 1 : part_) + "\n";
  // Times in each file count from its own start, so a part stands alone.
  part_start_us_ = time_us_;
  part_bytes_ = 0;
  part_images_ = 0;
  framed_.clear();
  AppendHeader(header, framed_);
  if (std::fwrite(framed_.data(), 1, framed_.size(), file_) != framed_.size()) {
    Fail(std::error_code(errno, std::generic_category()));
    return false;
  }
  part_bytes_ += framed_.size();
  bytes_written_ += framed_.size();
  // Every file begins with the picture, so it is readable without the one
  // before.
  key_due_ = true;
  return true;
}

bool RecordingWriter::ClosePart(RecordingEnd end) {
  if (file_ == nullptr) return false;
  const uint8_t payload = static_cast<uint8_t>(end);
  if (!error_) Append(RecordType::kEnd, RecordCoding::kStored, {&payload, 1}, 1);
  const bool flushed = std::fflush(file_) == 0;
  const int flush_errno = errno;
  const bool closed = std::fclose(file_) == 0;
  const int close_errno = errno;
  file_ = nullptr;
  if (!flushed) Fail(std::error_code(flush_errno, std::generic_category()));
  if (!closed) Fail(std::error_code(close_errno, std::generic_category()));
  return !error_;
}

bool RecordingWriter::RotateIfDue() {
  // A file holds at least one image, however small the limit.
  if (part_ == 0 || part_images_ == 0) return true;
  const bool full = settings_.max_file_bytes != 0 && part_bytes_ >= settings_.max_file_bytes;
  const bool old = settings_.max_file_age.count() != 0 &&
                   time_us_ - part_start_us_ >=
                       static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                 settings_.max_file_age)
                                                 .count());
  if (!full && !old) return true;
  if (!ClosePart(RecordingEnd::kContinuedInNextFile)) return false;
  ++part_;
  return OpenPart();
}

void RecordingWriter::Record(RecordType type, std::span<const uint8_t> payload) {
  if (error_ || file_ == nullptr) return;
  if (type == RecordType::kImage) {
    // Files change only before an image, so each begins with a key picture
    // and the image it belongs to.
    if (!RotateIfDue()) return;
    WriteImage(payload);
    return;
  }
  if (payload.size() > 64 && deflater_.Compress(payload, {}, coded_) &&
      coded_.size() < payload.size()) {
    Append(type, RecordCoding::kZlib, coded_, payload.size());
  } else {
    Append(type, RecordCoding::kStored, payload, payload.size());
  }
}

void RecordingWriter::WriteImage(std::span<const uint8_t> payload) {
  const uint64_t interval_us = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(settings_.key_interval).count());
  if (key_due_ || time_us_ - last_key_us_ >= interval_us ||
      images_since_key_ >= settings_.key_every_images) {
    WriteKeyPicture();
  }
  bool coded = false;
  if (have_previous_) {
    // What changed since the image before, when that is smaller than the
    // payload itself.
    delta_.Encode(picture_.Last(), payload, ops_);
    coded = deflater_.Compress(ops_, {}, coded_);
    if (coded) {
      const uint32_t length = static_cast<uint32_t>(ops_.size());
      const uint8_t prefix[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                 static_cast<uint8_t>(length >> 16),
                                 static_cast<uint8_t>(length >> 24)};
      coded_.insert(coded_.begin(), prefix, prefix + 4);
      coded = coded_.size() < payload.size();
    }
    if (coded) {
      Append(RecordType::kImage, RecordCoding::kDeltaAfterPrevious, coded_, payload.size());
    }
  } else if (deflater_.Compress(payload, {}, coded_) && coded_.size() < payload.size()) {
    coded = true;
    Append(RecordType::kImage, RecordCoding::kZlib, coded_, payload.size());
  }
  if (!coded) {
    Append(RecordType::kImage, RecordCoding::kStored, payload, payload.size());
  }
  have_previous_ = true;
  // For the next image's delta, and the next key picture, drawn only once
  // that is due.
  picture_.Add(payload);
  ++images_;
  ++part_images_;
  ++images_since_key_;
}

void RecordingWriter::WriteKeyPicture() {
  PackPicture(picture_.Pixels(), packed_);
  if (!key_deflater_.Compress(packed_, {}, coded_)) {
    Fail(std::make_error_code(std::errc::not_enough_memory));
    return;
  }
  Append(RecordType::kKeyPicture, RecordCoding::kZlib, coded_, packed_.size());
  key_due_ = false;
  last_key_us_ = time_us_;
  images_since_key_ = 0;
  // The next image is coded on its own: a reader that starts here has no
  // image before it.
  have_previous_ = false;
}

void RecordingWriter::Append(RecordType type, RecordCoding coding, std::span<const uint8_t> stored,
                             size_t decoded_length) {
  if (error_ || file_ == nullptr) return;
  RecordFrame frame;
  frame.type = type;
  frame.coding = coding;
  frame.decoded_length = static_cast<uint32_t>(decoded_length);
  frame.time_us = time_us_ - part_start_us_;
  framed_.clear();
  AppendRecord(frame, stored, framed_);
  if (std::fwrite(framed_.data(), 1, framed_.size(), file_) != framed_.size()) {
    Fail(std::error_code(errno, std::generic_category()));
    return;
  }
  part_bytes_ += framed_.size();
  bytes_written_ += framed_.size();
}

void RecordingWriter::Flush() {
  if (error_ || file_ == nullptr) return;
  if (std::fflush(file_) != 0) Fail(std::error_code(errno, std::generic_category()));
}

std::error_code RecordingWriter::Finish(RecordingEnd end) {
  ClosePart(error_ ? RecordingEnd::kWriteFailed : end);
  return error_;
}

void RecordingWriter::Fail(std::error_code error) {
  if (error_) return;
  // A failing stdio call need not set errno everywhere; the cause is then
  // at least named as an I/O error.
  error_ = error ? error : std::make_error_code(std::errc::io_error);
}

}  // namespace corvane
