#include "cli/traffic_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane::cli {
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

TEST(TrafficLog, WhatTheWorkersRecordComesOutOnceInOrder) {
  TrafficLog log(TrafficLog::Clock::now());
  const uint8_t request[] = {'<', '1', '>'};
  const uint8_t image[] = {'{', '}'};
  log.Record(TrafficDirection::kSent, request);
  log.Record(TrafficDirection::kReceived, image);
  std::string first;
  log.TakeLines(first);
  EXPECT_NE(first.find(" TX 3C 31 3E\n"), std::string::npos) << first;
  EXPECT_LT(first.find(" TX "), first.find(" RX 7B 7D\n")) << first;
  log.Record(TrafficDirection::kSent, request);
  std::string second;
  log.TakeLines(second);
  EXPECT_EQ(second.find(" RX "), std::string::npos) << second;
  EXPECT_EQ(log.BytesSent(), 6u);
  EXPECT_EQ(log.BytesReceived(), 2u);
}

}  // namespace
}  // namespace corvane::cli
