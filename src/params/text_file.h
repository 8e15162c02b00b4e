// Text-mode files, as every file of the program is read and written: the
// parameter files and "config.dpm". On disk a line ends in CR LF on every
// platform, so a file written here is byte for byte what the controller's
// Windows tools write and read.
//
// Writing: each LF is stored as CR LF; every other byte, CR and 0x1A
// included, is stored unchanged.
// Reading: CR LF reads as LF, a CR not followed by LF reads as CR, and the
// byte 0x1A ends the file (it and everything after it are never read).
//
// Both are buffered: a byte costs a store into memory, not a system call.
// Threads: an instance belongs to one thread at a time (the capture hands
// its writer between threads only under its own lock).
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace corvane {

inline constexpr uint8_t kTextEndOfFile = 0x1A;

class TextFileWriter {
 public:
  // Creates the file, or empties an existing one. Returns null, with the
  // reason in `error`, when that fails.
  static std::unique_ptr<TextFileWriter> Create(const std::filesystem::path& path,
                                                std::error_code& error);
  // Creates the file new: fails (std::errc::file_exists) when anything of
  // that name is there, and never writes through a symbolic link.
  static std::unique_ptr<TextFileWriter> CreateNew(const std::filesystem::path& path,
                                                   std::error_code& error);

  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;
  // Closes the file if Close was not called; the result is lost then.
  ~TextFileWriter();

  // Stores one byte (an LF as CR LF). Returns false once any write has
  // failed; later bytes are dropped, the first error is kept.
  bool Put(uint8_t byte);
  bool Write(std::string_view text);
  // Hands the buffered bytes to the system.
  bool Flush();
  // Flushes, then has the system write the bytes through to the disk: for a
  // file about to be renamed over another. A failure counts as a failed
  // write (Close returns false after it).
  bool Sync();
  // Flushes and closes. True only when every byte put since Create reached
  // the file: a full disk or an I/O error seen at any write, at the flush or
  // at the close makes it false. A second Close returns the same answer.
  bool Close();

  bool Ok() const { return !error_; }
  // The first failure, or an empty code.
  std::error_code Error() const { return error_; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  TextFileWriter(std::FILE* file, std::filesystem::path path);
  static std::unique_ptr<TextFileWriter> Adopt(std::FILE* file, const std::filesystem::path& path);
  void Fail(int error_number);
  bool Drain();

  static constexpr size_t kBufferSize = 64 * 1024;
  std::FILE* file_;
  std::filesystem::path path_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t used_ = 0;
  std::error_code error_;
  bool closed_ = false;
};

class TextFileReader {
 public:
  // Opens the file for reading only, so a read-only file can be read.
  // Returns null, with the reason in `error`, when that fails.
  static std::unique_ptr<TextFileReader> Open(const std::filesystem::path& path,
                                              std::error_code& error);

  TextFileReader(const TextFileReader&) = delete;
  TextFileReader& operator=(const TextFileReader&) = delete;
  ~TextFileReader();

  // The next byte as text mode reads it, or none at the end of the file
  // (the real end, a 0x1A byte, or a read error).
  std::optional<uint8_t> Get();

  // Reads the next complete line into `line`, without its LF, at any length.
  // Returns false at the end of the file: bytes after the last LF never form
  // a line (they are left in `line` for a caller that wants to know).
  bool ReadLine(std::string& line);

  // True once a read has failed; the reading stopped there.
  bool Failed() const { return static_cast<bool>(error_); }
  std::error_code Error() const { return error_; }

 private:
  explicit TextFileReader(std::FILE* file);
  // Raw bytes of the file, before the text-mode rules.
  bool Refill();

  static constexpr size_t kBufferSize = 64 * 1024;
  std::FILE* file_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t position_ = 0;
  size_t length_ = 0;
  bool ended_ = false;  // the real end, a 0x1A or an error was met
  std::error_code error_;
};

}  // namespace corvane
