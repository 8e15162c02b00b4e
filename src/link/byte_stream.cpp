#include "link/byte_stream.h"

#include <algorithm>

namespace corvane {

void ByteStreamSinks::Add(ByteStreamSink& sink) {
  std::lock_guard lock(mutex_);
  if (std::find(sinks_.begin(), sinks_.end(), &sink) == sinks_.end()) sinks_.push_back(&sink);
  empty_.store(false, std::memory_order_release);
}

void ByteStreamSinks::Remove(ByteStreamSink& sink) {
  // Taking the mutex also waits out a call to the sink that is running.
  std::lock_guard lock(mutex_);
  std::erase(sinks_, &sink);
  empty_.store(sinks_.empty(), std::memory_order_release);
}

void ByteStreamSinks::Publish(TrafficDirection direction, std::span<const uint8_t> bytes) {
  if (bytes.empty() || empty_.load(std::memory_order_acquire)) return;
  std::lock_guard lock(mutex_);
  // Timed under the lock, so the two workers' calls are made in the order
  // of their times.
  const Clock::time_point now = Clock::now();
  for (ByteStreamSink* sink : sinks_) sink->OnTraffic(now, direction, bytes);
}

void ByteStreamSinks::PublishEvent(LinkEvent event) {
  if (empty_.load(std::memory_order_acquire)) return;
  std::lock_guard lock(mutex_);
  const Clock::time_point now = Clock::now();
  for (ByteStreamSink* sink : sinks_) sink->OnLinkEvent(now, event);
}

}  // namespace corvane
