#include "link/serial_port.h"

namespace corvane {

// The same on every platform: a number names a device (PortDevicePath), and
// a number below 1 names none, which the device open refuses as missing.
bool SerialPort::OpenSerialPort(int port_number, const std::filesystem::path& directory) {
  return OpenSerialDevice(PortDevicePath(port_number, directory));
}

}  // namespace corvane
