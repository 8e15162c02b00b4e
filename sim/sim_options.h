// Command line of mirelon-sim.
//
// Threads: called once by main.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "protocol_engine.h"

namespace corvane::sim {

struct SimOptions {
  int port = 3;            // the link is named "com<port>"
  std::string dir = ".";   // where the link is made
  int64_t baud = 0;        // 0: unpaced
  uint64_t seed = 1;
  std::string log_path;    // empty: no log
  FaultOptions faults;
  int64_t frames_limit = 0;       // 0: no limit
  int64_t exit_after_ms = 0;      // 0: run until a signal
  bool help = false;
};

struct ParsedOptions {
  SimOptions options;
  std::string error;  // empty when the command line was valid
};

// `args` without the program name. Accepts "--name value" and "--name=value".
ParsedOptions ParseSimOptions(std::span<const std::string_view> args);

// The --help text.
std::string_view SimHelpText();

}  // namespace corvane::sim
