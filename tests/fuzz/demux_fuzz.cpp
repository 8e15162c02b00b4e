// The receiver's frame demultiplexer fed a byte stream in reads of any size,
// as the receiver worker feeds it, twice with different reads. Both times
// the pictures shown, the screen requests queued and the backup file must
// be those that a plain scan of the stream finds: a picture for each "{"
// closed by "}" (no "{" or "[" between them), never more pictures than "}"
// bytes, and a backup file holding the first "[" ... "]" block.
//
// Input: a switch byte (bit 0: a backup was started before the stream), a
// byte that seeds the sizes of the reads, then the stream.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "hub/receiver.h"
#include "hub/receiver_records.h"
#include "link/transmit_queue.h"
#include "screen/surface.h"
#include "support/queue_drain.h"

namespace corvane::fuzz {
namespace {

// What the stream should lead to, found by searching for the frame bytes
// rather than by following a state byte by byte.
struct Scan {
  std::vector<std::string> pictures;
  int blocks_closed = 0;
  bool block_seen = false;
  bool first_block_closed = false;
  std::string first_block;  // its bytes, without "[" and "]"
};

Scan ScanStream(std::string_view s) {
  Scan scan;
  size_t pos = 0;
  while ((pos = s.find_first_of("{[", pos)) != std::string_view::npos) {
    if (s[pos] == '[') {
      // Inside a block every byte is the block's until "]".
      const size_t close = s.find(']', pos + 1);
      const bool closed = close != std::string_view::npos;
      if (!scan.block_seen) {
        scan.block_seen = true;
        scan.first_block = s.substr(pos + 1, closed ? close - pos - 1 : std::string_view::npos);
        scan.first_block_closed = closed;
      }
      if (!closed) break;
      ++scan.blocks_closed;
      pos = close + 1;
      continue;
    }
    // An image ends at its "}"; a "{" or "[" before that starts over.
    const size_t next = s.find_first_of("{[}", pos + 1);
    if (next == std::string_view::npos) break;
    if (s[next] == '}') {
      scan.pictures.emplace_back(s.substr(pos + 1, next - pos - 1));
      pos = next + 1;
    } else {
      pos = next;
    }
  }
  return scan;
}

// Keeps the payload each picture was drawn from.
class PayloadKeeper : public KeptDisplay {
 public:
  // Before the first picture: the store the payloads are read from.
  void ReadPayloadsFrom(const ScreenImageBuffer& image) { image_ = &image; }
  void PictureKept(const Pixel* picture, const ChangedRegion& changed, int rows) override {
    payloads.emplace_back(AsText(image_->Payload()));
    KeptDisplay::PictureKept(picture, changed, rows);
  }
  std::vector<std::string> payloads;

 private:
  const ScreenImageBuffer* image_ = nullptr;
};

// The receiver's collaborators, built once: three pictures and two 2 MB stores
// are too much to make for every input. Each run starts them afresh.
struct Rig {
  Rig() : records(queue, display, messages, {kQuietTime, SkipPause}) {
    display.ReadPayloadsFrom(records.image);
  }
  TransmitQueue queue;
  PayloadKeeper display;
  KeptMessages messages;
  ReceiverRecords records;
  ScreenImageBuffer& image = records.image;
  StatusCounters& counters = records.counters;
  CaptureState& capture = records.capture;
  ReceiverState& state = records.state;
  ReceiverContext& context = records.context;
  ScratchFile backup{"backup.spb"};
};

// A file's bytes as they are on disk; empty for a missing file.
std::string ReadBytes(const std::filesystem::path& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, n);
  std::fclose(file);
  return bytes;
}

struct Outcome {
  std::vector<std::string> payloads;
  std::string queued;
  int images_shown = 0;
  int blocks_completed = 0;
  int parameters = 0;
  size_t messages = 0;
  bool backup_in_place = false;  // the chosen file exists
  std::string backup_file;
  bool partial_left = false;  // its ".partial" exists
  std::string partial_file;
};

// `next_read` gives the size of each read from the bytes still to come.
Outcome Run(Rig& rig, std::string_view stream, bool backup,
            const std::function<size_t(size_t)>& next_read) {
  rig.state = ReceiverState{};
  rig.image.count = 0;
  rig.counters.ImagesShown = 0;
  rig.counters.ParametersReceived = 0;
  rig.counters.BlocksCompleted = 0;
  const std::filesystem::path partial = PartialBackupPath(rig.backup.Path().string());
  if (backup) {
    // Each run starts with neither file, so what is there afterwards is this run's.
    std::filesystem::remove(rig.backup.Path());
    std::filesystem::remove(partial);
    FUZZ_REQUIRE(rig.capture.StartBackup(rig.backup.Path().string(), "<11>"), "backup started");
  }
  const std::stop_token running;
  for (size_t pos = 0; pos < stream.size();) {
    const size_t read = next_read(stream.size() - pos);
    DemuxBytes(rig.context, {reinterpret_cast<const uint8_t*>(stream.data()) + pos, read}, running);
    pos += read;
  }
  // The link closes: the worker abandons a block the close cut off; Exit
  // closes a backup that never saw its block.
  if (rig.state.parameter_block_mode) rig.capture.AbandonCapture();
  rig.capture.CloseBackupFile();

  // Taken out whole, so that what this input kept is freed with it: a rig
  // holding on to it would look like a leak to the fuzzer.
  Outcome outcome;
  outcome.payloads = std::exchange(rig.display.payloads, {});
  rig.display.texts = {};
  outcome.queued = testing::TakeAllQueued(rig.queue);
  outcome.images_shown = rig.counters.ImagesShown.load();
  outcome.blocks_completed = rig.counters.BlocksCompleted.load();
  outcome.parameters = rig.counters.ParametersReceived.load();
  outcome.messages = rig.messages.messages.size();
  rig.messages.messages = {};
  if (backup) {
    outcome.backup_in_place = std::filesystem::exists(rig.backup.Path());
    outcome.backup_file = rig.backup.Read();
    outcome.partial_left = std::filesystem::exists(partial);
    outcome.partial_file = ReadBytes(partial);
  }
  return outcome;
}

void Check(const Outcome& got, const Scan& want, std::string_view stream, bool backup) {
  const auto closes = static_cast<size_t>(std::count(stream.begin(), stream.end(), '}'));
  FUZZ_REQUIRE(got.payloads.size() <= closes, "never more pictures than \"}\" bytes");
  FUZZ_REQUIRE(got.payloads == want.pictures, "the pictures the frame bytes delimit");
  FUZZ_REQUIRE(got.images_shown == static_cast<int>(want.pictures.size()), "each picture counted");
  std::string requests = backup ? "<11>" : "";
  for (size_t i = 0; i < want.pictures.size(); ++i) requests += "<1>";
  FUZZ_REQUIRE(got.queued == requests, "one screen request for each picture");
  FUZZ_REQUIRE(got.blocks_completed == want.blocks_closed, "each closed block counted");
  if (!backup) {
    FUZZ_REQUIRE(got.messages == 0, "nothing to report without a backup");
    return;
  }
  // The first block, NULs left out, each LF as CR LF: under the chosen name
  // when it ended, and only in the ".partial" when it did not.
  std::string block = want.first_block;
  block.erase(std::remove(block.begin(), block.end(), '\0'), block.end());
  if (want.first_block_closed) {
    FUZZ_REQUIRE(got.backup_in_place && !got.partial_left, "a whole block takes the chosen name");
    FUZZ_REQUIRE(got.backup_file == StoredBytes(block), "the backup file holds the first block");
  } else {
    FUZZ_REQUIRE(!got.backup_in_place && got.partial_left, "a block cut off is kept aside");
    FUZZ_REQUIRE(got.partial_file == StoredBytes(block), "the partial file holds what came");
  }
  FUZZ_REQUIRE(got.parameters == std::count(want.first_block.begin(), want.first_block.end(), ';'),
               "each parameter of the block counted");
  const bool cut_off = want.block_seen && !want.first_block_closed;
  FUZZ_REQUIRE(got.messages == (cut_off ? 1u : 0u), "a block cut off is reported, once");
}

}  // namespace
}  // namespace corvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  static Rig rig;
  std::span<const uint8_t> input(data, size);
  const bool backup = (TakeFlags(input) & 1) != 0;
  const uint8_t seed = TakeFlags(input);
  const std::string_view stream = AsText(input);

  const Scan want = ScanStream(stream);
  // Reads of a few bytes and now and then more, as a slow line gives them;
  // then reads as big as the receive buffer.
  ReadSplitter splitter(seed * 0x9E3779B97F4A7C15ull + 1, 256);
  Check(Run(rig, stream, backup, [&](size_t left) { return splitter.Next(left); }), want, stream,
        backup);
  Check(Run(rig, stream, backup,
            [](size_t left) { return std::min<size_t>(left, kReceiveBufferSize); }),
        want, stream, backup);
  return 0;
}
