#include "link/serial_port.h"

#include "link/network_address.h"

namespace corvane {

// The same on every platform: a number names a device (PortDevicePath), and
// a number below 1 names none, which the device open refuses as missing.
std::error_code SerialPort::OpenSerialPort(int port_number,
                                           const std::filesystem::path& directory) {
  return OpenSerialDevice(PortDevicePath(port_number, directory));
}

std::error_code SerialPort::OpenSerialDevice(const std::string& device_path,
                                             std::stop_token cancel) {
  if (IsNetworkAddress(device_path)) return OpenNetwork(device_path, std::move(cancel));
  return OpenDevice(device_path);
}

std::error_code SerialPort::OpenNetwork(const std::string& address, std::stop_token cancel) {
  device_path_ = address;
  if (IsOpen()) return std::make_error_code(std::errc::device_or_resource_busy);
  const std::optional<NetworkAddress> parsed = ParseNetworkAddress(address);
  if (!parsed) return MakeErrorCode(NetworkError::kBadAddress);
  // Cleared before the connect, so that a SignalClose from another thread
  // while it runs is seen, through the socket's wake or through this flag.
  closing_.store(false, std::memory_order_release);
  std::error_code error = network_.Open(*parsed, kConnectLimit, cancel);
  if (!error && (Closing() || cancel.stop_requested())) {
    network_.Close();
    error = MakeErrorCode(NetworkError::kCancelled);
  }
  if (error) closing_.store(true, std::memory_order_release);
  return error;
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
