// The controllers of a fleet run: each with a name (for its file and the
// summary) and where it is, read from the operator's list of controllers or
// from the command line.
//
// The list is plain text, one controller a line: a name without blanks,
// then blanks, then where it is. A '#' begins a comment (at the start of a
// line or after a blank); blank lines are skipped:
//
//   # hall 2
//   press-7    rfc2217://plc7.example:4001
//   oven       socket://10.0.4.18:4002
//   bench      COM3
//   spare      /dev/ttyUSB0
//
// Where: a device server's address, "COM<n>" (or the bare number) as the
// window numbers ports, or a device path.
//
// Threads: pure functions, any thread; ReadControllerList reads one file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"

namespace corvane::cli {

// Read when --all is given without --devices: the list in the working
// folder.
inline constexpr std::string_view kDefaultControllerList = "controllers.txt";

// `where` as a list line or --port/--device write it: "COM7", "com7" or "7"
// for a port, anything else a device. None, with `error` set, for a COM
// number outside 1..100 or an address that cannot be one.
std::optional<LinkTarget> ParseControllerPlace(std::string_view where, std::string& error);

// The controllers in `text`, in order. None when a line is wrong: `error`
// then says "<source>:<line>: " and why.
std::optional<std::vector<Controller>> ParseControllerList(std::string_view text,
                                                           std::string_view source,
                                                           std::string& error);

// The same from a file. None with `error` when it cannot be read, or a
// line is wrong, or it names no controller at all.
std::optional<std::vector<Controller>> ReadControllerList(const std::filesystem::path& file,
                                                          std::string& error);

// The name a controller given by --port or --device goes by: "COM3", a
// device's file name ("ttyUSB0"), or a device server's "host_port".
std::string ControllerName(const LinkTarget& target);

}  // namespace corvane::cli
