// The byte stream of one link, for whatever watches it: the traffic log of
// corvane-cli, a session recorder, a statistic. Each is a sink added to the
// link's ByteStreamSinks; none of them is a second reader of the port, and
// none can hold the controller's traffic up for longer than its own call.
//
// What a sink sees, in the order it passed the port:
//   - every read of the receiver, as read (the bytes the controller sent);
//   - every block the sender wrote, as written (commands and key codes);
//   - the link's events: opened, lost, closed, and the screen asked for
//     again after the controller fell silent.
// Each call carries the time it was taken (steady clock), and calls are
// made in the order of those times, so a sink never sees time run back.
//
// Threads: Add and Remove from any thread, also while the link runs.
// Publish and PublishEvent run on the link's workers (and on the UI thread
// for opened and closed), serialised by the list's mutex: a sink is called
// by one thread at a time and must return quickly (copy, count, queue for
// a thread of its own), since the worker that calls it waits. After Remove
// returns, the sink is called no more and no call to it is still running.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace corvane {

enum class TrafficDirection { kSent, kReceived };

enum class LinkEvent {
  kOpened,       // the port opened; the workers start
  kLost,         // the device went away or hung up
  kClosed,       // the link was closed (by the operator, a port change or the end)
  kReRequested,  // nothing came for the silence limit; the screen was asked for again
};

class ByteStreamSink {
 public:
  using Clock = std::chrono::steady_clock;
  virtual ~ByteStreamSink() = default;
  // `bytes` are valid during the call only.
  virtual void OnTraffic(Clock::time_point time, TrafficDirection direction,
                         std::span<const uint8_t> bytes) = 0;
  virtual void OnLinkEvent(Clock::time_point /*time*/, LinkEvent /*event*/) {}
};

class ByteStreamSinks {
 public:
  using Clock = ByteStreamSink::Clock;

  ByteStreamSinks() = default;
  ByteStreamSinks(const ByteStreamSinks&) = delete;
  ByteStreamSinks& operator=(const ByteStreamSinks&) = delete;

  // Any thread. A sink added twice is called once.
  void Add(ByteStreamSink& sink);
  // Any thread, but not from inside a sink's call (that would wait for
  // itself). A sink not in the list is ignored.
  void Remove(ByteStreamSink& sink);

  // The workers: hands the bytes to every sink, time-stamped now. Costs one
  // atomic load while no sink is added.
  void Publish(TrafficDirection direction, std::span<const uint8_t> bytes);
  void PublishEvent(LinkEvent event);

 private:
  std::mutex mutex_;
  std::vector<ByteStreamSink*> sinks_;  // guarded by mutex_
  std::atomic<bool> empty_{true};       // written under mutex_
};

// A sink added for as long as this lives: removed (and any call to it
// waited out) before the sink it guards can go.
class ScopedSink {
 public:
  ScopedSink(ByteStreamSinks& sinks, ByteStreamSink& sink) : sinks_(sinks), sink_(sink) {
    sinks_.Add(sink_);
  }
  ~ScopedSink() { sinks_.Remove(sink_); }
  ScopedSink(const ScopedSink&) = delete;
  ScopedSink& operator=(const ScopedSink&) = delete;

 private:
  ByteStreamSinks& sinks_;
  ByteStreamSink& sink_;
};

}  // namespace corvane
