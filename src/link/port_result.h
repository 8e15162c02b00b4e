// What a port call reports, for the serial port and the network port alike.
#pragma once

#include <cstdint>
#include <system_error>

namespace corvane {

enum class PortStatus {
  kOk,        // the call did its work; a read may still have found nothing
  kClosed,    // the close was signalled: the port is being given up
  kLost,      // the device hung up or went away; nothing more will pass
  kFailed,    // any other failure; `error` says which
  kTimedOut,  // a wait ended at its time limit with nothing to report
};

struct PortResult {
  PortStatus status = PortStatus::kOk;
  uint32_t count = 0;       // bytes read or written
  std::error_code error{};  // the system's reason, taken where the call failed; empty when none
};

}  // namespace corvane
