// The text-mode file streams against text mode read byte by byte: the lines
// ReadLine gives, any mix of Get and ReadLine, and the writer, whose file
// must hold every LF as CR LF and read back as what was written.
//
// Input: a switch byte (how Get and ReadLine take turns), a byte that puts
// part of the content on the reader's buffer boundary (0: no padding), then
// the content.

#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "params/text_file.h"

namespace corvane::fuzz {
namespace {

std::unique_ptr<TextFileReader> OpenOrFail(const std::filesystem::path& path) {
  std::error_code error;
  std::unique_ptr<TextFileReader> reader = TextFileReader::Open(path, error);
  FUZZ_REQUIRE(reader != nullptr, "the scratch file opens: " + error.message());
  return reader;
}

void ExpectLines(TextFileReader& reader, const TextLines& want) {
  std::string line;
  for (const std::string& expected : want.lines) {
    FUZZ_REQUIRE(reader.ReadLine(line), "one line for each LF");
    FUZZ_REQUIRE(line == expected, "a line holds the bytes up to its LF");
  }
  FUZZ_REQUIRE(!reader.ReadLine(line), "no line after the last LF");
  FUZZ_REQUIRE(line == want.tail, "the bytes after the last LF are left in the line");
  FUZZ_REQUIRE(!reader.ReadLine(line) && !reader.Get(), "the end stays the end");
  FUZZ_REQUIRE(!reader.Failed(), "no read error");
}

// Get and ReadLine taking turns as the bits of `turns` say (1: Get), over
// and over, each taking up where the other stopped.
void ExpectMixedReading(TextFileReader& reader, std::string_view text, uint8_t turns) {
  size_t pos = 0;
  std::string line;
  for (unsigned call = 0;; ++call) {
    if (((turns >> (call % 8)) & 1) != 0) {
      const std::optional<uint8_t> byte = reader.Get();
      if (pos == text.size()) {
        FUZZ_REQUIRE(!byte, "Get at the end");
        return;
      }
      FUZZ_REQUIRE(byte == static_cast<uint8_t>(text[pos]), "Get takes the next byte");
      ++pos;
    } else {
      const size_t lf = text.find('\n', pos);
      const bool complete = lf != std::string_view::npos;
      const size_t end = complete ? lf : text.size();
      FUZZ_REQUIRE(reader.ReadLine(line) == complete, "ReadLine finds the next LF");
      FUZZ_REQUIRE(line == text.substr(pos, end - pos), "ReadLine takes the bytes up to it");
      if (!complete) return;
      pos = lf + 1;
    }
  }
}

}  // namespace
}  // namespace corvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  static const ScratchFile read_file("read.spb");
  static const ScratchFile written_file("written.spb");
  std::span<const uint8_t> input(data, size);
  const uint8_t turns = TakeFlags(input);
  const uint8_t boundary = TakeFlags(input);
  const std::string_view content = AsText(input);

  const std::string file = BoundaryPrefix(boundary, content.size()) + std::string(content);
  read_file.Write(file);
  const std::string text = TextModeBytes(file);
  ExpectLines(*OpenOrFail(read_file.Path()), SplitLines(text));
  ExpectMixedReading(*OpenOrFail(read_file.Path()), text, turns);

  // The writer stores LF as CR LF and every other byte as it is; read back,
  // the file is the content up to its first 0x1A.
  std::error_code error;
  {
    const std::unique_ptr<TextFileWriter> writer =
        TextFileWriter::Create(written_file.Path(), error);
    FUZZ_REQUIRE(writer != nullptr, "the scratch file is created: " + error.message());
    FUZZ_REQUIRE(writer->Write(file) && writer->Close(), "every byte written");
  }
  FUZZ_REQUIRE(written_file.Read() == StoredBytes(file),
               "LF stored as CR LF, nothing else changed");
  ExpectLines(*OpenOrFail(written_file.Path()),
              SplitLines(std::string_view(file).substr(0, file.find('\x1a'))));
  return 0;
}
