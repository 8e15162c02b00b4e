// The network port against a real device server: ser2net on 127.0.0.1 in
// front of a pseudo-terminal that plays the controller.
#include <termios.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "link/network_address.h"
#include "link/serial_port.h"
#include "support/opened.h"
#include "support/pty_pair.h"
#include "support/scratch_dir.h"
#include "support/ser2net.h"

namespace corvane {
namespace {

using corvane::testing::FreeLoopbackPort;
using corvane::testing::kPatience;
using corvane::testing::PtyPair;
using corvane::testing::ScratchDir;
using corvane::testing::Ser2net;
using Clock = std::chrono::steady_clock;

std::string AllByteValues() {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  return all;
}

// What the port hands on until `count` bytes have come, each read taking
// at most `per_read` (1 splits every doubled 0xFF between two reads).
std::string ReadFromPort(SerialPort& port, size_t count, uint32_t per_read) {
  std::string got;
  uint8_t buffer[4096];
  const Clock::time_point deadline = Clock::now() + kPatience;
  while (got.size() < count && Clock::now() < deadline) {
    const PortResult event = port.WaitPortEvent(std::chrono::milliseconds(200));
    if (event.status == PortStatus::kTimedOut) continue;
    EXPECT_EQ(event.status, PortStatus::kOk);
    for (;;) {
      const uint32_t wanted = static_cast<uint32_t>(std::min<size_t>(per_read, count - got.size()));
      if (wanted == 0) break;
      const PortResult read = port.ReadAvailable(buffer, wanted);
      EXPECT_EQ(read.status, PortStatus::kOk) << read.error.message();
      if (read.status != PortStatus::kOk || read.count == 0) break;
      got.append(reinterpret_cast<const char*>(buffer), read.count);
    }
    if (event.status != PortStatus::kOk) break;
  }
  return got;
}

// ser2net opens the device only once a client connects, and makes its line
// raw then: bytes the controller sends before that are the cooked line's.
void AwaitServerOnLine(const PtyPair& controller) {
  const Clock::time_point deadline = Clock::now() + kPatience;
  termios line{};
  while (tcgetattr(controller.Slave(), &line) == 0 && (line.c_lflag & ECHO) != 0) {
    ASSERT_LT(Clock::now(), deadline) << "ser2net never opened the controller's line";
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// ser2net lets go of the line a moment after a client left; until then it
// refuses the next one as it refuses a second client. A reconnect tries
// again, and so does this.
std::error_code OpenWhenFree(SerialPort& port, const std::string& url) {
  const Clock::time_point deadline = Clock::now() + kPatience;
  for (;;) {
    const std::error_code error = port.OpenSerialDevice(url);
    if (error != std::errc::device_or_resource_busy || Clock::now() > deadline) return error;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // another process: no condition
  }
}

TEST(NetworkPortThroughSer2net, EveryByteValuePassesBothWaysOnBothAccepters) {
  const std::string all = AllByteValues();
  for (const bool telnet : {true, false}) {
    ScratchDir dir;
    PtyPair controller;
    Ser2net server(dir.Path(), controller.SlavePath());
    const std::string url = telnet ? server.Rfc2217Url() : server.SocketUrl();
    SCOPED_TRACE(url);
    SerialPort port;
    ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(url)));
    EXPECT_EQ(port.DevicePath(), url);
    EXPECT_NE(port.OpenSerialDevice(url), std::error_code()) << "an open port is not opened twice";
    AwaitServerOnLine(controller);
    // The device server refuses a second client on either accepter.
    for (const std::string& second_url : {server.Rfc2217Url(), server.SocketUrl()}) {
      SerialPort second;
      EXPECT_EQ(second.OpenSerialDevice(second_url), std::errc::device_or_resource_busy)
          << second_url;
    }

    // Us to the controller, in the sender's blocks of 32. (Behind the
    // purge that opened the session: once these arrive, it is done.)
    for (size_t at = 0; at < all.size(); at += 32) {
      const std::string block = all.substr(at, 32);
      const PortResult written =
          port.WriteBlock(std::span(reinterpret_cast<const uint8_t*>(block.data()), block.size()));
      ASSERT_EQ(written.status, PortStatus::kOk) << written.error.message();
      EXPECT_EQ(written.count, block.size());
    }
    EXPECT_EQ(controller.ReadCount(all.size()), all);

    // Controller to us: once read whole, once byte by byte.
    controller.Write(all + all);
    EXPECT_EQ(ReadFromPort(port, all.size(), 4096), all);
    EXPECT_EQ(ReadFromPort(port, all.size(), 1), all);
    port.CloseSerialPort();
    EXPECT_FALSE(port.IsOpen());
  }
}

TEST(NetworkPortFaults, AServerThatGoesAwayIsALostLinkAndOneThatComesBackOpensAgain) {
  ScratchDir dir;
  PtyPair controller;
  Ser2net server(dir.Path(), controller.SlavePath());
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(server.Rfc2217Url())));
  // A wait with no time limit is ended by a close from another thread.
  std::thread closer([&port] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    port.SignalClose();
  });
  uint8_t buffer[64];
  PortResult event{};
  while ((event = port.WaitPortEvent()).status == PortStatus::kOk) {
    while (port.ReadAvailable(buffer, sizeof buffer).count > 0) {
    }
  }
  closer.join();
  EXPECT_EQ(event.status, PortStatus::kClosed);
  uint8_t byte = '<';
  EXPECT_EQ(port.WriteBlock({&byte, 1}).status, PortStatus::kClosed);
  port.CloseSerialPort();

  ASSERT_TRUE(testing::Opened(OpenWhenFree(port, server.SocketUrl())));
  server.Stop();
  const Clock::time_point start = Clock::now();
  PortResult result{};
  while (result.status == PortStatus::kOk && Clock::now() - start < kPatience) {
    const PortResult event = port.WaitPortEvent(kPatience);
    result = event.status == PortStatus::kOk ? port.ReadAvailable(buffer, sizeof buffer) : event;
  }
  EXPECT_EQ(result.status, PortStatus::kLost);
  port.CloseSerialPort();

  // The server back on the same address: the port opens on it again.
  server.Start();
  ASSERT_TRUE(testing::Opened(OpenWhenFree(port, server.Rfc2217Url())));
  AwaitServerOnLine(controller);
  const uint8_t request[] = {'<', '1', '>'};
  EXPECT_EQ(port.WriteBlock(request).status, PortStatus::kOk);
  EXPECT_EQ(controller.ReadCount(3), "<1>");
}

TEST(NetworkPortFaults, BadAddressesRefusalsAndUnknownHostsFailAtOnceAndSayWhy) {
  SerialPort port;
  const auto fails_with = [&port](const std::string& url) {
    const Clock::time_point start = Clock::now();
    const std::error_code error = port.OpenSerialDevice(url);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(6)) << url;
    EXPECT_FALSE(port.IsOpen());
    return error;
  };
  const std::error_code bad = fails_with("rfc2217://127.0.0.1");
  EXPECT_EQ(bad, MakeErrorCode(NetworkError::kBadAddress));
  EXPECT_NE(bad.message().find("rfc2217://host:port"), std::string::npos);
  EXPECT_EQ(fails_with("socket://127.0.0.1:" + std::to_string(FreeLoopbackPort())),
            std::errc::connection_refused);
  const std::error_code unknown = fails_with("rfc2217://no-such-controller.invalid:4001");
  EXPECT_TRUE(unknown == MakeErrorCode(NetworkError::kUnknownHost) ||
              unknown == MakeErrorCode(NetworkError::kLookupFailed))
      << unknown.message();
}

}  // namespace
}  // namespace corvane
