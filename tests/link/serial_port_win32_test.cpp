// The Win32 serial layer under Wine, against a pseudo-terminal that a Linux
// helper (wine_pty_relay) links in as COMn and relays to this test over
// TCP on 127.0.0.1.
//
// Wine performs no sharing check on COM ports: a second CreateFileA with
// share mode 0 on a port that is open succeeds. "A port that another
// program holds is refused" can therefore not be shown here; it holds on
// Windows, where the open asks for no sharing.
// winsock2.h first: windows.h would bring in the old winsock.h.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "link/sender_worker.h"
#include "link/serial_port.h"
#include "link/transmit_queue.h"
#include "support/opened.h"
#include "support/patience.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::kPatience;

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The controller's end of a COM port: a pseudo-terminal linked as COMn in
// the Wine prefix. Writing here is the controller sending; what the port
// writes is read here. HangUp closes the line, as a controller switched off
// would.
class FarEnd {
 public:
  FarEnd() {
    WSADATA wsa{};
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
      ADD_FAILURE() << "no sockets";
      return;
    }
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix == nullptr) {
      ADD_FAILURE() << "WINEPREFIX is not set: the test needs Wine's dosdevices directory";
      return;
    }
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (listener == INVALID_SOCKET ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "no listening socket: " << WSAGetLastError();
      return;
    }
    std::string command = std::string("\"") + CORVANE_PTY_RELAY + "\" \"" + prefix +
                          "/dosdevices\" " + std::to_string(ntohs(address.sin_port));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &relay_)) {
      ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
      closesocket(listener);
      return;
    }
    if (WaitReadable(listener, kPatience)) line_ = accept(listener, nullptr, nullptr);
    closesocket(listener);
    if (line_ == INVALID_SOCKET) {
      ADD_FAILURE() << "the relay did not call back";
      return;
    }
    // "R<n>\n": the link is in place.
    std::string ready;
    char c = 0;
    while (ready.size() < 8 && WaitReadable(line_, kPatience) && recv(line_, &c, 1, 0) == 1 &&
           c != '\n') {
      ready += c;
    }
    if (ready.size() < 2 || ready[0] != 'R') {
      ADD_FAILURE() << "the relay did not link a port: '" << ready << "'";
      return;
    }
    port_number_ = std::atoi(ready.c_str() + 1);
  }

  ~FarEnd() {
    HangUp();
    if (relay_.hProcess != nullptr) {
      if (WaitForSingleObject(relay_.hProcess, static_cast<DWORD>(kPatience.count())) !=
          WAIT_OBJECT_0) {
        ADD_FAILURE() << "the relay did not end";
      }
      CloseHandle(relay_.hProcess);
      CloseHandle(relay_.hThread);
    }
    WSACleanup();
  }
  FarEnd(const FarEnd&) = delete;
  FarEnd& operator=(const FarEnd&) = delete;

  int PortNumber() const { return port_number_; }
  bool Ok() const { return port_number_ > 0; }

  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const int n = send(line_, bytes.data(), static_cast<int>(bytes.size()), 0);
      if (n <= 0) {
        ADD_FAILURE() << "the relay took no more bytes";
        return;
      }
      bytes.remove_prefix(static_cast<size_t>(n));
    }
  }

  // What the port wrote, until `count` bytes have come; a failure when the
  // line stays quiet for kPatience first.
  std::string ReadExactly(size_t count) {
    std::string got;
    char buffer[4096];
    while (got.size() < count) {
      if (!WaitReadable(line_, kPatience)) {
        ADD_FAILURE() << "only '" << got << "' of " << count << " bytes came from the port";
        break;
      }
      const int n =
          recv(line_, buffer, static_cast<int>(std::min(sizeof buffer, count - got.size())), 0);
      if (n <= 0) break;
      got.append(buffer, static_cast<size_t>(n));
    }
    return got;
  }

  void HangUp() {
    if (line_ != INVALID_SOCKET) closesocket(line_);
    line_ = INVALID_SOCKET;
  }

 private:
  static bool WaitReadable(SOCKET socket, milliseconds patience) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit{static_cast<long>(patience.count() / 1000),
                  static_cast<long>(patience.count() % 1000 * 1000)};
    return select(0, &readable, nullptr, nullptr, &limit) == 1;
  }

  PROCESS_INFORMATION relay_{};
  SOCKET line_ = INVALID_SOCKET;
  int port_number_ = 0;
};

// Reads from the port until `count` bytes have come, each read capped at
// `maximum`, and records the size of every read. A wait that ends in
// anything but bytes, or a line quiet for kPatience, ends it early.
std::string ReadFromPort(SerialPort& port, size_t count, uint32_t maximum,
                         std::vector<uint32_t>* sizes = nullptr) {
  std::string got;
  std::vector<uint8_t> buffer(10'000);
  while (got.size() < count) {
    const PortResult event = port.WaitPortEvent(kPatience);
    if (event.status != PortStatus::kOk) {
      ADD_FAILURE() << "the wait ended with " << static_cast<int>(event.status) << " after "
                    << got.size() << " of " << count << " bytes";
      break;
    }
    for (;;) {
      const PortResult read = port.ReadAvailable(buffer, maximum);
      if (read.status != PortStatus::kOk) return got;
      if (read.count == 0) break;
      if (sizes) sizes->push_back(read.count);
      got.append(reinterpret_cast<const char*>(buffer.data()), read.count);
    }
  }
  return got;
}

// Opens the port briefly on a handle of its own, without purging, until
// the line holds `count` bytes: bytes that sit waiting before our open.
bool WaitUntilQueued(int port_number, size_t count) {
  const HANDLE handle =
      CreateFileA(PortDevicePath(port_number, ".").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot look at COM" << port_number << ": " << GetLastError();
    return false;
  }
  const auto give_up = Clock::now() + kPatience;
  COMSTAT status{};
  DWORD errors = 0;
  while (ClearCommError(handle, &errors, &status) && status.cbInQue < count &&
         Clock::now() < give_up) {
    std::this_thread::sleep_for(milliseconds(5));
  }
  CloseHandle(handle);
  if (status.cbInQue >= count) return true;
  ADD_FAILURE() << "only " << status.cbInQue << " of " << count << " bytes reached the line";
  return false;
}

// CPU time this process has used so far, all threads.
std::chrono::microseconds ProcessCpuTime() {
  FILETIME created{}, ended{}, kernel{}, user{};
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto count = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return std::chrono::microseconds((count(kernel) + count(user)) / 10);  // 100 ns units
}

TEST(PortDevicePath, NamesTheDeviceInTheFormThatReachesEveryNumber) {
  EXPECT_EQ(PortDevicePath(3, "."), "\\\\.\\COM3");
  EXPECT_EQ(PortDevicePath(12, "."), "\\\\.\\COM12");
  EXPECT_EQ(PortDevicePath(0, "."), "");
}

TEST(SerialPortOpen, MissingPortsFailAndSayWhy) {
  SerialPort port;
  EXPECT_NE(port.OpenSerialPort(0, "."), std::error_code());
  // Nothing links COM 251 in a fresh prefix.
  EXPECT_EQ(port.OpenSerialPort(251, "."),
            std::error_code(ERROR_FILE_NOT_FOUND, std::system_category()));
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortOpen, OpensAPortWithoutModemLinesAndRefusesASecondOpen) {
  FarEnd controller;
  ASSERT_TRUE(controller.Ok());
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  EXPECT_EQ(port.DevicePath(), PortDevicePath(controller.PortNumber(), "."));
  // A pseudo-terminal has no DTR; the link works all the same.
  EXPECT_FALSE(port.RaiseDtr());
  EXPECT_EQ(port.OpenSerialPort(controller.PortNumber(), "."),
            std::error_code(ERROR_BUSY, std::system_category()));
  EXPECT_TRUE(port.IsOpen());
}

TEST(SerialPortLine, StaleInputIsGoneAtOpenAndBytesPassBothWaysUnchanged) {
  FarEnd controller;
  ASSERT_TRUE(controller.Ok());
  const std::string stale = "stale bytes from before the open";
  controller.Write(stale);
  ASSERT_TRUE(WaitUntilQueued(controller.PortNumber(), stale.size()));
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  const std::string every_byte = [] {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    return all;
  }();
  controller.Write(every_byte);
  EXPECT_EQ(ReadFromPort(port, every_byte.size(), 10'000), every_byte);
  const PortResult wrote = port.WriteBlock(Bytes(every_byte));
  EXPECT_EQ(wrote.status, PortStatus::kOk);
  EXPECT_EQ(wrote.count, every_byte.size());
  EXPECT_EQ(controller.ReadExactly(every_byte.size()), every_byte);
}

TEST(SerialPortRead, EachReadIsCappedAndAnImageArrivesWholeAndInOrder) {
  FarEnd controller;
  ASSERT_TRUE(controller.Ok());
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  std::string image = "{";
  for (int i = 0; image.size() < 60'000; ++i) image += static_cast<char>('A' + i % 26);
  image += "}";
  controller.Write(image);
  std::vector<uint32_t> sizes;
  EXPECT_EQ(ReadFromPort(port, image.size(), 1000, &sizes), image);
  ASSERT_FALSE(sizes.empty());
  for (const uint32_t size : sizes) EXPECT_LE(size, 1000u);
  // The next screen request goes out as the sender writes it.
  EXPECT_EQ(port.WriteBlock(Bytes("<1>")).status, PortStatus::kOk);
  EXPECT_EQ(controller.ReadExactly(3), "<1>");
}

TEST(SerialPortWrite, TheSenderWritesTheScreenRequestByteByByte) {
  FarEnd controller;
  ASSERT_TRUE(controller.Ok());
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  TransmitQueue queue;
  queue.EnqueueBytes("<1>");
  std::stop_source stop;
  ByteStreamSinks sinks;
  const auto start = Clock::now();
  std::thread sender(SenderWorker, std::ref(queue), std::ref(port), std::ref(sinks),
                     stop.get_token(),
                     PortLostHandler([](const PortResult&) { ADD_FAILURE() << "lost"; }));
  EXPECT_EQ(controller.ReadExactly(3), "<1>");
  // Three single-byte blocks, each followed by the sender's 1 ms pause.
  const auto elapsed = Clock::now() - start;
  stop.request_stop();
  sender.join();
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_GE(elapsed, milliseconds(2));
}

TEST(SerialPortWait, AQuietLineTimesOutAndCostsAlmostNoTime) {
  FarEnd controller;
  ASSERT_TRUE(controller.Ok());
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  // Wine ends a pseudo-terminal's WaitCommEvent every few milliseconds with
  // ERROR_OPERATION_ABORTED though nothing happened: neither a loss nor a
  // busy loop. The first few aborts after the open, a few milliseconds of
  // CPU once, tell the port to watch its queue instead; the quiet line is
  // measured from then on.
  EXPECT_EQ(port.WaitPortEvent(milliseconds(100)).status, PortStatus::kTimedOut);
  const auto cpu_before = ProcessCpuTime();
  const auto start = Clock::now();
  const PortResult waited = port.WaitPortEvent(milliseconds(2000));
  const auto elapsed = Clock::now() - start;
  const auto cpu = ProcessCpuTime() - cpu_before;
  EXPECT_EQ(waited.status, PortStatus::kTimedOut) << waited.error.message();
  EXPECT_GE(elapsed, milliseconds(2000));
  EXPECT_LT(elapsed, milliseconds(2000) + kPatience);
  const double share = std::chrono::duration<double>(cpu) / elapsed;
  RecordProperty("idle_wait_cpu_percent", std::to_string(share * 100));
  EXPECT_LT(share, 0.01) << "the idle wait used " << cpu.count() << " us of CPU";
  // Bytes after a time-out still wake the next wait.
  controller.Write("x");
  EXPECT_EQ(ReadFromPort(port, 1, 10'000), "x");
}

TEST(SerialPortClose, CloseReleasesAWaitingReaderAtOnce) {
  FarEnd controller;
  ASSERT_TRUE(controller.Ok());
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  PortResult waited{PortStatus::kOk};
  std::thread reader([&] { waited = port.WaitPortEvent(); });
  std::this_thread::sleep_for(milliseconds(100));  // let it reach the wait
  const auto start = Clock::now();
  port.SignalClose();
  reader.join();
  EXPECT_EQ(waited.status, PortStatus::kClosed);
  EXPECT_LT(Clock::now() - start, milliseconds(500));
  std::vector<uint8_t> buffer(16);
  EXPECT_EQ(port.ReadAvailable(buffer, 16).status, PortStatus::kClosed);
  EXPECT_EQ(port.WriteBlock(Bytes("<1>")).status, PortStatus::kClosed);
  port.CloseSerialPort();
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortClose, AWaitLeftPendingByATimeOutIsCollectedAndThePortReopens) {
  FarEnd controller;
  ASSERT_TRUE(controller.Ok());
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  EXPECT_EQ(port.WaitPortEvent(milliseconds(30)).status, PortStatus::kTimedOut);
  port.SignalClose();
  port.CloseSerialPort();
  ASSERT_TRUE(port.PrepareLinkEvents());
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  controller.Write("again");
  EXPECT_EQ(ReadFromPort(port, 5, 10'000), "again");
}

TEST(SerialPortHangUp, FarSideHangingUpIsReportedAsLostWithoutSpinning) {
  FarEnd controller;
  ASSERT_TRUE(controller.Ok());
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialPort(controller.PortNumber(), ".")));
  controller.Write("last");
  EXPECT_EQ(ReadFromPort(port, 4, 10'000), "last");
  controller.HangUp();
  // The receiver's loop: wait, read what came, until something ends it.
  const auto cpu_before = ProcessCpuTime();
  const auto start = Clock::now();
  PortResult ended{PortStatus::kOk};
  std::vector<uint8_t> buffer(100);
  int rounds = 0;
  while (Clock::now() - start < kPatience) {
    ++rounds;
    ended = port.WaitPortEvent(kPatience);
    if (ended.status != PortStatus::kOk) break;
    ended = port.ReadAvailable(buffer, 100);
    if (ended.status != PortStatus::kOk) break;
  }
  const auto elapsed = Clock::now() - start;
  EXPECT_EQ(ended.status, PortStatus::kLost) << ended.error.message();
  EXPECT_TRUE(ended.error);
  EXPECT_LT(rounds, 100) << "the wait came back again and again before the loss showed";
  EXPECT_LT(ProcessCpuTime() - cpu_before, elapsed / 2 + milliseconds(50));
  EXPECT_EQ(port.WriteBlock(Bytes("<1>")).status, PortStatus::kLost);
}

}  // namespace
}  // namespace corvane
