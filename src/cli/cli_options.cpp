#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "cli/controller_list.h"
#include "cli/output_pattern.h"
#include "files/path_text.h"

namespace corvane::cli {

namespace {

constexpr std::string_view kDescription =
    "corvane-cli: backs up and restores the Mirelon controller's station parameters, saves\n"
    "its screen, logs the serial traffic and records what the controller showed, over the\n"
    "same link as the Corvane window.\n"
    "The port is opened exclusively: while Corvane holds it, corvane-cli is refused, and\n"
    "the other way round. Progress goes to standard error when that is a terminal.";

constexpr std::string_view kDeviceHelp =
    "the serial device itself instead of a COM number (e.g. /dev/ttyUSB0, \\\\.\\COM12), or "
    "a serial device server's address: rfc2217://host:port (Telnet with the COM-PORT-OPTION) "
    "or socket://host:port (bare TCP)";

// What export writes, by the output's name.
constexpr std::string_view kClipOutputHelp =
    "the file to write: a .png with --at; with --from and --to a clip: on Linux a .gif (every "
    "pixel exact, the controller's 16 colours) or an .mp4 (H.264, twice the size each way so "
    "that no colour bleeds into the next pixel, but the brightness coded with loss: for "
    "watching, not for comparing pixels); on Linux and Windows a new folder (a name without "
    "an extension) of PNG frames and frames.txt, their times";

// The controllers a command that can work on several is given, before
// they are read into CliOptions::controllers.
struct FleetInputs {
  std::vector<int> ports;
  std::vector<std::string> devices;
  std::string list;
  bool all = false;  // backup's --all is read where it is declared
};

void AddLinkOptions(CLI::App& command, CliOptions& options, double& timeout_seconds,
                    FleetInputs* fleet = nullptr) {
  if (fleet == nullptr) {
    CLI::Option* port =
        command.add_option("--port", options.target.port, "COM port number (1-100), as in Corvane")
            ->check(CLI::Range(1, kHighestPort));
    CLI::Option* device =
        command.add_option("--device", options.target.device, std::string(kDeviceHelp));
    port->excludes(device);
  } else {
    // One value each time: repeated, they name several controllers.
    command
        .add_option("--port", fleet->ports,
                    "COM port number (1-100), as in Corvane; repeat it for several controllers")
        ->check(CLI::Range(1, kHighestPort))
        ->allow_extra_args(false);
    command.add_option("--device", fleet->devices, std::string(kDeviceHelp) + "; repeatable")
        ->allow_extra_args(false);
    command.add_option("--devices", fleet->list,
                       "a list of controllers, one a line: a name, blanks, and a COM number, "
                       "device or address; '#' begins a comment. Every controller in it is "
                       "worked on");
    command
        .add_option("--jobs", options.jobs,
                    "with several controllers: how many are worked on at once (default " +
                        std::to_string(kDefaultJobs) + ")")
        ->check(CLI::Range(1, kMostJobs));
  }
  command
      .add_option("--timeout", timeout_seconds,
                  "seconds to wait for the controller to answer, or to go on answering "
                  "(default 10)")
      ->check(CLI::Range(0.1, 3600.0));
  command.add_flag("-q,--quiet", options.quiet, "print errors only");
}

void AddAllControllers(CLI::App& command, FleetInputs& fleet) {
  command.add_flag("--all", fleet.all,
                   "every controller in the list (--devices, else controllers.txt in the "
                   "working folder)");
}

std::string OutputHelp(std::string_view what) {
  return std::string(what) +
         "; with several controllers a pattern that names each, such as "
         "backups/{name}-{date}.spb: {name} the controller's name, {n} its place (1, 2, ...), "
         "{date} (YYYY-MM-DD) and {time} (HHMMSS) the run's start";
}

// The controllers of backup, screenshot, log or record into `options`:
// named by --port and --device in the order given, or read from a list.
// Empty when that went well; else the error.
std::string ReadControllers(const CLI::App& command, const FleetInputs& fleet, bool all,
                            CliOptions& options) {
  const bool named = !fleet.ports.empty() || !fleet.devices.empty();
  const bool listed = !fleet.list.empty() || command.count("--devices") != 0;
  if (named && listed) {
    return "--devices takes the controllers from a list; --port and --device name them here: "
           "give one or the other.";
  }
  // backup's --all beside --port or --device is all stations, as it always was.
  if (listed || (all && !named)) {
    std::string error;
    const std::filesystem::path list = fleet.list.empty()
                                           ? std::filesystem::path(kDefaultControllerList)
                                           : PathFromText(fleet.list);
    std::optional<std::vector<Controller>> controllers = ReadControllerList(list, error);
    if (!controllers) return error;
    options.controllers = std::move(*controllers);
    options.fleet = true;
    return {};
  }
  if (!named) {
    return "either --port, --device, --devices or --all is needed.\nRun with --help for more "
           "information.";
  }
  size_t port = 0;
  size_t device = 0;
  for (const CLI::Option* option : command.parse_order()) {
    Controller controller;
    if (option->check_lname("port")) controller.target.port = fleet.ports.at(port++);
    else if (option->check_lname("device")) controller.target.device = fleet.devices.at(device++);
    else continue;
    if (controller.target.port == 0 && controller.target.device.empty()) {
      return "--device needs a device name.";
    }
    controller.name = ControllerName(controller.target);
    for (const Controller& earlier : options.controllers) {
      if (earlier.target.port == controller.target.port &&
          earlier.target.device == controller.target.device) {
        return controller.name + " is named twice.";
      }
    }
    options.controllers.push_back(std::move(controller));
  }
  options.target = options.controllers.front().target;
  options.fleet = options.controllers.size() > 1;
  return {};
}

// export's times: --at for a picture, or --from and --to for a clip, whose
// file says its format. False, with `parsed` set to the usage error.
bool ParseExportTimes(const CLI::App& command, const std::string& at, const std::string& from,
                      const std::string& to, CliOptions& options, ParsedCommandLine& parsed) {
  auto time = [&parsed](const char* name, const std::string& text) {
    const std::optional<std::chrono::microseconds> parsed_time = ParseRecordingTime(text);
    if (!parsed_time) {
      parsed.exit = ExitCode::kUsage;
      parsed.output = "corvane-cli: " + std::string(name) + ": \"" + text +
                      "\" is not a time (seconds, M:SS or H:MM:SS, e.g. 90.5 or 1:30)";
    }
    return parsed_time;
  };
  if (command.count("--at") != 0) {
    const std::optional<std::chrono::microseconds> at_time = time("--at", at);
    if (!at_time) return false;
    options.at = *at_time;
    return true;
  }
  if (command.count("--from") == 0) {
    parsed.exit = ExitCode::kUsage;
    parsed.output = "corvane-cli: export needs --at (a picture) or --from and --to (a clip).";
    return false;
  }
  const std::optional<std::chrono::microseconds> from_time = time("--from", from);
  if (!from_time) return false;
  const std::optional<std::chrono::microseconds> to_time = time("--to", to);
  if (!to_time) return false;
  if (*to_time <= *from_time) {
    parsed.exit = ExitCode::kUsage;
    parsed.output = "corvane-cli: --to (" + to + ") must come after --from (" + from + ").";
    return false;
  }
  options.clip = true;
  options.from = *from_time;
  options.to = *to_time;
  return true;
}

}  // namespace

std::optional<std::chrono::microseconds> ParseRecordingTime(std::string_view text) {
  // Up to three fields from the right: seconds (with a fraction), minutes,
  // hours.
  double total = 0;
  int fields = 0;
  while (!text.empty() || fields == 0) {
    const size_t colon = text.rfind(':');
    const std::string_view field = colon == std::string_view::npos ? text : text.substr(colon + 1);
    text = colon == std::string_view::npos ? std::string_view{} : text.substr(0, colon);
    if (colon != std::string_view::npos && text.empty()) return std::nullopt;
    // Longer than any real time, and stod would throw past a double's range.
    if (field.empty() || field.size() > 16 || ++fields > 3) return std::nullopt;
    size_t dots = 0;
    for (const char c : field) {
      if (c == '.') {
        ++dots;
      } else if (c < '0' || c > '9') {
        return std::nullopt;
      }
    }
    // Only the seconds have a fraction, and minutes and seconds after an
    // hour or a minute field stay below 60.
    if (dots > 1 || (dots == 1 && fields > 1) || field == ".") return std::nullopt;
    const double value = std::stod(std::string(field));
    if (fields < 3 && colon != std::string_view::npos && value >= 60) return std::nullopt;
    total += value * (fields == 1 ? 1 : fields == 2 ? 60 : 3600);
  }
  if (total > 1e9) return std::nullopt;
  return std::chrono::microseconds(std::llround(total * 1e6));
}

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  CliOptions options;
  double timeout_seconds = std::chrono::duration<double>(kDefaultTimeout).count();
  double log_seconds = 0;
  double record_seconds = 0;
  double max_megabytes = 0;
  double max_minutes = 0;
  std::string at;
  std::string from;
  std::string to;
  std::string recording;
  bool all_stations = false;
  int to_station = 0;
  std::string file;
  FleetInputs fleet;

  CLI::App app{std::string(kDescription), "corvane-cli"};
  app.footer(std::string(kExitCodeTable));
  app.require_subcommand(1);

  CLI::App* backup = app.add_subcommand(
      "backup", "store the parameter block of one station, or of all of them, in a .spb file");
  AddLinkOptions(*backup, options, timeout_seconds, &fleet);
  backup->add_option("--station", options.station, "station 1-8")->check(CLI::Range(1, 8));
  backup->add_flag("--all", all_stations,
                   "with --port or --device: all eight stations (the default); without them: "
                   "every controller in the list (--devices, else controllers.txt in the "
                   "working folder)");
  backup->add_option("-o,--output", file, OutputHelp("the .spb file to write"))->required();

  CLI::App* restore = app.add_subcommand(
      "restore", "send a .spb file back to the controller at the end of the next screen image");
  AddLinkOptions(*restore, options, timeout_seconds);
  restore->add_option("file", file, "the .spb file to send")->required();
  restore
      ->add_option("--to-station", to_station,
                   "rewrite every record for station 1-8 (a partial restore)")
      ->check(CLI::Range(1, 8));

  CLI::App* screenshot =
      app.add_subcommand("screenshot", "save the next complete screen image as an 800x600 PNG");
  AddLinkOptions(*screenshot, options, timeout_seconds, &fleet);
  AddAllControllers(*screenshot, fleet);
  screenshot->add_option("-o,--output", file, OutputHelp("the .png file to write"))->required();

  CLI::App* log = app.add_subcommand(
      "log", "mirror the screen for a while and log every byte both ways, with times");
  AddLinkOptions(*log, options, timeout_seconds, &fleet);
  AddAllControllers(*log, fleet);
  log->add_option("--seconds", log_seconds, "how long to log")
      ->required()
      ->check(CLI::Range(0.001, 86400.0));
  log->add_option("-o,--output", file, OutputHelp("the text file to write"))->required();

  CLI::App* record = app.add_subcommand(
      "record", "record every screen image, key, parameter block and link event to a file");
  AddLinkOptions(*record, options, timeout_seconds, &fleet);
  AddAllControllers(*record, fleet);
  record->add_option("--seconds", record_seconds, "how long to record (default: until Ctrl+C)")
      ->check(CLI::Range(0.001, 31536000.0));
  record->add_option("-o,--output", file, OutputHelp("the recording to write (.cvr)"))->required();
  CLI::Option* max_size = record->add_option(
      "--max-size", max_megabytes, "go on in a new numbered file past this many megabytes");
  max_size->check(CLI::Range(0.01, 1e6));
  CLI::Option* max_age = record->add_option("--max-minutes", max_minutes,
                                            "go on in a new numbered file after this many minutes");
  max_age->check(CLI::Range(1.0, 1e6));
  record
      ->add_option("--keep", options.keep_files,
                   "with --max-size or --max-minutes: keep only this many newest files")
      ->check(CLI::Range(1, 1000000));

  CLI::App* export_command = app.add_subcommand(
      "export",
      "save the picture a recording showed at a time as an 800x600 PNG, or a stretch of it "
      "as a video clip");
  export_command->add_option("recording", recording, "the recording to read")->required();
  CLI::Option* at_option = export_command->add_option(
      "--at", at, "the time since the recording's start: seconds, M:SS or H:MM:SS(.fraction)");
  CLI::Option* from_option =
      export_command->add_option("--from", from, "a clip: the stretch's start, as --at");
  CLI::Option* to_option =
      export_command->add_option("--to", to, "a clip: the stretch's end, as --at");
  at_option->excludes(from_option)->excludes(to_option);
  from_option->needs(to_option);
  to_option->needs(from_option);
  export_command->add_option("-o,--output", file, std::string(kClipOutputHelp))->required();
  export_command->add_flag("-q,--quiet", options.quiet, "print errors only");

  ParsedCommandLine parsed;
  try {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    parsed.output = app.help();
    return parsed;
  } catch (const CLI::CallForAllHelp&) {
    parsed.output = app.help("", CLI::AppFormatMode::All);
    return parsed;
  } catch (const CLI::ParseError& error) {
    parsed.exit = ExitCode::kUsage;
    parsed.output =
        "corvane-cli: " + std::string(error.what()) + "\nRun with --help for more information.";
    return parsed;
  }

  CLI::App* chosen = app.get_subcommands().front();
  if (chosen == backup) options.command = Command::kBackup;
  if (chosen == restore) options.command = Command::kRestore;
  if (chosen == screenshot) options.command = Command::kScreenshot;
  if (chosen == log) options.command = Command::kLog;
  if (chosen == record) options.command = Command::kRecord;
  if (chosen == export_command) {
    // Reads a file only: no controller.
    if (!ParseExportTimes(*export_command, at, from, to, options, parsed)) return parsed;
    options.command = Command::kExport;
    options.recording = PathFromText(recording);
    options.file = PathFromText(file);
    parsed.options = options;
    return parsed;
  }
  if (chosen != restore) {
    const std::string error =
        ReadControllers(*chosen, fleet, chosen == backup ? all_stations : fleet.all, options);
    if (!error.empty()) {
      parsed.exit = error.starts_with("cannot read") ? ExitCode::kFileError : ExitCode::kUsage;
      parsed.output = "corvane-cli: " + error;
      return parsed;
    }
    if (chosen == backup && all_stations && !options.fleet && options.station != 0) {
      parsed.exit = ExitCode::kUsage;
      parsed.output = "corvane-cli: --station and --all (all stations) exclude each other.";
      return parsed;
    }
    std::string pattern_error = CheckPattern(file);
    if (pattern_error.empty() && options.fleet && !PatternNamesEachController(file)) {
      pattern_error =
          "with several controllers the file names need {name} or {n}, or the "
          "files would overwrite each other, e.g. -o \"backups/{name}-{date}.spb\"";
    }
    if (!pattern_error.empty()) {
      parsed.exit = ExitCode::kUsage;
      parsed.output = "corvane-cli: -o " + file + ": " + pattern_error;
      return parsed;
    }
    options.output_pattern = file;
  }
  if (chosen == restore && chosen->count("--port") == 0 && chosen->count("--device") == 0) {
    parsed.exit = ExitCode::kUsage;
    parsed.output =
        "corvane-cli: either --port or --device is needed.\nRun with --help for more information.";
    return parsed;
  }
  if (chosen == restore && options.target.device.empty() && chosen->count("--device") != 0) {
    parsed.exit = ExitCode::kUsage;
    parsed.output = "corvane-cli: --device needs a device name.";
    return parsed;
  }
  options.timeout = std::chrono::milliseconds(std::llround(timeout_seconds * 1000));
  options.log_time = std::chrono::milliseconds(std::llround(log_seconds * 1000));
  if (to_station != 0) options.to_station = to_station;
  if (record_seconds > 0) {
    options.record_time = std::chrono::milliseconds(std::llround(record_seconds * 1000));
  }
  if ((options.keep_files != 0) && max_megabytes == 0 && max_minutes == 0) {
    parsed.exit = ExitCode::kUsage;
    parsed.output = "corvane-cli: --keep needs --max-size or --max-minutes.";
    return parsed;
  }
  options.max_file_bytes = static_cast<uint64_t>(std::llround(max_megabytes * 1e6));
  options.max_file_age = std::chrono::seconds(std::llround(max_minutes * 60));
  options.file = PathFromText(file);
  parsed.options = options;
  return parsed;
}

}  // namespace corvane::cli
