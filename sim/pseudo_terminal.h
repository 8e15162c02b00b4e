// The simulator's end of the serial line: a pseudo-terminal whose far
// (slave) side Corvane opens through a "comN" link, as it would a real port.
//
// Threads: single-threaded; owned by main.
#pragma once

#include <string>

namespace corvane::sim {

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Opens a new pair: the master non-blocking, the slave in raw mode (no
  // echo, no line editing, no CR/LF translation, 8-bit clean) and held open
  // by the simulator itself, so that Corvane opening and closing the port
  // never leaves the master hung up. False with `error` set on failure.
  bool Open(std::string& error);
  void Close();

  int MasterFd() const { return master_; }
  const std::string& SlavePath() const { return slave_path_; }

 private:
  int master_ = -1;
  int slave_hold_ = -1;
  std::string slave_path_;
};

// Makes `link_path` a symbolic link to `target`. A symbolic link already
// there (left by a simulator that was killed) is replaced; any other file is
// left alone and reported.
bool MakePortLink(const std::string& link_path, const std::string& target, std::string& error);
// Removes `link_path` if it still points at `target`, so a link that
// another simulator has taken over since is not pulled from under it.
void RemovePortLink(const std::string& link_path, const std::string& target);

}  // namespace corvane::sim
