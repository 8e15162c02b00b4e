// corvane-cli's command line: one command (backup, restore, screenshot,
// log), the port, and the command's files and numbers, read into plain data
// so that the session never sees the parser.
//
// Threads: main thread, once.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/exit_codes.h"

namespace corvane::cli {

enum class Command { kBackup, kRestore, kScreenshot, kLog, kRecord, kExport };

// Where the controller is: COM `port` as the window names it, or a device
// path (--device).
struct LinkTarget {
  int port = 0;        // 1..100 when set; 0 with a device
  std::string device;  // empty with a port
};

// A controller of a run: its name, for its file and the summary table.
struct Controller {
  std::string name;
  LinkTarget target;
};

// The highest COM number the window's port dialog accepts.
inline constexpr int kHighestPort = 100;

inline constexpr std::chrono::seconds kDefaultTimeout{10};
// Controllers worked on at once in a fleet run. Each waits on its own
// line and costs little CPU; each session holds about 10 MB of buffers.
inline constexpr int kDefaultJobs = 16;
inline constexpr int kMostJobs = 64;

struct CliOptions {
  Command command = Command::kScreenshot;
  LinkTarget target;
  // backup, screenshot, log, record: every controller of the run, in order
  // (the one of `target` when there is one).
  std::vector<Controller> controllers;
  // Several controllers, or a list of them: one file each, a summary
  // table, the worst status.
  bool fleet = false;
  int jobs = kDefaultJobs;
  // -o as written, its fields (output_pattern.h) not yet filled in.
  std::string output_pattern;
  std::chrono::milliseconds timeout{kDefaultTimeout};
  bool quiet = false;
  // backup: 0 for every station, else 1..8.
  int station = 0;
  // restore: the station every record is rewritten for, 1..8.
  std::optional<int> to_station;
  // backup, screenshot, log: -o FILE; restore: the parameter file.
  std::filesystem::path file;
  // log: how long to listen.
  std::chrono::milliseconds log_time{0};
  // record: how long; none: until Ctrl+C.
  std::optional<std::chrono::milliseconds> record_time;
  // record: a new numbered file past this size or age (0: never), and how
  // many of the newest to keep (0: all).
  uint64_t max_file_bytes = 0;
  std::chrono::seconds max_file_age{0};
  int keep_files = 0;
  // export: the recording, and the time in it (a picture) or the stretch
  // of it [from, to) (a clip).
  std::filesystem::path recording;
  std::chrono::microseconds at{0};
  bool clip = false;
  std::chrono::microseconds from{0};
  std::chrono::microseconds to{0};
};

// A time in a recording as the operator writes it: seconds ("90", "90.5")
// or minutes and seconds, with hours before them ("1:30", "1:02:03.5").
std::optional<std::chrono::microseconds> ParseRecordingTime(std::string_view text);

struct ParsedCommandLine {
  std::optional<CliOptions> options;  // none: exit at once with `exit`
  ExitCode exit = ExitCode::kSuccess;
  std::string output;  // --help text (for stdout) or the error (for stderr)
};

// `args` without the program name.
ParsedCommandLine ParseCommandLine(std::span<const std::string> args);

}  // namespace corvane::cli
