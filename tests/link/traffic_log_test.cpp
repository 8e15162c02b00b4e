#include "link/traffic_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "link/byte_stream.h"

namespace corvane {
namespace {

TEST(TrafficLog, LinesCarryTimeDirectionAndAtMost32BytesEach) {
  std::vector<uint8_t> bytes(70);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  std::string out;
  AppendTrafficLines(std::chrono::microseconds(1234567), TrafficDirection::kReceived, bytes, out);
  AppendTrafficLines(std::chrono::microseconds(5), TrafficDirection::kSent,
                     std::vector<uint8_t>{'<', '1', '>'}, out);

  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(out.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 4u);
  const std::string time = "     1234.567 RX ";
  EXPECT_EQ(lines[0].substr(0, time.size()), time);
  EXPECT_EQ(lines[0].size(), time.size() + 32 * 3 - 1);
  EXPECT_EQ(lines[1].substr(0, time.size() + 5), time + "E0 E7");  // bytes 32, 33
  EXPECT_EQ(lines[2], time + "C0 C7 CE D5 DC E3");                 // bytes 64..69
  EXPECT_EQ(lines[3], "        0.005 TX 3C 31 3E");
}

TEST(TrafficLog, WhatTheWorkersPublishComesOutOnceInOrder) {
  ByteStreamSinks sinks;
  TrafficLog log(TrafficLog::Clock::now());
  const uint8_t request[] = {'<', '1', '>'};
  const uint8_t image[] = {'{', '}'};
  sinks.Publish(TrafficDirection::kSent, request);  // before the log was added
  sinks.Add(log);
  sinks.Publish(TrafficDirection::kSent, request);
  sinks.Publish(TrafficDirection::kReceived, image);
  std::string first;
  log.TakeLines(first);
  EXPECT_NE(first.find(" TX 3C 31 3E\n"), std::string::npos) << first;
  EXPECT_LT(first.find(" TX "), first.find(" RX 7B 7D\n")) << first;
  sinks.Publish(TrafficDirection::kSent, request);
  sinks.Remove(log);
  sinks.Publish(TrafficDirection::kReceived, image);  // after it was removed
  std::string second;
  log.TakeLines(second);
  EXPECT_EQ(second.find(" RX "), std::string::npos) << second;
  EXPECT_EQ(log.BytesSent(), 6u);
  EXPECT_EQ(log.BytesReceived(), 2u);
}

// A sink that is being called when it is removed: Remove waits for the call
// to end, so its owner may destroy it as soon as Remove returns.
TEST(ByteStreamSinks, RemoveWaitsOutARunningCallAndTimesNeverRunBack) {
  struct SlowSink : ByteStreamSink {
    std::promise<void> entered;
    std::atomic<bool> release{false};
    std::atomic<bool> in_call{false};
    Clock::time_point last{};
    bool ran_back = false;
    void OnTraffic(Clock::time_point time, TrafficDirection, std::span<const uint8_t>) override {
      if (time < last) ran_back = true;
      last = time;
      if (!in_call.exchange(true)) entered.set_value();
      while (!release.load()) std::this_thread::yield();
    }
  } sink;
  ByteStreamSinks sinks;
  sinks.Add(sink);
  const uint8_t byte[] = {0x41};
  std::thread worker([&] { sinks.Publish(TrafficDirection::kReceived, byte); });
  sink.entered.get_future().wait();
  auto removed = std::async(std::launch::async, [&] { sinks.Remove(sink); });
  EXPECT_EQ(removed.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  sink.release = true;
  removed.wait();
  worker.join();

  // Two workers publishing at once: each sink sees its times in order.
  SlowSink ordered;
  ordered.release = true;
  sinks.Add(ordered);
  auto publish = [&] {
    for (int i = 0; i < 2000; ++i) sinks.Publish(TrafficDirection::kSent, byte);
  };
  std::thread a(publish), b(publish);
  a.join();
  b.join();
  EXPECT_FALSE(ordered.ran_back);
}

}  // namespace
}  // namespace corvane
