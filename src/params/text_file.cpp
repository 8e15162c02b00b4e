#include "params/text_file.h"

#include <cerrno>
#include <cstring>

#include "files/file_open.h"
#include "params/file_replace.h"

namespace corvane {

namespace {

constexpr uint8_t kCr = '\r';
constexpr uint8_t kLf = '\n';

// The C library names the cause of a failed stream call only in errno; a
// failure that left errno at 0 still has to read as a failure.
std::error_code LastError(int fallback = EIO) {
  const int e = errno;
  return std::error_code(e != 0 ? e : fallback, std::generic_category());
}

}  // namespace

// ---- TextFileWriter ----

std::unique_ptr<TextFileWriter> TextFileWriter::Create(const std::filesystem::path& path,
                                                       std::error_code& error) {
  return Adopt(OpenFile(path, "wb", error), path);
}

std::unique_ptr<TextFileWriter> TextFileWriter::CreateNew(const std::filesystem::path& path,
                                                          std::error_code& error) {
  return Adopt(CreateNewFile(path, error), path);
}

std::unique_ptr<TextFileWriter> TextFileWriter::Adopt(std::FILE* file,
                                                      const std::filesystem::path& path) {
  if (file == nullptr) return nullptr;
  // Our own buffer does the batching; the stream's would only hide a failed
  // write until the close.
  std::setvbuf(file, nullptr, _IONBF, 0);
  return std::unique_ptr<TextFileWriter>(new TextFileWriter(file, path));
}

TextFileWriter::TextFileWriter(std::FILE* file, std::filesystem::path path)
    : file_(file), path_(std::move(path)), buffer_(new uint8_t[kBufferSize]) {}

TextFileWriter::~TextFileWriter() { Close(); }

void TextFileWriter::Fail(int error_number) {
  if (!error_) error_ = std::error_code(error_number, std::generic_category());
}

bool TextFileWriter::Drain() {
  if (used_ == 0) return Ok();
  if (Ok() && !closed_) {
    errno = 0;
    const size_t written = std::fwrite(buffer_.get(), 1, used_, file_);
    if (written != used_) error_ = LastError(ENOSPC);
  }
  used_ = 0;
  return Ok();
}

bool TextFileWriter::Put(uint8_t byte) {
  if (!Ok() || closed_) return false;
  // Room for a CR LF pair.
  if (used_ + 2 > kBufferSize && !Drain()) return false;
  if (byte == kLf) buffer_[used_++] = kCr;
  buffer_[used_++] = byte;
  return true;
}

bool TextFileWriter::Write(std::string_view text) {
  for (const char c : text) {
    if (!Put(static_cast<uint8_t>(c))) return false;
  }
  return Ok();
}

bool TextFileWriter::Flush() {
  if (closed_) return Ok();
  if (!Drain()) return false;
  errno = 0;
  if (std::fflush(file_) != 0) error_ = LastError();
  return Ok();
}

bool TextFileWriter::Sync() {
  if (closed_) return Ok();
  if (!Flush()) return false;
  if (const std::error_code error = SyncToDisk(file_)) {
    if (!error_) error_ = error;
  }
  return Ok();
}

bool TextFileWriter::Close() {
  if (closed_) return Ok();
  Flush();
  closed_ = true;
  errno = 0;
  if (std::fclose(file_) != 0) Fail(LastError().value());
  file_ = nullptr;
  return Ok();
}

// ---- TextFileReader ----

std::unique_ptr<TextFileReader> TextFileReader::Open(const std::filesystem::path& path,
                                                     std::error_code& error) {
  std::FILE* file = OpenFile(path, "rb", error);
  if (file == nullptr) return nullptr;
  return std::unique_ptr<TextFileReader>(new TextFileReader(file));
}

TextFileReader::TextFileReader(std::FILE* file) : file_(file), buffer_(new uint8_t[kBufferSize]) {}

TextFileReader::~TextFileReader() { std::fclose(file_); }

bool TextFileReader::Refill() {
  if (ended_) return false;
  if (position_ < length_) return true;
  errno = 0;
  length_ = std::fread(buffer_.get(), 1, kBufferSize, file_);
  position_ = 0;
  if (length_ == 0) {
    if (std::ferror(file_)) error_ = LastError();
    ended_ = true;
    return false;
  }
  return true;
}

std::optional<uint8_t> TextFileReader::Get() {
  if (!Refill()) return std::nullopt;
  const uint8_t byte = buffer_[position_];
  if (byte == kTextEndOfFile) {
    ended_ = true;
    return std::nullopt;
  }
  ++position_;
  if (byte != kCr) return byte;
  // A CR pairs with an LF that follows it, even across a buffer boundary.
  if (Refill() && buffer_[position_] == kLf) {
    ++position_;
    return kLf;
  }
  return kCr;
}

bool TextFileReader::ReadLine(std::string& line) {
  line.clear();
  for (;;) {
    if (!Refill()) return false;
    // Copy the plain bytes in one run; only CR, LF and 0x1A need a look.
    const uint8_t* start = buffer_.get() + position_;
    const uint8_t* end = buffer_.get() + length_;
    const uint8_t* p = start;
    while (p != end && *p != kCr && *p != kLf && *p != kTextEndOfFile) ++p;
    line.append(reinterpret_cast<const char*>(start), static_cast<size_t>(p - start));
    position_ += static_cast<size_t>(p - start);
    if (p == end) continue;
    const std::optional<uint8_t> byte = Get();
    if (!byte) return false;
    if (*byte == kLf) return true;
    line.push_back(static_cast<char>(*byte));  // a lone CR
  }
}

}  // namespace corvane
