// The serial port on a POSIX terminal device.
//
// A fresh Linux tty is a cooked terminal: it echoes, turns LF into CR LF,
// eats ^C, ^Q and ^S and holds input until a line end. The controller's
// frames and key codes are raw bytes, so the line is made a transparent
// stream for as long as we hold it, and given back as we found it.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "link/serial_port.h"
#include "link/wait_deadline.h"

namespace corvane {

struct SerialPort::Platform {
  int fd = -1;
  // An eventfd written once by SignalClose and never read until the next
  // open: it stays readable, so every poll after the close returns at once.
  int wake_fd = -1;
  termios original{};
};

namespace {

// A device that has gone away reports one of these; the line will never
// carry anything again.
bool IsDeviceGone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

std::error_code Errno(int error) { return {error, std::generic_category()}; }

PortResult Lost(int error) { return {PortStatus::kLost, 0, Errno(error)}; }
PortResult Failed(int error) { return {PortStatus::kFailed, 0, Errno(error)}; }

void DrainWakeSignal(int wake_fd) {
  uint64_t value = 0;
  // Non-blocking: EAGAIN when it was not signalled.
  while (read(wake_fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value)) {
  }
}

void MakeRaw(termios& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                      IXOFF | IXANY);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | ISIG | IEXTEN);
  // Speed, CSIZE, PARENB, CSTOPB and CRTSCTS stay as the system has them:
  // the line settings belong to whoever set up the port, not to us.
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

}  // namespace

std::string PortDevicePath(int port_number, const std::filesystem::path& directory) {
  if (port_number < 1) return {};
  const std::filesystem::path entry = directory / ("com" + std::to_string(port_number));
  std::error_code ec;
  // A dangling link still names the port: an unplugged adapter must not
  // send us to some other device.
  if (std::filesystem::symlink_status(entry, ec).type() != std::filesystem::file_type::not_found &&
      !ec) {
    return entry.string();
  }
  return "/dev/ttyS" + std::to_string(port_number - 1);
}

SerialPort::SerialPort() : platform_(std::make_unique<Platform>()) {}

SerialPort::~SerialPort() {
  SignalClose();
  CloseSerialPort();
  ReleaseLinkEvents();
}

bool SerialPort::DeviceIsOpen() const { return platform_->fd >= 0; }

bool SerialPort::PrepareLinkEvents() {
  if (platform_->wake_fd < 0) {
    platform_->wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (platform_->wake_fd < 0) return false;
  } else if (!IsOpen()) {
    DrainWakeSignal(platform_->wake_fd);
  }
  return true;
}

void SerialPort::ReleaseLinkEvents() {
  if (platform_->wake_fd >= 0 && !IsOpen()) {
    close(platform_->wake_fd);
    platform_->wake_fd = -1;
  }
}

std::error_code SerialPort::FailOpen(int error) { return Errno(error); }

std::error_code SerialPort::OpenDevice(const std::string& device_path) {
  device_path_ = device_path;
  if (device_path.empty()) return FailOpen(ENODEV);
  if (IsOpen()) return FailOpen(EBUSY);
  if (!PrepareLinkEvents()) return FailOpen(errno);
  DrainWakeSignal(platform_->wake_fd);

  // Non-blocking, so the open never waits for carrier; O_NOCTTY, so the
  // port never becomes our controlling terminal.
  const int fd = open(device_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FailOpen(errno);

  // TIOCEXCL keeps out other openers, but not root; the flock keeps out a
  // second Corvane whoever runs it.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    return FailOpen(error);
  }
  termios original{};
  if (tcgetattr(fd, &original) != 0) {  // not a terminal
    const int error = errno;
    close(fd);
    return FailOpen(error);
  }
  const bool exclusive = ioctl(fd, TIOCEXCL) == 0;
  termios raw = original;
  MakeRaw(raw);
  if (tcsetattr(fd, TCSANOW, &raw) != 0) {
    const int error = errno;
    if (exclusive) ioctl(fd, TIOCNXCL);
    close(fd);
    return FailOpen(error);
  }
  // Only now: bytes that arrived while the line was still cooked are gone.
  tcflush(fd, TCIOFLUSH);

  platform_->fd = fd;
  platform_->original = original;
  closing_.store(false, std::memory_order_release);
  return {};
}

bool SerialPort::RaiseDeviceDtr() {
  int bits = TIOCM_DTR;
  return DeviceIsOpen() && ioctl(platform_->fd, TIOCMBIS, &bits) == 0;
}

void SerialPort::SignalDeviceClose() {
  closing_.store(true, std::memory_order_release);
  if (platform_->wake_fd >= 0) {
    const uint64_t one = 1;
    // Can only fail when the counter is near overflow, which leaves it
    // readable all the same.
    [[maybe_unused]] const ssize_t n = write(platform_->wake_fd, &one, sizeof one);
  }
}

void SerialPort::CloseDevice() {
  const int fd = platform_->fd;
  if (fd < 0) return;
  closing_.store(true, std::memory_order_release);
  // The device may already be gone; each step is tried and none is checked.
  tcflush(fd, TCIOFLUSH);
  int bits = TIOCM_DTR;
  ioctl(fd, TIOCMBIC, &bits);
  tcsetattr(fd, TCSANOW, &platform_->original);
  ioctl(fd, TIOCNXCL);
  flock(fd, LOCK_UN);
  close(fd);
  platform_->fd = -1;
}

PortResult SerialPort::WaitDeviceEvent(std::chrono::milliseconds timeout) {
  const WaitDeadline deadline(timeout);
  for (;;) {
    if (Closing()) return {PortStatus::kClosed};
    pollfd fds[2] = {{platform_->fd, POLLIN, 0}, {platform_->wake_fd, POLLIN, 0}};
    const int ready = poll(fds, 2, static_cast<int>(deadline.MsLeft()));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Failed(errno);
    }
    if (ready == 0) return PortResult{PortStatus::kTimedOut};
    if (fds[1].revents != 0) return {PortStatus::kClosed};
    const short port = fds[0].revents;
    if (port & POLLNVAL) return Failed(EBADF);
    if (port & (POLLHUP | POLLERR)) {
      // Bytes that came before the hang-up are still handed on.
      int waiting = 0;
      if (ioctl(platform_->fd, FIONREAD, &waiting) == 0 && waiting > 0) return {};
      return Lost(EIO);
    }
    if (port & POLLIN) return {};
  }
}

PortResult SerialPort::ReadDevice(std::span<uint8_t> buffer, uint32_t maximum) {
  if (Closing()) return {PortStatus::kClosed};
  const uint32_t room = static_cast<uint32_t>(std::min<size_t>(buffer.size(), maximum));
  if (room == 0) return {};
  int waiting = 0;
  if (ioctl(platform_->fd, FIONREAD, &waiting) != 0) {
    return IsDeviceGone(errno) ? Lost(errno) : Failed(errno);
  }
  // With nothing counted, read one byte anyway: the non-blocking read says
  // EAGAIN on a quiet line but 0 or EIO on a line that hung up, which the
  // count alone cannot tell apart.
  const uint32_t count = waiting > 0 ? std::min(static_cast<uint32_t>(waiting), room) : 1;
  for (;;) {
    const ssize_t n = read(platform_->fd, buffer.data(), count);
    if (n > 0) return {PortStatus::kOk, static_cast<uint32_t>(n)};
    if (n == 0) return Lost(EIO);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
    return IsDeviceGone(errno) ? Lost(errno) : Failed(errno);
  }
}

PortResult SerialPort::WriteDevice(std::span<const uint8_t> bytes) {
  uint32_t written = 0;
  while (written < bytes.size()) {
    if (Closing()) return {PortStatus::kClosed, written};
    const ssize_t n = write(platform_->fd, bytes.data() + written, bytes.size() - written);
    if (n > 0) {
      written += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      PortResult result = IsDeviceGone(errno) ? Lost(errno) : Failed(errno);
      result.count = written;
      return result;
    }
    // The device holds its input back. Wait for room or for the close; never
    // tcdrain, which a stuck device can hold for ever.
    pollfd fds[2] = {{platform_->fd, POLLOUT, 0}, {platform_->wake_fd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return {PortStatus::kFailed, written, Errno(errno)};
    }
    if (fds[1].revents != 0) return {PortStatus::kClosed, written};
    if (fds[0].revents & POLLNVAL) return {PortStatus::kFailed, written, Errno(EBADF)};
    if (fds[0].revents & (POLLHUP | POLLERR)) return {PortStatus::kLost, written, Errno(EIO)};
  }
  return {PortStatus::kOk, written};
}

}  // namespace corvane
