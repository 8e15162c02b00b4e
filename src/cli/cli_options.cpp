#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <vector>

#include "files/path_text.h"

namespace corvane::cli {

namespace {

constexpr std::string_view kDescription =
    "corvane-cli: backs up and restores the Mirelon controller's station parameters, saves\n"
    "its screen and logs the serial traffic, over the same link as the Corvane window.\n"
    "The port is opened exclusively: while Corvane holds it, corvane-cli is refused, and\n"
    "the other way round. Progress goes to standard error when that is a terminal.";

// The highest COM number the window's port dialog accepts.
constexpr int kHighestPort = 100;

void AddLinkOptions(CLI::App& command, CliOptions& options, double& timeout_seconds) {
  CLI::Option* port =
      command.add_option("--port", options.target.port, "COM port number (1-100), as in Corvane")
          ->check(CLI::Range(1, kHighestPort));
  CLI::Option* device = command.add_option(
      "--device", options.target.device,
      "the serial device itself instead of a COM number (e.g. /dev/ttyUSB0, \\\\.\\COM12)");
  port->excludes(device);
  command
      .add_option("--timeout", timeout_seconds,
                  "seconds to wait for the controller to answer, or to go on answering "
                  "(default 10)")
      ->check(CLI::Range(0.1, 3600.0));
  command.add_flag("-q,--quiet", options.quiet, "print errors only");
}

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  CliOptions options;
  double timeout_seconds = std::chrono::duration<double>(kDefaultTimeout).count();
  double log_seconds = 0;
  bool all_stations = false;
  int to_station = 0;
  std::string file;

  CLI::App app{std::string(kDescription), "corvane-cli"};
  app.footer(std::string(kExitCodeTable));
  app.require_subcommand(1);

  CLI::App* backup = app.add_subcommand(
      "backup", "store the parameter block of one station, or of all of them, in a .spb file");
  AddLinkOptions(*backup, options, timeout_seconds);
  CLI::Option* station =
      backup->add_option("--station", options.station, "station 1-8")->check(CLI::Range(1, 8));
  CLI::Option* all = backup->add_flag("--all", all_stations, "all eight stations (the default)");
  station->excludes(all);
  backup->add_option("-o,--output", file, "the .spb file to write")->required();

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
  AddLinkOptions(*screenshot, options, timeout_seconds);
  screenshot->add_option("-o,--output", file, "the .png file to write")->required();

  CLI::App* log = app.add_subcommand(
      "log", "mirror the screen for a while and log every byte both ways, with times");
  AddLinkOptions(*log, options, timeout_seconds);
  log->add_option("--seconds", log_seconds, "how long to log")
      ->required()
      ->check(CLI::Range(0.001, 86400.0));
  log->add_option("-o,--output", file, "the text file to write")->required();

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
  if (chosen->count("--port") == 0 && chosen->count("--device") == 0) {
    parsed.exit = ExitCode::kUsage;
    parsed.output =
        "corvane-cli: either --port or --device is needed.\nRun with --help for more information.";
    return parsed;
  }
  if (options.target.device.empty() && chosen->count("--device") != 0) {
    parsed.exit = ExitCode::kUsage;
    parsed.output = "corvane-cli: --device needs a device name.";
    return parsed;
  }
  options.timeout = std::chrono::milliseconds(std::llround(timeout_seconds * 1000));
  options.log_time = std::chrono::milliseconds(std::llround(log_seconds * 1000));
  if (to_station != 0) options.to_station = to_station;
  options.file = PathFromText(file);
  parsed.options = options;
  return parsed;
}

}  // namespace corvane::cli
