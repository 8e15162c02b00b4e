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
  int port = 3;           // the link is named "com<port>"
  std::string dir = ".";  // where the link is made
  int64_t baud = 0;       // 0: unpaced
  uint64_t seed = 1;
  std::string log_path;     // empty: no log
  std::string replay_path;  // empty: the panel; else the recording whose images are served
  FaultOptions faults;
  int64_t frames_limit = 0;   // 0: no limit
  int64_t exit_after_ms = 0;  // 0: run until a signal
  bool help = false;

  bool operator==(const SimOptions&) const = default;
};

struct ParsedOptions {
  SimOptions options;
  std::string error;  // empty when the command line was valid
};

// Where an option is listed in --help.
enum class HelpSection { kGeneral, kFaults };

// One option, whole: the parser, the --help text and the tests all read the
// one table of these, so no option can be known to one and missing from
// another.
struct SimOption {
  std::string_view name;        // "--port"
  std::string_view value_name;  // as --help shows it ("N"); empty: a switch
  HelpSection section;
  std::string_view help;  // lines after the first go indented under it
  // Takes `value` into `options`. Empty when it did; otherwise why not,
  // worded to follow "option <name> ".
  std::string (*apply)(std::string_view value, SimOptions& options);
  std::string_view alias = {};  // a second spelling ("-h"), never split at "="
};

std::span<const SimOption> SimOptionTable();

// `args` without the program name. Accepts "--name value" and "--name=value".
ParsedOptions ParseSimOptions(std::span<const std::string_view> args);

// The --help text.
std::string_view SimHelpText();

}  // namespace corvane::sim
