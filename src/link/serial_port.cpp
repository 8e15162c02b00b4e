#include "link/serial_port.h"

#include "link/network_address.h"

namespace corvane {

// The same on every platform: a number names a device (PortDevicePath), and
// a number below 1 names none, which the device open refuses as missing.
bool SerialPort::OpenSerialPort(int port_number, const std::filesystem::path& directory) {
  return OpenSerialDevice(PortDevicePath(port_number, directory));
}

bool SerialPort::OpenSerialDevice(const std::string& device_path) {
  if (IsNetworkAddress(device_path)) return OpenNetwork(device_path);
  return OpenDevice(device_path);
}

bool SerialPort::OpenNetwork(const std::string& address) {
  device_path_ = address;
  open_error_.clear();
  if (IsOpen()) {
    open_error_ = std::make_error_code(std::errc::device_or_resource_busy);
    return false;
  }
  const std::optional<NetworkAddress> parsed = ParseNetworkAddress(address);
  if (!parsed) {
    open_error_ = MakeErrorCode(NetworkError::kBadAddress);
    return false;
  }
  // Cleared before the connect, so that a SignalClose from another thread
  // while it runs is seen, through the socket's wake or through this flag.
  closing_.store(false, std::memory_order_release);
  open_error_ = network_.Open(*parsed);
  if (!open_error_ && Closing()) {
    network_.Close();
    open_error_ = MakeErrorCode(NetworkError::kCancelled);
  }
  if (open_error_) {
    closing_.store(true, std::memory_order_release);
    return false;
  }
  return true;
}

bool SerialPort::IsOpen() const { return network_.IsOpen() || DeviceIsOpen(); }

bool SerialPort::RaiseDtr() {
  // A device server was asked at the open, where an rfc2217:// session can
  // ask; a bare TCP stream has no modem lines to raise.
  if (network_.IsOpen()) return true;
  return RaiseDeviceDtr();
}

void SerialPort::SignalClose() {
  closing_.store(true, std::memory_order_release);
  network_.SignalClose();
  SignalDeviceClose();
}

void SerialPort::CloseSerialPort() {
  if (network_.IsOpen()) {
    closing_.store(true, std::memory_order_release);
    network_.Close();
    return;
  }
  CloseDevice();
}

PortResult SerialPort::WaitPortEvent(std::chrono::milliseconds timeout) {
  if (!network_.IsOpen()) return WaitDeviceEvent(timeout);
  if (Closing()) return {PortStatus::kClosed};
  return network_.Wait(timeout);
}

PortResult SerialPort::ReadAvailable(std::span<uint8_t> buffer, uint32_t maximum) {
  if (!network_.IsOpen()) return ReadDevice(buffer, maximum);
  if (Closing()) return {PortStatus::kClosed};
  return network_.Read(buffer, maximum);
}

PortResult SerialPort::WriteBlock(std::span<const uint8_t> bytes) {
  if (!network_.IsOpen()) return WriteDevice(bytes);
  if (Closing()) return {PortStatus::kClosed};
  return network_.Write(bytes);
}

}  // namespace corvane
