#include "link/serial_port.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <termios.h>

#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "support/device_directory.h"
#include "support/opened.h"
#include "support/pty_pair.h"

namespace corvane {
namespace {

using testing::DeviceDirectory;
using testing::PtyPair;

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Reads from the port until `count` bytes have come, each read capped at
// `maximum`; records the size of every read. The port's own wait has no
// time-out, so the line (the pair's slave) is watched first: quiet for
// kPatience is a failure.
std::string ReadFromPort(SerialPort& port, const PtyPair& pty, size_t count, uint32_t maximum,
                         std::vector<uint32_t>* sizes = nullptr) {
  std::string got;
  std::vector<uint8_t> buffer(10'000);
  while (got.size() < count) {
    pollfd line{pty.Slave(), POLLIN, 0};
    if (poll(&line, 1, static_cast<int>(testing::kPatience.count())) != 1) {
      ADD_FAILURE() << "only " << got.size() << " of " << count << " bytes reached the port";
      break;
    }
    const PortResult event = port.WaitPortEvent();
    if (event.status != PortStatus::kOk) break;
    const PortResult read = port.ReadAvailable(buffer, maximum);
    if (read.status != PortStatus::kOk) break;
    if (sizes && read.count > 0) sizes->push_back(read.count);
    got.append(reinterpret_cast<const char*>(buffer.data()), read.count);
  }
  return got;
}

TEST(PortDevicePath, ComEntryInTheDirectoryNamesTheDevice) {
  DeviceDirectory dir;
  dir.MapPort(3, "/dev/ttyUSB0");  // dangling here, and still the choice
  EXPECT_EQ(PortDevicePath(3, dir.Path()), (dir.Path() / "com3").string());
  EXPECT_EQ(PortDevicePath(4, dir.Path()), "/dev/ttyS3");
  EXPECT_EQ(PortDevicePath(12, dir.Path()), "/dev/ttyS11");
  EXPECT_EQ(PortDevicePath(1, dir.Path()), "/dev/ttyS0");
  EXPECT_EQ(PortDevicePath(0, dir.Path()), "");
  EXPECT_EQ(PortDevicePath(-2, dir.Path()), "");
}

TEST(SerialPortOpen, PortZeroAndMissingDevicesFail) {
  DeviceDirectory dir;
  SerialPort port;
  EXPECT_EQ(port.OpenSerialPort(0, dir.Path()), std::errc::no_such_device);

  dir.MapPort(5, (dir.Path() / "no-such-device").string());
  EXPECT_EQ(port.OpenSerialPort(5, dir.Path()), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(port.IsOpen());

  // A plain file is not a serial line.
  testing::WriteWholeFile(dir / "com7", "not a tty");
  EXPECT_EQ(port.OpenSerialPort(7, dir.Path()), std::errc::inappropriate_io_control_operation);
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortOpen, HeldPortIsRefusedUntilReleased) {
  PtyPair pty;
  DeviceDirectory dir;
  dir.MapPort(3, pty.SlavePath());
  SerialPort first;
  SerialPort second;
  ASSERT_TRUE(testing::Opened(first.OpenSerialPort(3, dir.Path())));
  // This process runs as root in CI, which TIOCEXCL does not stop; the lock does.
  EXPECT_EQ(second.OpenSerialPort(3, dir.Path()), std::errc::device_or_resource_busy);

  first.SignalClose();
  first.CloseSerialPort();
  ASSERT_TRUE(testing::Opened(second.OpenSerialPort(3, dir.Path())));
  EXPECT_TRUE(second.IsOpen());
}

TEST(SerialPortOpen, PseudoTerminalWithoutModemLinesStillOpens) {
  PtyPair pty;
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  EXPECT_FALSE(port.RaiseDtr());  // refused, and harmless
  ASSERT_EQ(port.WriteBlock(Bytes("ok")).status, PortStatus::kOk);
  EXPECT_EQ(pty.ReadCount(2), "ok");
}

// The line must pass every byte unchanged in both directions, although a
// fresh tty is cooked.
TEST(SerialPortLine, RawBothWaysAndNoEcho) {
  PtyPair pty;
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));

  const std::string in("a\r\nb\x03\x11\x13\x1a\x7f\xff\x00z", 12);
  pty.Write(in);
  EXPECT_EQ(ReadFromPort(port, pty, in.size(), 10'000), in);

  // Had the line echoed, the echo would be ahead of this at the master.
  const std::string out("\n\r\x11\x13\x03\xbe", 6);
  ASSERT_EQ(port.WriteBlock(Bytes(out)).status, PortStatus::kOk);
  EXPECT_EQ(pty.ReadCount(out.size()), out);
}

TEST(SerialPortLine, KeepsLineSettingsAndRestoresTheOriginal) {
  PtyPair pty;
  termios before{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &before), 0);
  // Settings somebody chose for this port: we must not change them.
  before.c_cflag = (before.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | CSTOPB;
  cfsetispeed(&before, B9600);
  cfsetospeed(&before, B9600);
  before.c_lflag |= ICANON | ECHO;
  ASSERT_EQ(tcsetattr(pty.Slave(), TCSANOW, &before), 0);
  ASSERT_EQ(tcgetattr(pty.Slave(), &before), 0);

  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  termios open{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &open), 0);
  EXPECT_EQ(open.c_cflag & CSIZE, before.c_cflag & CSIZE);
  EXPECT_EQ(open.c_cflag & (PARENB | CSTOPB | CRTSCTS),
            before.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_EQ(cfgetospeed(&open), B9600);
  EXPECT_EQ(open.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(open.c_oflag & OPOST, 0u);
  EXPECT_EQ(
      open.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | IXANY | BRKINT | PARMRK), 0u);
  EXPECT_EQ(open.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(open.c_cc[VMIN], 1);
  EXPECT_EQ(open.c_cc[VTIME], 0);

  port.SignalClose();
  port.CloseSerialPort();
  termios after{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &after), 0);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&after), B9600);
}

TEST(SerialPortLine, StaleInputIsGoneAtOpen) {
  PtyPair pty;
  termios raw{};
  tcgetattr(pty.Slave(), &raw);
  cfmakeraw(&raw);
  tcsetattr(pty.Slave(), TCSANOW, &raw);
  pty.Write("stale");
  // Wait until the stale bytes really sit in the slave's input.
  pollfd p{pty.Slave(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);

  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  pty.Write("fresh");
  EXPECT_EQ(ReadFromPort(port, pty, 5, 10'000), "fresh");
}

TEST(SerialPortRead, EachReadIsCappedAndEverythingArrivesInOrder) {
  PtyPair pty;
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  std::vector<uint8_t> buffer(10'000);
  // Nothing waiting: no bytes, and no error either.
  const PortResult quiet = port.ReadAvailable(buffer, 10'000);
  EXPECT_EQ(quiet.status, PortStatus::kOk);
  EXPECT_EQ(quiet.count, 0u);

  std::string sent;
  for (int i = 0; i < 300; ++i) sent.push_back(static_cast<char>('!' + i % 90));
  pty.Write(sent);
  std::vector<uint32_t> sizes;
  EXPECT_EQ(ReadFromPort(port, pty, sent.size(), 100, &sizes), sent);
  for (uint32_t size : sizes) EXPECT_LE(size, 100u);
  EXPECT_GE(sizes.size(), 3u);

  // Never more than the buffer holds, whatever the maximum says.
  pty.Write("0123456789");
  ASSERT_EQ(port.WaitPortEvent().status, PortStatus::kOk);
  std::span<uint8_t> small(buffer.data(), 4);
  const PortResult capped = port.ReadAvailable(small, 10'000);
  EXPECT_EQ(capped.status, PortStatus::kOk);
  EXPECT_LE(capped.count, 4u);
}

TEST(SerialPortClose, CloseReleasesAWaitingReader) {
  PtyPair pty;
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  PortResult result;
  std::thread reader([&] { result = port.WaitPortEvent(); });
  port.SignalClose();
  reader.join();
  EXPECT_EQ(result.status, PortStatus::kClosed);
  port.CloseSerialPort();
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortClose, CloseEndsAStuckWriteAndLaterWritesFailAtOnce) {
  PtyPair pty;
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  // The master never reads: the pseudo-terminal fills and the write waits.
  const std::vector<uint8_t> big(256 * 1024, 'x');
  PortResult result;
  std::thread writer([&] { result = port.WriteBlock(big); });
  port.SignalClose();
  writer.join();
  EXPECT_EQ(result.status, PortStatus::kClosed);
  EXPECT_LT(result.count, big.size());

  const PortResult after = port.WriteBlock(Bytes("k"));
  EXPECT_EQ(after.status, PortStatus::kClosed);
  EXPECT_EQ(after.count, 0u);
  port.CloseSerialPort();
}

TEST(SerialPortClose, ReopenAfterCloseWorksWithFreshSignal) {
  PtyPair pty;
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  port.SignalClose();
  port.CloseSerialPort();
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  // The earlier close must not leak into the new open.
  EXPECT_FALSE(port.Closing());
  pty.Write("z");
  EXPECT_EQ(ReadFromPort(port, pty, 1, 10), "z");
  ASSERT_EQ(port.WriteBlock(Bytes("y")).status, PortStatus::kOk);
  EXPECT_EQ(pty.ReadCount(1), "y");
}

TEST(SerialPortHangUp, FarSideClosingIsReportedNotSpunOn) {
  PtyPair pty;
  SerialPort port;
  ASSERT_TRUE(testing::Opened(port.OpenSerialDevice(pty.SlavePath())));
  pty.CloseMaster();
  EXPECT_EQ(port.WaitPortEvent().status, PortStatus::kLost);
  std::vector<uint8_t> buffer(16);
  EXPECT_EQ(port.ReadAvailable(buffer, 16).status, PortStatus::kLost);
  const PortResult write = port.WriteBlock(Bytes("<1>"));
  EXPECT_EQ(write.status, PortStatus::kLost);
  EXPECT_TRUE(write.error);
  // Closing a port whose device is gone still completes.
  port.SignalClose();
  port.CloseSerialPort();
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace corvane
