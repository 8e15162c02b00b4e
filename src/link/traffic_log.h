// The service log of the link: every byte on the line, both ways, with the
// time it passed, as text a technician can read and a script can parse
// (corvane-cli's log command writes it; the window can too). Lines end in CR LF, as in every file
// of the program:
//
//   # corvane-cli traffic log of COM3 (/dev/ttyUSB0), started 2024-05-02 14:03:11
//   # milliseconds since the start, TX (to the controller) or RX (from it), bytes in hex
//        0.412 TX 3C 31 3E
//       15.730 RX 7B 30 31 ...
//
// One line per write of the sender (up to 32 bytes) and per read of the
// receiver; a read of more than 32 bytes is split over lines that carry the
// same time.
//
// A sink of the link's byte stream (byte_stream.h). Threads: OnTraffic runs
// on the link's workers; TakeLines and the counts on the thread that writes
// the log. One mutex guards the store; the workers only copy bytes under
// it, the formatting is done by the writing thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "link/byte_stream.h"

namespace corvane {

inline constexpr size_t kLogBytesPerLine = 32;

// The lines for one chunk, each ending in LF (the file writer makes it CR LF).
void AppendTrafficLines(std::chrono::microseconds since_start, TrafficDirection direction,
                        std::span<const uint8_t> bytes, std::string& out);

class TrafficLog : public ByteStreamSink {
 public:
  explicit TrafficLog(Clock::time_point start) : start_(start) {}

  // A worker: keeps a copy of `bytes` with their time.
  void OnTraffic(Clock::time_point time, TrafficDirection direction,
                 std::span<const uint8_t> bytes) override;
  // The writing thread: the lines of everything recorded since the last call, in
  // the order recorded, appended to `out`.
  void TakeLines(std::string& out);

  uint64_t BytesSent() const { return sent_.load(std::memory_order_relaxed); }
  uint64_t BytesReceived() const { return received_.load(std::memory_order_relaxed); }

 private:
  struct Chunk {
    std::chrono::microseconds time;
    TrafficDirection direction;
    size_t offset;  // into bytes_
    size_t length;
  };

  const Clock::time_point start_;
  std::mutex mutex_;
  std::vector<Chunk> chunks_;        // guarded by mutex_
  std::string bytes_;                // guarded by mutex_: the chunks' bytes, back to back
  std::vector<Chunk> taken_chunks_;  // main thread: swapped with the store
  std::string taken_bytes_;          // main thread
  std::atomic<uint64_t> sent_{0};
  std::atomic<uint64_t> received_{0};
};

}  // namespace corvane
