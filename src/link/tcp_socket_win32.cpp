// The device server's TCP connection on Winsock.
//
// The socket is tied to one event of its own for reading and the end of
// the stream (WSAEventSelect), which the receiver waits on together with
// the wake event. WSAEventSelect also makes the socket non-blocking, so a
// receive or a send never waits; a sender that finds the server's window
// full looks again at short intervals, the one case that is not woken by
// an event, and a rare one (the server has stopped reading).
// winsock2.h first: windows.h alone brings the old winsock.h, which
// clashes with it.
#include <winsock2.h>

#include <mstcpip.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "link/network_address.h"
#include "link/tcp_socket.h"
#include "link/wait_deadline.h"

namespace corvane {

struct TcpSocket::Platform {
  bool started = false;  // WSAStartup succeeded
  SOCKET socket = INVALID_SOCKET;
  WSAEVENT network = WSA_INVALID_EVENT;  // FD_READ, FD_CLOSE, FD_CONNECT of `socket`
  // Manual-reset, set by Wake and reset only by ResetWake.
  HANDLE wake = nullptr;
  bool ended = false;  // receiver thread: FD_CLOSE seen
};

namespace {

constexpr ULONG kKeepIdleMs = 4000;
constexpr ULONG kKeepIntervalMs = 2000;  // Windows sends 10 probes: about 24 s
// TCP_MAXRT (ws2ipdef.h), missing from some SDKs: seconds a segment may go
// unacknowledged before the connection is dropped.
constexpr int kTcpMaxRetransmitOption = 5;
constexpr DWORD kMaxRetransmitSeconds = 10;
constexpr DWORD kFullWindowLookMs = 20;

std::error_code WsaError(int error) { return {error, std::system_category()}; }

bool IsConnectionGone(int error) {
  return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAETIMEDOUT ||
         error == WSAENOTCONN || error == WSAESHUTDOWN || error == WSAENETRESET ||
         error == WSAEHOSTUNREACH || error == WSAENETUNREACH;
}

PortResult FromWsa(int error, uint32_t count = 0) {
  return {IsConnectionGone(error) ? PortStatus::kLost : PortStatus::kFailed, count,
          WsaError(error)};
}

std::error_code Tune(SOCKET s) {
  const BOOL on = TRUE;
  if (setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on) != 0) {
    return WsaError(WSAGetLastError());
  }
  // Per socket: the system's own keepalive starts after two hours.
  tcp_keepalive keepalive{1, kKeepIdleMs, kKeepIntervalMs};
  DWORD returned = 0;
  if (WSAIoctl(s, SIO_KEEPALIVE_VALS, &keepalive, sizeof keepalive, nullptr, 0, &returned, nullptr,
               nullptr) != 0) {
    return WsaError(WSAGetLastError());
  }
  // Not every Windows (nor Wine) knows it; keepalive still finds a server
  // that vanished while the line was idle.
  const DWORD max_rt = kMaxRetransmitSeconds;
  setsockopt(s, IPPROTO_TCP, kTcpMaxRetransmitOption, reinterpret_cast<const char*>(&max_rt),
             sizeof max_rt);
  return {};
}

}  // namespace

TcpSocket::TcpSocket() : platform_(std::make_unique<Platform>()) {
  WSADATA data{};
  platform_->started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  platform_->wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (platform_->started) platform_->network = WSACreateEvent();
}

TcpSocket::~TcpSocket() {
  Close();
  if (platform_->network != WSA_INVALID_EVENT) WSACloseEvent(platform_->network);
  if (platform_->wake != nullptr) CloseHandle(platform_->wake);
  if (platform_->started) WSACleanup();
}

bool TcpSocket::Ready() const {
  return platform_->started && platform_->wake != nullptr &&
         platform_->network != WSA_INVALID_EVENT;
}

bool TcpSocket::IsOpen() const { return platform_->socket != INVALID_SOCKET; }

void TcpSocket::Wake() {
  if (platform_->wake != nullptr) SetEvent(platform_->wake);
}

void TcpSocket::ResetWake() {
  if (platform_->wake != nullptr) ResetEvent(platform_->wake);
}

std::error_code TcpSocket::Connect(const std::string& host, uint16_t port,
                                   std::chrono::milliseconds limit) {
  Platform& p = *platform_;
  if (IsOpen()) return WsaError(WSAEISCONN);
  if (!Ready()) return WsaError(WSANOTINITIALISED);
  const WaitDeadline deadline(limit);

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const int lookup = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (lookup != 0) {
    return MakeErrorCode(lookup == WSATRY_AGAIN || lookup == WSANO_RECOVERY
                             ? NetworkError::kLookupFailed
                             : NetworkError::kUnknownHost);
  }
  std::error_code last = MakeErrorCode(NetworkError::kUnknownHost);
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) {
      last = WsaError(WSAGetLastError());
      continue;
    }
    WSAResetEvent(p.network);
    last = Tune(s);
    if (!last && WSAEventSelect(s, p.network, FD_CONNECT | FD_READ | FD_CLOSE) != 0) {
      last = WsaError(WSAGetLastError());
    }
    if (!last && connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
      const int error = WSAGetLastError();
      last = error == WSAEWOULDBLOCK ? std::error_code{} : WsaError(error);
      while (!last) {
        const int64_t left = deadline.MsLeft();
        if (left == 0) {
          last = MakeErrorCode(NetworkError::kConnectTimedOut);
          break;
        }
        const HANDLE events[2] = {p.network, p.wake};
        const DWORD woke = WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(left));
        if (woke == WAIT_OBJECT_0 + 1) {
          last = MakeErrorCode(NetworkError::kCancelled);
        } else if (woke == WAIT_OBJECT_0) {
          WSANETWORKEVENTS happened{};
          if (WSAEnumNetworkEvents(s, p.network, &happened) != 0) {
            last = WsaError(WSAGetLastError());
          } else if (happened.lNetworkEvents & FD_CONNECT) {
            const int result = happened.iErrorCode[FD_CONNECT_BIT];
            if (result != 0) last = WsaError(result);
            // A FD_READ or FD_CLOSE recorded with the connect is gone
            // from the record now; the first wait looks at the socket
            // itself, so nothing is missed.
            break;
          }
        } else if (woke != WAIT_TIMEOUT) {
          last = WsaError(static_cast<int>(GetLastError()));
        }
      }
    }
    if (!last) {
      p.socket = s;
      p.ended = false;
      break;
    }
    closesocket(s);
    const bool out_of_time = last == MakeErrorCode(NetworkError::kConnectTimedOut) ||
                             last == MakeErrorCode(NetworkError::kCancelled);
    if (out_of_time) break;
  }
  freeaddrinfo(found);
  return last;
}

void TcpSocket::Close() {
  if (platform_->socket == INVALID_SOCKET) return;
  closesocket(platform_->socket);
  platform_->socket = INVALID_SOCKET;
}

PortResult TcpSocket::WaitReadable(std::chrono::milliseconds timeout) {
  Platform& p = *platform_;
  const WaitDeadline deadline(timeout);
  for (;;) {
    if (WaitForSingleObject(p.wake, 0) == WAIT_OBJECT_0) return {PortStatus::kClosed};
    // Looked at directly, not only through the event: FD_READ is posted
    // again only after a receive, and a wait may come before any.
    u_long waiting = 0;
    if (ioctlsocket(p.socket, FIONREAD, &waiting) != 0) return FromWsa(WSAGetLastError());
    if (waiting > 0 || p.ended) return {};
    const DWORD wait_ms = deadline.Forever() ? INFINITE : static_cast<DWORD>(deadline.MsLeft());
    const HANDLE events[2] = {p.network, p.wake};
    const DWORD woke = WaitForMultipleObjects(2, events, FALSE, wait_ms);
    if (woke == WAIT_OBJECT_0 + 1) return {PortStatus::kClosed};
    if (woke == WAIT_TIMEOUT) return {PortStatus::kTimedOut};
    if (woke != WAIT_OBJECT_0) return {PortStatus::kFailed, 0, WsaError(int(GetLastError()))};
    WSANETWORKEVENTS happened{};
    if (WSAEnumNetworkEvents(p.socket, p.network, &happened) != 0) {
      return FromWsa(WSAGetLastError());
    }
    // The end of the stream (or its error) is for the read to report.
    if (happened.lNetworkEvents & FD_CLOSE) p.ended = true;
  }
}

PortResult TcpSocket::Receive(std::span<uint8_t> buffer) {
  if (buffer.empty()) return {};
  const int length = static_cast<int>(std::min<size_t>(buffer.size(), 1 << 30));
  const int n = recv(platform_->socket, reinterpret_cast<char*>(buffer.data()), length, 0);
  if (n > 0) return {PortStatus::kOk, static_cast<uint32_t>(n)};
  // The server closed its side: a read of nothing is the end of the link,
  // never a reason to wait again at once.
  if (n == 0) return {PortStatus::kLost, 0, WsaError(WSAECONNRESET)};
  const int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) return {};
  return FromWsa(error);
}

PortResult TcpSocket::Send(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(std::min<size_t>(bytes.size(), 1 << 30));
  const int n = send(platform_->socket, reinterpret_cast<const char*>(bytes.data()), length, 0);
  if (n >= 0) return {PortStatus::kOk, static_cast<uint32_t>(n)};
  const int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) return {};
  return FromWsa(error);
}

bool TcpSocket::ServerHangsUpWithin(std::chrono::milliseconds limit) {
  Platform& p = *platform_;
  const WaitDeadline deadline(limit);
  while (!p.ended) {
    const int64_t left = deadline.MsLeft();
    if (left == 0) return false;
    const HANDLE events[2] = {p.network, p.wake};
    const DWORD woke = WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(left));
    if (woke != WAIT_OBJECT_0) return false;
    // A greeting's FD_READ is taken off the record here too; the receiver's
    // wait looks at the socket itself, so it is not missed.
    WSANETWORKEVENTS happened{};
    if (WSAEnumNetworkEvents(p.socket, p.network, &happened) != 0) return false;
    if (happened.lNetworkEvents & FD_CLOSE) p.ended = true;
  }
  return true;
}

PortResult TcpSocket::WaitWritable() {
  Platform& p = *platform_;
  for (;;) {
    WSAPOLLFD fd{p.socket, POLLWRNORM, 0};
    const int ready = WSAPoll(&fd, 1, 0);
    if (ready < 0) return FromWsa(WSAGetLastError());
    if (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) {
      return {PortStatus::kLost, 0, WsaError(WSAECONNRESET)};
    }
    if (ready > 0) return {};
    if (WaitForSingleObject(p.wake, kFullWindowLookMs) == WAIT_OBJECT_0) {
      return {PortStatus::kClosed};
    }
  }
}

}  // namespace corvane
