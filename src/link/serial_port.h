// The one serial port that carries the link to the controller.
//
// The controller gives no handshake and no time-outs, so the port layer has
// to guarantee what the rest of the link relies on: nobody else holds the
// port while we do, the line is a transparent 8-bit byte stream, stale bytes
// are gone at open, a close releases every wait at once, a read never
// blocks, and a device that goes away is reported instead of looking like a
// quiet line.
//
// The port is either a serial device (the per-platform part in
// serial_port_posix.cpp / serial_port_win32.cpp) or, when it is opened on an
// rfc2217:// or socket:// address, a serial device server on the network
// (link/network_port.h). The same guarantees hold for both: a close releases
// every wait at once, a read never blocks, and a connection the server
// closed, reset or stopped answering is kLost. Only the open differs: an
// address may take up to about 5 s to reach (SignalClose from another
// thread ends that at once), and "nobody else holds the port" is the
// device server's to keep.
//
// Threads:
//   UI thread       PrepareLinkEvents, OpenSerialPort, RaiseDtr,
//                   CloseSerialPort, ReleaseLinkEvents. The descriptor
//                   fields change only here, and only while no worker runs
//                   (the link starts the workers after the open and joins
//                   them before the close). A device server's address may
//                   be opened, and the workers started, by the link's
//                   opener thread in the UI thread's place: the port is
//                   that thread's until the UI thread has joined it.
//   receiver thread WaitPortEvent, ReadAvailable.
//   sender thread   WriteBlock.
//   any thread      SignalClose, Closing.
// One reader and one writer may use the port at once; no call is made by
// two threads at the same time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <system_error>

#include "link/network_port.h"
#include "link/port_result.h"

namespace corvane {

// Called once by a worker that finds the port's device gone; may run on
// either worker's thread.
using PortLostHandler = std::function<void(const PortResult&)>;

// The device that stands for COM `port_number`: the entry "com<n>" in
// `directory` when one exists (a symbolic link such as com3 -> /dev/ttyUSB0,
// or a device file), otherwise /dev/ttyS<n-1>. On Windows it is
// \\.\COM<n> and `directory` is not looked at. Empty for numbers below 1.
std::string PortDevicePath(int port_number, const std::filesystem::path& directory);

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // UI thread. Creates the close signal that the workers' waits listen to,
  // or re-arms the existing one. False when it cannot be created.
  bool PrepareLinkEvents();
  // UI thread, with no worker running. Closes the close signal.
  void ReleaseLinkEvents();

  // UI thread. Opens COM `port_number` (see PortDevicePath) exclusively and
  // makes its line raw. Empty when open, else why it cannot be opened.
  // Prepares the close signal itself when that has not been done.
  [[nodiscard]] std::error_code OpenSerialPort(int port_number,
                                               const std::filesystem::path& directory);
  // The same for a device named directly, or for a device server's address
  // ("rfc2217://host:port", "socket://host:port"), where the reason may be
  // a bad address, an unknown host, a refusal or no answer in time. A
  // device server's may be opened on another thread than the UI's while
  // no worker runs (SerialLink::BeginOpenLinkDevice); a stop of `cancel`
  // from any thread, before or during the open, ends it at once with
  // NetworkError::kCancelled and leaves the port closed.
  [[nodiscard]] std::error_code OpenSerialDevice(const std::string& device_path,
                                                 std::stop_token cancel = {});
  // UI thread. On a device server's address: the requests of the opening
  // (BINARY, DTR, the purge...) that the server has not answered, as a
  // list for the log; empty when it answered all, and on a device. Never
  // waited for: the link works without the answers. Kept after the close.
  std::string UnansweredRequests() const { return network_.Unanswered(); }
  const std::string& DevicePath() const { return device_path_; }
  bool IsOpen() const;

  // UI thread. Raises DTR. A device without modem lines (a pseudo-terminal)
  // refuses; that is not an error for the link. True when raised (on a
  // device server: asked for, at the open).
  bool RaiseDtr();

  // Any thread. From here on every wait returns at once and every write
  // fails at once with kClosed, as on a closed port. The descriptor stays
  // open until CloseSerialPort, so a worker never uses a number that the
  // system has already handed to something else.
  void SignalClose();
  bool Closing() const { return closing_.load(std::memory_order_acquire); }

  // UI thread, after the workers have been joined: empties both queues,
  // drops DTR, puts the original line settings back, unlocks and closes.
  void CloseSerialPort();

  // Receiver thread. Sleeps until bytes have arrived (kOk), the close is
  // signalled (kClosed), the device is gone (kLost) or `timeout` has passed
  // with none of these (kTimedOut). A negative timeout waits for ever.
  PortResult WaitPortEvent(std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

  // Receiver thread. Reads at most `maximum` of the bytes that have already
  // arrived (and no more than the buffer holds); never blocks. A count of 0
  // with kOk means nothing was waiting.
  PortResult ReadAvailable(std::span<uint8_t> buffer, uint32_t maximum);

  // Sender thread. Returns when the whole block has been written (kOk), the
  // close was signalled (kClosed), or the write failed. Has no time limit
  // otherwise: a device that holds its input back holds the sender, and
  // only a close releases it.
  PortResult WriteBlock(std::span<const uint8_t> bytes);

 private:
  struct Platform;

  std::error_code FailOpen(int error);
  std::error_code OpenNetwork(const std::string& address, std::stop_token cancel);
  // The serial device's own calls (one file per platform).
  std::error_code OpenDevice(const std::string& device_path);
  bool DeviceIsOpen() const;
  bool RaiseDeviceDtr();
  void SignalDeviceClose();
  void CloseDevice();
  PortResult WaitDeviceEvent(std::chrono::milliseconds timeout);
  PortResult ReadDevice(std::span<uint8_t> buffer, uint32_t maximum);
  PortResult WriteDevice(std::span<const uint8_t> bytes);

  std::unique_ptr<Platform> platform_;  // descriptors and saved settings; UI thread
  // Open while the port is a device server's; its socket changes only on
  // the UI thread while no worker runs, as the descriptors do.
  NetworkPort network_;
  std::atomic<bool> closing_{false};
  std::string device_path_;  // UI thread
};

}  // namespace corvane
