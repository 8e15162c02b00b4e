#include "pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace corvane::sim {
namespace {

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

PseudoTerminal::~PseudoTerminal() { Close(); }

void PseudoTerminal::Close() {
  if (slave_hold_ >= 0) ::close(slave_hold_);
  if (master_ >= 0) ::close(master_);
  slave_hold_ = -1;
  master_ = -1;
  slave_path_.clear();
}

bool PseudoTerminal::Open(std::string& error) {
  Close();
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) {
    error = ErrnoText("posix_openpt");
    return false;
  }
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    error = ErrnoText("grantpt/unlockpt");
    Close();
    return false;
  }
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) {
    error = ErrnoText("ptsname_r");
    Close();
    return false;
  }
  slave_path_ = name;
  slave_hold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_hold_ < 0) {
    error = ErrnoText(("open " + slave_path_).c_str());
    Close();
    return false;
  }
  termios tio{};
  if (::tcgetattr(slave_hold_, &tio) != 0) {
    error = ErrnoText("tcgetattr");
    Close();
    return false;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  if (::tcsetattr(slave_hold_, TCSANOW, &tio) != 0) {
    error = ErrnoText("tcsetattr");
    Close();
    return false;
  }
  const int flags = ::fcntl(master_, F_GETFL);
  if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
    error = ErrnoText("fcntl O_NONBLOCK");
    Close();
    return false;
  }
  return true;
}

bool MakePortLink(const std::string& link_path, const std::string& target, std::string& error) {
  struct stat st {};
  if (::lstat(link_path.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = link_path + " exists and is not a symbolic link; not touching it";
      return false;
    }
    if (::unlink(link_path.c_str()) != 0) {
      error = ErrnoText(("remove old link " + link_path).c_str());
      return false;
    }
  }
  if (::symlink(target.c_str(), link_path.c_str()) != 0) {
    error = ErrnoText(("symlink " + link_path).c_str());
    return false;
  }
  return true;
}

void RemovePortLink(const std::string& link_path, const std::string& target) {
  std::vector<char> buf(target.size() + 2);
  const ssize_t n = ::readlink(link_path.c_str(), buf.data(), buf.size());
  if (n < 0 || static_cast<size_t>(n) != target.size() ||
      std::memcmp(buf.data(), target.data(), target.size()) != 0) {
    return;
  }
  ::unlink(link_path.c_str());
}

}  // namespace corvane::sim
