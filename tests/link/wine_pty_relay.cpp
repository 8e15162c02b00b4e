// The far end of a COM port for the Windows test programs under Wine. A
// Windows program cannot make a pseudo-terminal, so it starts this Linux
// program, which makes one, links the slave as the first free
// "$WINEPREFIX/dosdevices/com<n>" from 10 up (where Wine looks up COMn), and
// relays the master to and from a TCP connection to the test on 127.0.0.1.
//
//   wine_pty_relay <dosdevices directory> <tcp port>
//
// Once the link is in place it sends "R<n>\n" over the connection; from
// then on every byte is the line's. The test closing its end hangs up the
// line: the master is closed, as a controller switched off would leave it.
//
// The slave stays open here, raw, for as long as the relay runs: a fresh
// slave is a cooked terminal (echo, CR/LF rewriting), and nothing on the
// Windows side sets it otherwise; held open, it keeps these settings
// across the port's opens and closes.
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool WriteAll(int fd, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

int Fail(const char* what) {
  std::perror(what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <dosdevices directory> <tcp port>\n", argv[0]);
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  const std::string directory = argv[1];
  const int tcp_port = std::atoi(argv[2]);

  int master = -1;
  int slave = -1;
  char slave_name[256] = {};
  if (openpty(&master, &slave, slave_name, nullptr, nullptr) != 0) return Fail("openpty");
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  if (tcsetattr(slave, TCSANOW, &raw) != 0) return Fail("tcsetattr");

  // symlink() refuses a name that exists, so two relays never share a port.
  std::string link;
  int port_number = 0;
  for (int n = 10; n <= 255 && port_number == 0; ++n) {
    const std::string candidate = directory + "/com" + std::to_string(n);
    if (symlink(slave_name, candidate.c_str()) == 0) {
      link = candidate;
      port_number = n;
    } else if (errno != EEXIST) {
      return Fail("symlink");
    }
  }
  if (port_number == 0) return Fail("no free com<n> name");

  const int test = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(tcp_port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (test < 0 || connect(test, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    unlink(link.c_str());
    return Fail("connect");
  }
  const std::string ready = "R" + std::to_string(port_number) + "\n";
  if (!WriteAll(test, ready.data(), ready.size())) {
    unlink(link.c_str());
    return Fail("ready");
  }

  char buffer[65536];
  for (;;) {
    pollfd fds[2] = {{master, POLLIN, 0}, {test, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) {
      const ssize_t n = read(test, buffer, sizeof buffer);
      if (n <= 0) break;  // the test hung up the line
      if (!WriteAll(master, buffer, static_cast<size_t>(n))) break;
    }
    if (fds[0].revents & POLLIN) {
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0 && !WriteAll(test, buffer, static_cast<size_t>(n))) break;
    }
  }
  close(master);
  unlink(link.c_str());
  // The slave stays open a moment longer than the master, so that the port
  // side sees the line hang up rather than the terminal vanish.
  usleep(200 * 1000);
  close(slave);
  close(test);
  return 0;
}
