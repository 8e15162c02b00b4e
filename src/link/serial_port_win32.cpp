// The serial port on a Windows COM device, used overlapped so that the
// receiver's wait and read and the sender's write run at the same time on
// one handle, each with an OVERLAPPED record and event of its own.
//
// Every wait also watches an event of our own, set by SignalClose: a close
// never depends on the driver ending a wait for us. No I/O is ever left
// pending across a call that reuses its buffer: a read or write that is
// given up is cancelled and waited for before the call returns.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <system_error>

#include "link/serial_port.h"
#include "link/wait_abort_burst.h"
#include "link/wait_deadline.h"

namespace corvane {

namespace {

// The driver queues: large enough for a whole screen image and more.
constexpr DWORD kDriverQueueSize = 100000;
// A read of bytes the driver already counted finishes at once; this is only
// a bound for a driver that is slow to hand them over.
constexpr DWORD kReadPatienceMs = 1000;
// How often a wait that the driver will not hold looks at the input queue:
// first after 1 ms, then twice as long each time, at most every 50 ms.
constexpr DWORD kFirstQueuePauseMs = 1;
constexpr DWORD kLastQueuePauseMs = 50;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

struct IoRecord {
  OVERLAPPED overlapped{};
  HANDLE event = nullptr;

  // Manual-reset: the wait below and GetOverlappedResult may both look at
  // it, and an auto-reset event would be consumed by the first look.
  bool Create() {
    if (event == nullptr) event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event != nullptr;
  }
  void Release() {
    if (event != nullptr) CloseHandle(event);
    event = nullptr;
  }
  OVERLAPPED* Start() {
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event;
    return &overlapped;
  }
};

// What is left of a wait's time, as the system's waits take it.
DWORD MsLeft(const WaitDeadline& deadline) {
  return deadline.Forever() ? INFINITE : static_cast<DWORD>(deadline.MsLeft());
}

}  // namespace

struct SerialPort::Platform {
  HANDLE port = INVALID_HANDLE_VALUE;
  // Manual-reset, set by SignalClose and reset only at the next open: every
  // wait after a close returns at once.
  HANDLE close_event = nullptr;
  IoRecord wait;   // receiver: WaitCommEvent
  IoRecord read;   // receiver: ReadFile
  IoRecord write;  // sender: WriteFile
  // Receiver thread (and the close, with no worker running). A
  // WaitCommEvent that outlived a timed-out WaitPortEvent stays pending and
  // is picked up by the next call; the driver writes into `wait_mask` when
  // it completes, so the mask lives as long as the port.
  bool wait_pending = false;
  DWORD wait_mask = 0;
  // Receiver thread: the waits the driver ended with nothing to show for
  // them, and whether they came in a burst (see WaitPortEvent). From then on
  // this port's waits watch the input queue without asking the driver. Both
  // cleared at open.
  WaitAbortBurst wait_aborts;
  bool driver_ends_waits = false;

  // The two ways a wait is done (WaitDeviceEvent): the driver's overlapped
  // WaitCommEvent, which gives up (nullopt) once the driver has shown that
  // it ends every wait; and looks at the input queue between short sleeps.
  std::optional<PortResult> WaitForDriver(const SerialPort& owner, const WaitDeadline& deadline);
  PortResult WatchQueue(const SerialPort& owner, const WaitDeadline& deadline);

  bool EventsReady() const {
    return close_event != nullptr && wait.event != nullptr && read.event != nullptr &&
           write.event != nullptr;
  }
};

namespace {

std::error_code Win32Error(DWORD error) {
  return {static_cast<int>(error), std::system_category()};
}

// The errors a COM device gives once it has gone away: a USB adapter pulled
// out, a driver that removed the port, a pseudo-terminal whose far side
// hung up (under Wine).
bool IsDeviceGone(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_BROKEN_PIPE:
    case ERROR_NOT_READY:
    case ERROR_OPERATION_ABORTED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_HANDLE_EOF: return true;
    default: return false;
  }
}

// Under Wine a status query on a line that hung up fails without naming
// an error; a device that answers nothing is taken as gone.
DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return error != 0 ? error : fallback;
}

PortResult FromError(DWORD error, uint32_t count = 0) {
  return {IsDeviceGone(error) ? PortStatus::kLost : PortStatus::kFailed, count, Win32Error(error)};
}

// A call that fails once the close was signalled failed because of it (under
// Wine a status query racing SetCommMask(0) can fail with no bearing on the
// device): the caller is told of the close, not of a fault.
PortResult Failed(const SerialPort& port, DWORD error) {
  if (port.Closing()) return {PortStatus::kClosed};
  return FromError(error);
}

// Cancels one overlapped call and waits until the driver has let go of it,
// so that its buffer and record may be used again. Bytes it moved before
// the cancel took are counted.
DWORD CancelAndCollect(HANDLE port, OVERLAPPED* overlapped) {
  CancelIoEx(port, overlapped);
  DWORD moved = 0;
  GetOverlappedResult(port, overlapped, &moved, TRUE);
  return moved;
}

}  // namespace

std::string PortDevicePath(int port_number, const std::filesystem::path&) {
  if (port_number < 1) return {};
  // The \\.\ form also reaches COM10 and above.
  return "\\\\.\\COM" + std::to_string(port_number);
}

SerialPort::SerialPort() : platform_(std::make_unique<Platform>()) {}

SerialPort::~SerialPort() {
  SignalClose();
  CloseSerialPort();
  ReleaseLinkEvents();
}

bool SerialPort::DeviceIsOpen() const { return platform_->port != INVALID_HANDLE_VALUE; }

bool SerialPort::PrepareLinkEvents() {
  Platform& p = *platform_;
  if (p.close_event == nullptr) p.close_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const bool made =
      p.close_event != nullptr && p.wait.Create() && p.read.Create() && p.write.Create();
  if (made && !IsOpen()) ResetEvent(p.close_event);
  return made;
}

void SerialPort::ReleaseLinkEvents() {
  Platform& p = *platform_;
  if (IsOpen()) return;
  if (p.close_event != nullptr) CloseHandle(p.close_event);
  p.close_event = nullptr;
  p.wait.Release();
  p.read.Release();
  p.write.Release();
}

std::error_code SerialPort::FailOpen(int error) { return Win32Error(static_cast<DWORD>(error)); }

std::error_code SerialPort::OpenDevice(const std::string& device_path) {
  Platform& p = *platform_;
  device_path_ = device_path;
  if (device_path.empty()) return FailOpen(ERROR_FILE_NOT_FOUND);
  if (IsOpen()) return FailOpen(ERROR_BUSY);
  if (!PrepareLinkEvents()) return FailOpen(static_cast<int>(GetLastError()));
  ResetEvent(p.close_event);

  // Share mode 0: a port that another program holds is refused, and nobody
  // gets it while we hold it.
  const HANDLE port =
      CreateFileA(device_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) return FailOpen(static_cast<int>(GetLastError()));

  // Stale bytes from before the open are gone; nothing of ours is pending.
  PurgeComm(port, kPurgeAll);
  // A handle that takes no event mask or time-outs is no COM port (a file
  // a com<n> name happened to reach); without the time-outs a read could
  // block for ever.
  // ReadIntervalTimeout MAXDWORD with no totals: a read returns at once
  // with what has arrived. No write totals: a write has no time limit.
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
  if (!SetCommMask(port, EV_RXCHAR) || !SetCommTimeouts(port, &timeouts)) {
    const DWORD error = GetLastError();
    CloseHandle(port);
    return FailOpen(static_cast<int>(error));
  }
  // A driver that keeps its own queue sizes works all the same.
  SetupComm(port, kDriverQueueSize, kDriverQueueSize);
  // Speed, character size, parity, stop bits and flow control stay as the
  // system has them: the line settings belong to whoever set up the port.

  p.port = port;
  p.wait_pending = false;
  p.wait_aborts.Clear();
  p.driver_ends_waits = false;
  closing_.store(false, std::memory_order_release);
  return {};
}

bool SerialPort::RaiseDeviceDtr() {
  return DeviceIsOpen() && EscapeCommFunction(platform_->port, SETDTR) != 0;
}

void SerialPort::SignalDeviceClose() {
  closing_.store(true, std::memory_order_release);
  Platform& p = *platform_;
  if (p.close_event != nullptr) SetEvent(p.close_event);
  // Also ends a pending WaitCommEvent with an empty mask, so the driver lets
  // go of it without being cancelled. Fails harmlessly on a device that is
  // gone.
  if (DeviceIsOpen()) SetCommMask(p.port, 0);
}

void SerialPort::CloseDevice() {
  Platform& p = *platform_;
  if (!DeviceIsOpen()) return;
  closing_.store(true, std::memory_order_release);
  // The workers are gone; a wait that one left pending is collected before
  // its record and mask go.
  if (p.wait_pending) {
    CancelAndCollect(p.port, &p.wait.overlapped);
    p.wait_pending = false;
  }
  // The device may already be gone; each step is tried and none is checked.
  SetCommMask(p.port, 0);
  EscapeCommFunction(p.port, CLRDTR);
  PurgeComm(p.port, kPurgeAll);
  CloseHandle(p.port);
  p.port = INVALID_HANDLE_VALUE;
}

PortResult SerialPort::Platform::WatchQueue(const SerialPort& owner, const WaitDeadline& deadline) {
  DWORD pause_ms = kFirstQueuePauseMs;
  for (;;) {
    if (owner.Closing()) return {PortStatus::kClosed};
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port, &errors, &status)) {
      return Failed(owner, LastErrorOr(ERROR_GEN_FAILURE));
    }
    if (status.cbInQue > 0) return {};
    const DWORD left = MsLeft(deadline);
    if (left == 0) return {PortStatus::kTimedOut};
    if (WaitForSingleObject(close_event, std::min(pause_ms, left)) == WAIT_OBJECT_0) {
      return {PortStatus::kClosed};
    }
    // Quick looks while an answer is due, slower ones as the line stays
    // quiet: an idle link costs next to nothing.
    pause_ms = std::min(pause_ms * 2, kLastQueuePauseMs);
  }
}

std::optional<PortResult> SerialPort::Platform::WaitForDriver(const SerialPort& owner,
                                                              const WaitDeadline& deadline) {
  for (;;) {
    if (owner.Closing()) return PortResult{PortStatus::kClosed};
    if (!wait_pending) {
      wait_mask = 0;
      OVERLAPPED* overlapped = wait.Start();
      if (!WaitCommEvent(port, &wait_mask, overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) return Failed(owner, error);
        wait_pending = true;
      } else if (wait_mask & EV_RXCHAR) {
        return PortResult{};
      }
    }
    if (wait_pending) {
      const HANDLE events[2] = {wait.event, close_event};
      const DWORD woke = WaitForMultipleObjects(2, events, FALSE, MsLeft(deadline));
      // A close or a time-out leaves the wait pending: the next call picks
      // it up, and CloseSerialPort collects it.
      if (woke == WAIT_OBJECT_0 + 1) return PortResult{PortStatus::kClosed};
      if (woke == WAIT_TIMEOUT) return PortResult{PortStatus::kTimedOut};
      if (woke != WAIT_OBJECT_0)
        return PortResult{PortStatus::kFailed, 0, Win32Error(GetLastError())};
      wait_pending = false;
      DWORD unused = 0;
      if (!GetOverlappedResult(port, &wait.overlapped, &unused, FALSE)) {
        const DWORD error = GetLastError();
        if (owner.Closing()) return PortResult{PortStatus::kClosed};
        if (error != ERROR_OPERATION_ABORTED) return FromError(error);
        // Aborted while nobody closed: a device pulled out, a stray abort
        // on a real port, or, under Wine, a pseudo-terminal, whose every
        // wait the emulation ends within a few milliseconds though nothing
        // happened. A device that is gone fails the status query, and is
        // reported once, here. One that answers is still there. Once the
        // aborts come in a burst, its queue is watched instead, now and in
        // every later wait on this port, since asking the emulation again
        // costs about a millisecond of CPU a time, ends the same way, and
        // delays every image by the few milliseconds it takes to end. A
        // stray is only waited out again: on a real port, watching the
        // queue would cost each later image up to one look's pause.
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(port, &errors, &status)) {
          return Failed(owner, LastErrorOr(ERROR_GEN_FAILURE));
        }
        if (wait_aborts.NoteAbort(std::chrono::steady_clock::now())) {
          driver_ends_waits = true;
          return std::nullopt;
        }
        if (status.cbInQue > 0) return PortResult{};
        if (MsLeft(deadline) == 0) return PortResult{PortStatus::kTimedOut};
        continue;
      }
      if (wait_mask & EV_RXCHAR) return PortResult{};
    }
    // An empty mask: SetCommMask(0) from a close, or an event we did not
    // ask for. The test at the top tells which.
    if (MsLeft(deadline) == 0) return PortResult{PortStatus::kTimedOut};
  }
}

PortResult SerialPort::WaitDeviceEvent(std::chrono::milliseconds timeout) {
  Platform& p = *platform_;
  const WaitDeadline deadline(timeout);
  // The driver's own wait, until it shows that it ends every wait (Wine);
  // from then on, and for this port's life, the input queue is watched.
  if (!p.driver_ends_waits) {
    if (const std::optional<PortResult> result = p.WaitForDriver(*this, deadline)) return *result;
  }
  return p.WatchQueue(*this, deadline);
}

PortResult SerialPort::ReadDevice(std::span<uint8_t> buffer, uint32_t maximum) {
  Platform& p = *platform_;
  if (Closing()) return {PortStatus::kClosed};
  const uint32_t room = static_cast<uint32_t>(std::min<size_t>(buffer.size(), maximum));
  if (room == 0) return {};
  DWORD errors = 0;
  COMSTAT status{};
  // Also clears a line error (framing, parity, overrun), which would
  // otherwise stop the driver from delivering anything more.
  if (!ClearCommError(p.port, &errors, &status)) {
    return Failed(*this, LastErrorOr(ERROR_GEN_FAILURE));
  }
  const DWORD count = std::min<DWORD>(status.cbInQue, room);
  if (count == 0) return {};

  OVERLAPPED* overlapped = p.read.Start();
  DWORD got = 0;
  if (ReadFile(p.port, buffer.data(), count, &got, overlapped)) return {PortStatus::kOk, got};
  const DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) return Failed(*this, error);

  const HANDLE events[2] = {p.read.event, p.close_event};
  const DWORD woke = WaitForMultipleObjects(2, events, FALSE, kReadPatienceMs);
  if (woke == WAIT_OBJECT_0) {
    if (GetOverlappedResult(p.port, overlapped, &got, FALSE)) return {PortStatus::kOk, got};
    return Failed(*this, GetLastError());
  }
  // Given up (time-out or close): the driver must be done with the buffer
  // before the receiver fills it with the next bytes. What it did read
  // still counts.
  got = CancelAndCollect(p.port, overlapped);
  if (woke == WAIT_OBJECT_0 + 1) return {PortStatus::kClosed, got};
  return {PortStatus::kOk, got};
}

PortResult SerialPort::WriteDevice(std::span<const uint8_t> bytes) {
  Platform& p = *platform_;
  uint32_t written = 0;
  while (written < bytes.size()) {
    if (Closing()) return {PortStatus::kClosed, written};
    const DWORD length = static_cast<DWORD>(bytes.size() - written);
    OVERLAPPED* overlapped = p.write.Start();
    DWORD put = 0;
    BOOL done = WriteFile(p.port, bytes.data() + written, length, &put, overlapped);
    if (!done) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) {
        // The port's error state is cleared, or it refuses every write
        // from here on.
        DWORD errors = 0;
        ClearCommError(p.port, &errors, nullptr);
        if (Closing()) return {PortStatus::kClosed, written};
        return FromError(error, written);
      }
      // No time limit: a device that holds its input back holds the
      // sender, and only a close releases it.
      const HANDLE events[2] = {p.write.event, p.close_event};
      const DWORD woke = WaitForMultipleObjects(2, events, FALSE, INFINITE);
      if (woke != WAIT_OBJECT_0) {
        written += CancelAndCollect(p.port, overlapped);
        if (woke == WAIT_OBJECT_0 + 1) return {PortStatus::kClosed, written};
        return {PortStatus::kFailed, written, Win32Error(GetLastError())};
      }
      done = GetOverlappedResult(p.port, overlapped, &put, FALSE);
      if (!done) {
        const DWORD failed = GetLastError();
        DWORD errors = 0;
        ClearCommError(p.port, &errors, nullptr);
        if (Closing()) return {PortStatus::kClosed, written + put};
        return FromError(failed, written + put);
      }
    }
    // Without write time-outs a write finishes whole; one that moved
    // nothing would only be tried again for ever.
    if (put == 0) return {PortStatus::kFailed, written, Win32Error(ERROR_WRITE_FAULT)};
    written += put;
  }
  return {PortStatus::kOk, written};
}

}  // namespace corvane
