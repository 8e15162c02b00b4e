// The network port: a controller behind a serial device server, reached at
// an rfc2217:// or socket:// address (link/network_address.h). SerialPort
// hands its calls here when it was opened on an address, so the receiver,
// the sender, the watchdog and reconnecting work on it as on a COM port.
//
// The device server's own line settings stay as they are; on rfc2217://
// DTR is raised and the server's buffers are purged at open, on socket://
// neither can be asked for (the receiver skips whatever stale bytes come
// before the first "{", as it skips any noise).
//
// Threads, as SerialPort's: Open and Close on the UI thread while no worker
// runs, or on the one thread that opens the link in its place (the link
// belongs to it until it is joined); Wait and Read on the receiver thread;
// Write on the sender thread; SignalClose from any thread, also while Open
// connects. The Telnet state
// and the bytes not yet sent are shared by the receiver (which answers the
// server's requests) and the sender, under `out_mutex_`; nothing waits for
// the network while holding it.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <stop_token>
#include <string>
#include <system_error>
#include <vector>

#include "link/network_address.h"
#include "link/port_result.h"
#include "link/tcp_socket.h"
#include "link/telnet_codec.h"

namespace corvane {

// How long an open may try to reach the server.
inline constexpr std::chrono::milliseconds kConnectLimit{5000};
// How long an open watches for the server hanging up at once: a device
// server whose serial line is taken by another client accepts the
// connection, may say so in text ("Port already in use"), and closes it.
// Short, as every open pays it.
inline constexpr std::chrono::milliseconds kRefusalWatch{250};

class NetworkPort {
 public:
  NetworkPort();
  NetworkPort(const NetworkPort&) = delete;
  NetworkPort& operator=(const NetworkPort&) = delete;

  // UI thread. Connects and, on rfc2217://, sends the session's opening
  // requests; waits for no answer, only kRefusalWatch for a hang-up, which
  // is reported as a busy port. Empty on success. A SignalClose before this
  // call is forgotten; one during it ends it. A stop of `cancel` is never
  // forgotten, whenever it comes: the wait under way ends at once, as on a
  // SignalClose (the caller then closes what did connect).
  std::error_code Open(const NetworkAddress& address,
                       std::chrono::milliseconds limit = kConnectLimit,
                       std::stop_token cancel = {});
  bool IsOpen() const { return socket_.IsOpen(); }
  void SignalClose() { socket_.Wake(); }
  // UI thread, with the workers joined.
  void Close();

  PortResult Wait(std::chrono::milliseconds timeout) { return socket_.WaitReadable(timeout); }
  // Reads and decodes what has arrived: at most `maximum` bytes for the
  // controller. A count of 0 with kOk may also mean that only the server's
  // own Telnet traffic came.
  PortResult Read(std::span<uint8_t> buffer, uint32_t maximum);
  // Sends the whole block, encoded; only a close or a lost connection ends
  // it early.
  PortResult Write(std::span<const uint8_t> bytes);

  // What the server has not answered so far ("" when all, or on socket://);
  // kept after the close, for the log, until the next open.
  std::string Unanswered() const;

 private:
  // Under out_mutex_: sends what the system takes now, never waiting.
  PortResult FlushLocked();

  TcpSocket socket_;
  bool telnet_ = false;

  mutable std::mutex out_mutex_;
  TelnetCodec codec_;          // out_mutex_
  std::vector<uint8_t> out_;   // out_mutex_: encoded bytes not yet sent, from out_head_
  size_t out_head_ = 0;        // out_mutex_
  uint64_t sent_total_ = 0;    // out_mutex_: bytes ever sent on this connection
  uint64_t queued_total_ = 0;  // out_mutex_: bytes ever put into out_

  std::vector<uint8_t> raw_;  // receiver: what the socket gave, before decoding
};

}  // namespace corvane
