// A real serial device server for the network port's tests: Debian's
// ser2net, run in the foreground on 127.0.0.1 in front of a serial device
// (a pseudo-terminal), with one Telnet/RFC 2217 accepter and one bare TCP
// accepter, on ports the system hands out. Loopback only, ever.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/end_child.h"

namespace corvane::testing {

// A loopback port nobody listens on just now (the system's choice; it is
// free again when this returns, so a server started next can take it).
inline uint16_t FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  uint16_t port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  EXPECT_NE(port, 0) << "no free loopback port";
  return port;
}

// True once something listens on 127.0.0.1:`port` (read from the kernel's
// table, so that looking does not open a connection to the server).
inline bool ListensOnLoopback(uint16_t port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::ostringstream wanted;
  wanted << "0100007F:" << std::uppercase << std::hex;
  wanted.width(4);
  wanted.fill('0');
  wanted << port;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (local == wanted.str() && state == "0A") return true;
  }
  return false;
}

class Ser2net {
 public:
  Ser2net(const std::filesystem::path& dir, const std::string& device)
      : telnet_port_(FreeLoopbackPort()), raw_port_(FreeLoopbackPort()) {
    const std::filesystem::path config = dir / "ser2net.yaml";
    std::ofstream(config) << "%YAML 1.1\n---\n"
                          << Connection("rfc2217", "telnet(rfc2217),tcp,127.0.0.1,", telnet_port_,
                                        device)
                          << Connection("raw", "tcp,127.0.0.1,", raw_port_, device);
    config_ = config.string();
    log_ = (dir / "ser2net.log").string();
    Start();
  }
  ~Ser2net() { Stop(); }
  Ser2net(const Ser2net&) = delete;
  Ser2net& operator=(const Ser2net&) = delete;

  // (Again) serves the same ports, once it listens on both.
  void Start() {
    std::string program = CORVANE_SER2NET_PATH;
    if (program.empty()) {
      ADD_FAILURE() << "ser2net is not installed (scripts/install-deps.sh installs it)";
      return;
    }
    // No UUCP lock file in /var/lock: a server killed by Stop would leave
    // it behind.
    std::string no_fork = "-n", foreground = "-d", no_lock = "-u", with = "-c";
    char* argv[] = {program.data(), no_fork.data(), foreground.data(), no_lock.data(), with.data(),
                    config_.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv, nullptr), 0);
    posix_spawn_file_actions_destroy(&actions);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(ListensOnLoopback(telnet_port_) && ListensOnLoopback(raw_port_))) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "ser2net did not listen; see " << log_;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // The server goes away, closing its connections as it goes.
  void Stop() {
    EndChild(pid_, "ser2net");
    pid_ = -1;
  }

  std::string Rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(telnet_port_); }
  std::string SocketUrl() const { return "socket://127.0.0.1:" + std::to_string(raw_port_); }

 private:
  static std::string Connection(const std::string& name, const std::string& accepter, uint16_t port,
                                const std::string& device) {
    // A pseudo-terminal has no modem lines ("local"); chardelay off, or
    // ser2net holds bytes back to gather them.
    return "connection: &" + name + "\n  accepter: " + accepter + std::to_string(port) +
           "\n  connector: serialdev," + device + ",local\n  options:\n    chardelay: false\n";
  }

  uint16_t telnet_port_;
  uint16_t raw_port_;
  std::string config_;
  std::string log_;
  pid_t pid_ = -1;
};

}  // namespace corvane::testing
