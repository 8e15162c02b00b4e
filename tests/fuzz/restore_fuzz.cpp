// A whole restore run over a parameter file, with a sender draining the
// queue: what goes out is "<2>", each complete line of the file as text mode
// reads it (NULs dropped; retargeted for a partial restore), "}" and "<1>".
// The run succeeds, counts every line, disarms and tells the operator
// nothing.
//
// Input: a switch byte (bit 7: partial, bits 0-3: the station), a byte that
// puts part of the content on the reader's buffer boundary (0: no padding),
// then the file's content.

#include <algorithm>
#include <stop_token>
#include <string>

#include "fuzz/fuzz_support.h"
#include "link/transmit_queue.h"
#include "params/parameter_record.h"
#include "params/restore.h"
#include "screen/status_counters.h"
#include "support/queue_drain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  static const ScratchFile file("restore.spb");
  static TransmitQueue queue;
  std::span<const uint8_t> input(data, size);
  const uint8_t flags = TakeFlags(input);
  const bool partial = (flags & 0x80) != 0;
  const uint16_t station = flags & 0x0F;
  const uint8_t boundary = TakeFlags(input);
  const std::string_view content = AsText(input);

  const std::string bytes = BoundaryPrefix(boundary, content.size()) + std::string(content);
  file.Write(bytes);
  const TextLines lines = SplitLines(TextModeBytes(bytes));
  std::string want = "<2>";
  for (std::string line : lines.lines) {
    line.erase(std::remove(line.begin(), line.end(), '\0'), line.end());
    want += partial ? RetargetRecord(line, station).value_or("") : line;
  }
  want += "}<1>";

  StatusCounters counters;
  KeptDisplay display;
  KeptMessages messages;
  RestoreRequest request;
  request.ArmRestore(file.Path().string(), partial, station);
  const RestoreSnapshot snapshot = *request.SnapshotIfArmed();
  RestoreContext context{queue, counters, display, messages, request};
  bool done = false;
  std::string sent;
  {
    testing::DrainingSender sender(queue);
    done = RunRestore(snapshot, context, std::stop_token());
    sent = sender.StopAndTake();
  }
  FUZZ_REQUIRE(done, "a readable file is restored");
  FUZZ_REQUIRE(sent == want, "the frame bytes around exactly the file's lines");
  FUZZ_REQUIRE(counters.LinesSent.load() == static_cast<int32_t>(lines.lines.size()),
               "every complete line counted");
  const std::string sending = "Sending Parameters: " + std::to_string(lines.lines.size()) + ", ";
  for (const std::string& text : display.texts) {
    FUZZ_REQUIRE(text.rfind(sending, 0) == 0, "the sending text counts every line");
  }
  FUZZ_REQUIRE(!request.Armed(), "the run disarms its request");
  FUZZ_REQUIRE(messages.messages.empty(), "nothing to tell the operator");
  FUZZ_REQUIRE(queue.IsEmpty() && queue.PendingCount() == 0,
               "the queue drained and its count reset");
  return 0;
}
