// One TCP connection to a serial device server, with a wake signal that
// ends every wait on it at once, as the serial port's close signal does.
// The primitives NetworkPort builds the network port from; the byte
// stream's meaning (Telnet or bare) is not this file's business.
//
// Every connection gets TCP_NODELAY, so that the three paced bytes of a
// screen request and a single key code leave at once, and keepalive tuned
// so that a server that vanished without closing (cable pulled, box
// switched off) is found within about 10 s: probes after 4 s of quiet,
// every 2 s, 3 unanswered ones. While we have bytes in flight the system
// sends no probes, so where it can (Linux TCP_USER_TIMEOUT, Windows
// TCP_MAXRT) unacknowledged data also ends the connection after about
// 10 s: the silence watchdog re-asks for a screen every 3 s, and those
// requests going unacknowledged are what turns a silent server into a lost
// link.
//
// Threads: Connect, Close and ResetWake on the thread that opens the link
// (the UI thread, or the link's opener in its place) while no worker uses
// the socket; WaitReadable and Receive on the receiver thread; Send
// and WaitWritable on the sender thread, and Send also on the receiver
// thread under the caller's lock; Wake from any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>

#include "link/port_result.h"

namespace corvane {

class TcpSocket {
 public:
  TcpSocket();  // makes the wake signal; Ready() says whether it could
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  bool Ready() const;
  bool IsOpen() const;

  // Resolves `host` and connects to the first of its addresses that takes
  // the connection, each within what is left of `limit`. A Wake ends it
  // with NetworkError::kCancelled. Empty on success.
  std::error_code Connect(const std::string& host, uint16_t port, std::chrono::milliseconds limit);
  void Close();

  // Any thread: every wait returns at once until ResetWake.
  void Wake();
  void ResetWake();

  // kOk when bytes (or the end of the stream) can be read, kClosed after a
  // Wake, kTimedOut at the limit (negative: none).
  PortResult WaitReadable(std::chrono::milliseconds timeout);
  // Never blocks: kOk with a count (0: nothing waiting), kLost when the
  // server closed (a read of zero bytes), reset, or stopped answering.
  PortResult Receive(std::span<uint8_t> buffer);
  // Never blocks: kOk with what the system took (possibly 0), kLost when
  // the connection is gone.
  PortResult Send(std::span<const uint8_t> bytes);
  // kOk when Send may take more, kClosed after a Wake, kLost when gone.
  PortResult WaitWritable();

  // UI thread, right after Connect: true when the server ends the
  // connection within `limit` (whatever it sent before stays to be read).
  // False at the limit or on a Wake.
  bool ServerHangsUpWithin(std::chrono::milliseconds limit);

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};

}  // namespace corvane
