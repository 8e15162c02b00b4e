// The device server's TCP connection on POSIX sockets.
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "link/network_address.h"
#include "link/tcp_socket.h"
#include "link/wait_deadline.h"

namespace corvane {

struct TcpSocket::Platform {
  int fd = -1;
  // Written by Wake and left readable until ResetWake, so every poll after
  // the wake returns at once.
  int wake_fd = -1;
};

namespace {

constexpr int kKeepIdleSeconds = 4;
constexpr int kKeepIntervalSeconds = 2;
constexpr int kKeepCount = 3;
constexpr unsigned kUnacknowledgedLimitMs = 10000;

std::error_code Errno(int error) { return {error, std::generic_category()}; }

bool SetInt(int fd, int level, int name, int value) {
  return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

std::error_code Tune(int fd) {
  if (!SetInt(fd, IPPROTO_TCP, TCP_NODELAY, 1) || !SetInt(fd, SOL_SOCKET, SO_KEEPALIVE, 1) ||
      !SetInt(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds) ||
      !SetInt(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds) ||
      !SetInt(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount)) {
    return Errno(errno);
  }
  const unsigned limit = kUnacknowledgedLimitMs;
  if (setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &limit, sizeof limit) != 0) return Errno(errno);
  return {};
}

// The errors of a connection that is gone for good.
bool IsConnectionGone(int error) {
  return error == ECONNRESET || error == EPIPE || error == ETIMEDOUT || error == ENOTCONN ||
         error == EHOSTUNREACH || error == ENETUNREACH || error == ECONNABORTED;
}

PortResult FromErrno(int error, uint32_t count = 0) {
  return {IsConnectionGone(error) ? PortStatus::kLost : PortStatus::kFailed, count, Errno(error)};
}

}  // namespace

TcpSocket::TcpSocket() : platform_(std::make_unique<Platform>()) {
  platform_->wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TcpSocket::~TcpSocket() {
  Close();
  if (platform_->wake_fd >= 0) close(platform_->wake_fd);
}

bool TcpSocket::Ready() const { return platform_->wake_fd >= 0; }
bool TcpSocket::IsOpen() const { return platform_->fd >= 0; }

void TcpSocket::Wake() {
  if (platform_->wake_fd < 0) return;
  const uint64_t one = 1;
  // Fails only with the counter near overflow, which leaves it readable.
  [[maybe_unused]] const ssize_t n = write(platform_->wake_fd, &one, sizeof one);
}

void TcpSocket::ResetWake() {
  uint64_t value = 0;
  while (platform_->wake_fd >= 0 &&
         read(platform_->wake_fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value)) {
  }
}

std::error_code TcpSocket::Connect(const std::string& host, uint16_t port,
                                   std::chrono::milliseconds limit) {
  if (IsOpen()) return Errno(EISCONN);
  if (!Ready()) return Errno(EMFILE);
  const WaitDeadline deadline(limit);

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const int lookup = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (lookup != 0) {
    if (lookup == EAI_SYSTEM) return Errno(errno);
    return MakeErrorCode(lookup == EAI_AGAIN || lookup == EAI_FAIL ? NetworkError::kLookupFailed
                                                                   : NetworkError::kUnknownHost);
  }
  std::error_code last = MakeErrorCode(NetworkError::kUnknownHost);
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd =
        socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      last = Errno(errno);
      continue;
    }
    last = Tune(fd);
    if (!last && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      last = errno == EINPROGRESS ? std::error_code{} : Errno(errno);
      while (!last) {
        const int64_t left = deadline.MsLeft();
        if (left == 0) {
          last = MakeErrorCode(NetworkError::kConnectTimedOut);
          break;
        }
        pollfd fds[2] = {{fd, POLLOUT, 0}, {platform_->wake_fd, POLLIN, 0}};
        const int ready = poll(fds, 2, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
          last = Errno(errno);
        } else if (fds[1].revents != 0) {
          last = MakeErrorCode(NetworkError::kCancelled);
        } else if (fds[0].revents != 0) {
          int error = 0;
          socklen_t length = sizeof error;
          if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
          if (error != 0) last = Errno(error);
          break;
        }
      }
    }
    if (!last) {
      platform_->fd = fd;
      break;
    }
    close(fd);
    const bool out_of_time = last == MakeErrorCode(NetworkError::kConnectTimedOut) ||
                             last == MakeErrorCode(NetworkError::kCancelled);
    if (out_of_time) break;
  }
  freeaddrinfo(found);
  return last;
}

void TcpSocket::Close() {
  if (platform_->fd < 0) return;
  close(platform_->fd);
  platform_->fd = -1;
}

PortResult TcpSocket::WaitReadable(std::chrono::milliseconds timeout) {
  const WaitDeadline deadline(timeout);
  for (;;) {
    pollfd fds[2] = {{platform_->fd, POLLIN, 0}, {platform_->wake_fd, POLLIN, 0}};
    const int ready = poll(fds, 2, static_cast<int>(deadline.MsLeft()));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    if (ready == 0) return {PortStatus::kTimedOut};
    if (fds[1].revents != 0) return {PortStatus::kClosed};
    if (fds[0].revents & POLLNVAL) return {PortStatus::kFailed, 0, Errno(EBADF)};
    // A hang-up or an error is read too: the read tells which, and hands
    // on whatever came before it.
    return {};
  }
}

PortResult TcpSocket::Receive(std::span<uint8_t> buffer) {
  if (buffer.empty()) return {};
  for (;;) {
    const ssize_t n = recv(platform_->fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n > 0) return {PortStatus::kOk, static_cast<uint32_t>(n)};
    // The server closed its side: nothing more will come, and a read of
    // nothing must not send the receiver straight back to a wait that
    // returns at once.
    if (n == 0) return {PortStatus::kLost, 0, Errno(ECONNRESET)};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
    return FromErrno(errno);
  }
}

PortResult TcpSocket::Send(std::span<const uint8_t> bytes) {
  for (;;) {
    // MSG_NOSIGNAL: a server that hung up is an error here, not a SIGPIPE.
    const ssize_t n = send(platform_->fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n >= 0) return {PortStatus::kOk, static_cast<uint32_t>(n)};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
    return FromErrno(errno);
  }
}

bool TcpSocket::ServerHangsUpWithin(std::chrono::milliseconds limit) {
  const WaitDeadline deadline(limit);
  for (;;) {
    const int64_t left = deadline.MsLeft();
    if (left == 0) return false;
    // POLLRDHUP alone: the server's greeting (POLLIN) must not end the
    // wait, only its end of the stream, which comes with or without bytes
    // still unread.
    pollfd fds[2] = {{platform_->fd, POLLRDHUP, 0}, {platform_->wake_fd, POLLIN, 0}};
    const int ready = poll(fds, 2, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || fds[1].revents != 0) return false;
    return (fds[0].revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
  }
}

PortResult TcpSocket::WaitWritable() {
  for (;;) {
    pollfd fds[2] = {{platform_->fd, POLLOUT, 0}, {platform_->wake_fd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    if (fds[1].revents != 0) return {PortStatus::kClosed};
    if (fds[0].revents & POLLNVAL) return {PortStatus::kFailed, 0, Errno(EBADF)};
    if (fds[0].revents & (POLLHUP | POLLERR)) {
      int error = 0;
      socklen_t length = sizeof error;
      getsockopt(platform_->fd, SOL_SOCKET, SO_ERROR, &error, &length);
      return {PortStatus::kLost, 0, Errno(error != 0 ? error : ECONNRESET)};
    }
    return {};
  }
}

}  // namespace corvane
