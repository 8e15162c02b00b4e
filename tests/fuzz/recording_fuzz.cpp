// The recording reader on any file: it never reads outside what it holds,
// never hangs, hands out records in the file's order, and stops at damage
// it names inside the file; the picture at a time is rebuilt or refused.
//
// Input: a mode byte, then
//   mode 0: the file itself;
//   otherwise: a valid header, then records built from the rest with
//     correct checks, each as: type, coding, a two-byte length, that many
//     stored bytes, so the fuzzer reaches the decompression and the
//     pictures rather than stopping at every check.

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "record/recorded_picture.h"
#include "record/recording_format.h"
#include "record/recording_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  static const ScratchFile file("fuzz.cvr");
  std::span<const uint8_t> input(data, size);
  const uint8_t mode = TakeFlags(input);
  std::vector<uint8_t> bytes;
  if (mode == 0) {
    bytes.assign(input.begin(), input.end());
  } else {
    RecordingHeader header;
    header.text = "program=fuzz\n";
    AppendHeader(header, bytes);
    uint64_t time = 0;
    while (input.size() >= 4) {
      RecordFrame frame;
      frame.type = static_cast<RecordType>(input[0]);
      frame.coding = static_cast<RecordCoding>(input[1] % 4);
      const size_t length = std::min<size_t>(input[2] | (input[3] << 8), input.size() - 4);
      frame.decoded_length = frame.coding == RecordCoding::kStored
                                 ? static_cast<uint32_t>(length)
                                 : static_cast<uint32_t>(length * (1 + input[2] % 8));
      frame.time_us = time;
      time += input[3];
      AppendRecord(frame, input.subspan(4, length), bytes);
      input = input.subspan(4 + length);
    }
  }
  file.Write(AsText(bytes));

  std::string error;
  auto reader = RecordingReader::Open(file.Path(), error);
  if (!reader) {
    FUZZ_REQUIRE(error.starts_with(file.Path().string() + ": "), "the error names the file");
    return 0;
  }
  RecordedItem item;
  uint64_t last_offset = 0;
  bool first = true;
  uint64_t last_time = 0;
  while (reader->Next(item)) {
    FUZZ_REQUIRE(first || item.offset > last_offset, "records come in the file's order");
    FUZZ_REQUIRE(item.offset < bytes.size(), "a record lies inside the file");
    FUZZ_REQUIRE(item.payload.size() <= kRecordMaxBytes, "no payload past the limit");
    last_offset = item.offset;
    last_time = std::max(last_time, item.time_us);
    first = false;
  }
  if (reader->Damage()) {
    FUZZ_REQUIRE(reader->Damage()->offset < bytes.size(), "damage lies inside the file");
    FUZZ_REQUIRE(first || reader->Damage()->offset > last_offset, "damage after what was read");
    FUZZ_REQUIRE(reader->Damage()->Message().find(" at byte ") != std::string::npos,
                 "damage says where");
  }
  // One picture for every input: a whole screen each time would cost more
  // than the reading.
  static RecordedPicture picture;
  const PictureAtResult result = PictureAt(*reader, last_time, picture);
  FUZZ_REQUIRE(result != PictureAtResult::kFound || picture.HasPicture(),
               "a picture found is there");
  return 0;
}
