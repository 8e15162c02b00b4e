// Reconnecting by itself. Operators replug USB adapters and power-cycle
// controllers and device servers all day; after the device of a link went
// away, Corvane tries the same port (or the same address) again about once
// a second, quietly, until it opens, the
// operator chooses another port, or the program ends. The caption says so
// while it waits; once the port opens, the new link asks for the screen by
// itself, so nothing needs confirming. A device server is tried off the UI
// thread (LinkControl::OpenLink), and the next try is a period after the
// answer, as after a COM port's.
//
// Threads: UI thread only (the link's loss reaches it through the
// scheduler's Post).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <system_error>

#include "app/front_end.h"

namespace corvane {

inline constexpr std::chrono::milliseconds kReconnectPeriod{1000};

class Reconnector {
 public:
  Reconnector(LinkControl& link, const PortSetting& port, WindowControl& window,
              UiScheduler& scheduler, std::chrono::milliseconds period = kReconnectPeriod);
  Reconnector(const Reconnector&) = delete;
  Reconnector& operator=(const Reconnector&) = delete;

  // The link on COM `port`, or on the device server at `address` when that
  // is not empty, went down by itself: start trying it again.
  void LinkLost(int port, std::string address = {});
  // No more tries (the program is ending).
  void Stop();
  // True between a loss and the try that opens the port (or a stop).
  bool Waiting() const { return waiting_; }
  // Tries that found the port still closed, over the program's life.
  uint64_t FailedTries() const { return failed_tries_; }

 private:
  void ScheduleTry();
  void Try(uint64_t series);
  // How the open of a try ended.
  void Tried(uint64_t series, std::error_code failed);

  LinkControl& link_;
  const PortSetting& port_;
  WindowControl& window_;
  UiScheduler& scheduler_;
  const std::chrono::milliseconds period_;
  // Each loss starts a new series of tries; a try of an older series (or
  // after a stop) does nothing.
  uint64_t series_ = 0;
  int lost_port_ = 0;
  std::string lost_address_;
  bool waiting_ = false;
  uint64_t failed_tries_ = 0;
};

}  // namespace corvane
