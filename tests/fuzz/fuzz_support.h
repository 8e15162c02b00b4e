// Shared by the libFuzzer targets: how a target stops on a broken property,
// the cutting of one input into serial reads, text-mode reading done the
// plain way (the reference the file and restore targets hold the reader
// to), a scratch file, and stand-ins for the display and message seams.
//
// Every target runs on libFuzzer's one thread.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/operator_messages.h"
#include "screen/kept_picture_display.h"

// A broken property: say which and where, then abort so libFuzzer keeps the
// input. Not an assert: it must hold in every build type.
#define FUZZ_REQUIRE(condition, what)                                                \
  do {                                                                               \
    if (!(condition)) ::corvane::fuzz::Fail(__FILE__, __LINE__, #condition, (what)); \
  } while (0)

namespace corvane::fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* condition,
                              std::string_view what) {
  std::fprintf(stderr, "%s:%d: property broken: %.*s\n  (%s)\n", file, line,
               static_cast<int>(what.size()), what.data(), condition);
  std::abort();
}

inline std::string_view AsText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
inline std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Takes the first byte of the input as a set of switches for the target;
// 0 when the input is empty.
inline uint8_t TakeFlags(std::span<const uint8_t>& data) {
  if (data.empty()) return 0;
  const uint8_t flags = data[0];
  data = data.subspan(1);
  return flags;
}

// Cuts a stream into the pieces that reads would deliver: the sizes follow
// from `seed`, mostly a few bytes, now and then up to `largest`, so that the
// same input always splits the same way.
class ReadSplitter {
 public:
  ReadSplitter(uint64_t seed, size_t largest) : state_(seed | 1), largest_(largest) {}

  // The size of the next read when `left` bytes are still to come (> 0).
  size_t Next(size_t left) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    const size_t cap = (state_ & 7) == 0 ? largest_ : 16;
    const size_t size = 1 + static_cast<size_t>(state_ >> 8) % cap;
    return size < left ? size : left;
  }

 private:
  uint64_t state_;
  size_t largest_;
};

// A file's bytes as text mode reads them: a 0x1A ends the file, a CR
// immediately followed by LF is dropped, every other byte stays.
inline std::string TextModeBytes(std::string_view file) {
  file = file.substr(0, file.find('\x1a'));
  std::string text;
  for (size_t start = 0;;) {
    const size_t crlf = file.find("\r\n", start);
    text.append(file.substr(start, crlf - start));
    if (crlf == std::string_view::npos) return text;
    start = crlf + 1;
  }
}

// A text as the writer stores it: each LF as CR LF.
inline std::string StoredBytes(std::string_view text) {
  std::string file;
  for (size_t start = 0;;) {
    const size_t lf = text.find('\n', start);
    file.append(text.substr(start, lf - start));
    if (lf == std::string_view::npos) return file;
    file.append("\r\n");
    start = lf + 1;
  }
}

// The complete lines of a text (without their LF) and what follows the
// last LF.
struct TextLines {
  std::vector<std::string> lines;
  std::string tail;
};

inline TextLines SplitLines(std::string_view text) {
  TextLines result;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    result.lines.emplace_back(text.substr(start, end - start));
  }
  result.tail = text.substr(start);
  return result;
}

// What goes before a file's content so that one of its first 32 bytes lands
// on the reader's 64 KiB buffer boundary: one long line of plain letters.
// Only when the top three bits of `choice` are set (the padding costs time);
// its low five bits pick the byte that starts the second buffer. Empty
// otherwise, or when the content is too short.
inline std::string BoundaryPrefix(uint8_t choice, size_t content_size) {
  constexpr size_t kReaderBuffer = 64 * 1024;
  const size_t into_content = choice & 0x1Fu;
  if ((choice & 0xE0u) != 0xE0u || into_content > content_size) return {};
  return std::string(kReaderBuffer - 2 - into_content, 'p') + "\r\n";
}

// One file for the whole run, in a directory of its own, removed when the
// fuzzer exits. The targets write a file for every input, so the directory
// is in memory (/dev/shm) unless $TMPDIR names another place.
class ScratchFile {
 public:
  explicit ScratchFile(std::string_view name) {
    std::error_code error;
    const std::filesystem::path base =
        std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", error)
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
    std::string pattern = (base / "corvane-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Fail(__FILE__, __LINE__, "mkdtemp", pattern);
    directory_ = pattern;
    path_ = directory_ / name;
  }
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  // Replaces the file's content with exactly `bytes`.
  void Write(std::string_view bytes) const {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) Fail(__FILE__, __LINE__, "fopen", path_.string());
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) Fail(__FILE__, __LINE__, "fwrite", path_.string());
  }

  std::string Read() const {
    std::string bytes;
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    if (file == nullptr) return bytes;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, n);
    std::fclose(file);
    return bytes;
  }

 private:
  std::filesystem::path directory_;
  std::filesystem::path path_;
};

// Keeps the status texts and counts the pictures; no pixels are copied.
class KeptDisplay : public KeptPictureDisplay {
 public:
  void ShowStatusText(std::string_view text) override { texts.emplace_back(text); }
  void PictureKept(const Pixel*, const ChangedRegion&, int) override { ++pictures; }

  int pictures = 0;
  std::vector<std::string> texts;
};

class KeptMessages : public OperatorMessages {
 public:
  void Show(const OperatorMessage& message) override { messages.push_back(message); }

  std::vector<OperatorMessage> messages;
};

}  // namespace corvane::fuzz
