#include "link/traffic_log.h"

#include <algorithm>
#include <cstdio>

namespace corvane {

void AppendTrafficLines(std::chrono::microseconds since_start, TrafficDirection direction,
                        std::span<const uint8_t> bytes, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char time[32];
  const long long us = since_start.count();
  std::snprintf(time, sizeof time, "%9lld.%03lld", us / 1000, us % 1000);
  const char* const way = direction == TrafficDirection::kSent ? " TX" : " RX";
  for (size_t start = 0; start < bytes.size(); start += kLogBytesPerLine) {
    out += time;
    out += way;
    const size_t end = std::min(bytes.size(), start + kLogBytesPerLine);
    for (size_t i = start; i < end; ++i) {
      out += ' ';
      out += kHex[bytes[i] >> 4];
      out += kHex[bytes[i] & 0x0F];
    }
    out += '\n';
  }
}

void TrafficLog::OnTraffic(Clock::time_point time, TrafficDirection direction,
                           std::span<const uint8_t> bytes) {
  (direction == TrafficDirection::kSent ? sent_ : received_)
      .fetch_add(bytes.size(), std::memory_order_relaxed);
  // The sinks are called in the order of their times, so the chunks are
  // stored in that order too.
  const auto since_start = std::chrono::duration_cast<std::chrono::microseconds>(time - start_);
  std::lock_guard lock(mutex_);
  chunks_.push_back({since_start, direction, bytes_.size(), bytes.size()});
  bytes_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void TrafficLog::TakeLines(std::string& out) {
  {
    // The stores change hands, so the workers append into the buffers the
    // last call emptied and the main thread formats without the lock.
    std::lock_guard lock(mutex_);
    chunks_.swap(taken_chunks_);
    bytes_.swap(taken_bytes_);
  }
  for (const Chunk& chunk : taken_chunks_) {
    AppendTrafficLines(
        chunk.time, chunk.direction,
        std::span<const uint8_t>(
            reinterpret_cast<const uint8_t*>(taken_bytes_.data()) + chunk.offset, chunk.length),
        out);
  }
  taken_chunks_.clear();
  taken_bytes_.clear();
}

}  // namespace corvane
