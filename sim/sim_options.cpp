#include "sim_options.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>

namespace corvane::sim {
namespace {

constexpr std::string_view kHelp = R"(mirelon-sim: a simulated Mirelon controller on a pseudo-terminal.

Use it to try, demonstrate and test Corvane without a controller. It opens a
pseudo-terminal, links "com<N>" in a directory to it, and answers Corvane
there as a controller would:
  "<1>"            one screen image "{" ... "}" of its 800x600 panel
  "<11>"           one parameter block "[" ... "]" of all eight stations
  "<12>".."<19>"   one parameter block of station 1..8
  "<2>" ... "}"    restore data: records ending in ";" written to its stations
  key codes        arrows move the cursor, digits type a value and Enter
                   stores it in the parameter under the cursor; Left (which
                   is also what Backspace sends) takes back a typed digit
                   first; F1..F9 switch pages; Ctrl+1..8 and the soft keys
                   S1..S8 select a station
It sends nothing it was not asked for (unless a fault below is switched on).
A command is "<", one or two digits and ">"; any other byte is a key code,
except inside restore data, where only the key codes 128 and above (Ctrl+1..9,
the soft keys, ".") count as keys and everything else up to "}" is data.
Restore data that stops for 2 seconds before its "}" is abandoned.

Quick start:
  mirelon-sim                 links ./com3; start Corvane in this directory
                              with the default config.dpm (COM Port=3)
  mirelon-sim --port 5 --dir /tmp/demo
Stop it with Ctrl+C (or SIGTERM, SIGHUP); it removes the link as it ends.

Options (each takes its value as "--name value" or "--name=value"):
  --port N             name the link com<N> (default 3, 1..255)
  --dir PATH           make the link in PATH (default: the current directory)
  --baud N             pace what it sends to N baud, 10 bit times a byte
                       (1 start, 8 data, 1 stop); default: as fast as the
                       pseudo-terminal takes it
  --seed N             seed of the moving values and of injected garbage
                       (default 1); the same seed gives the same screens
  --log FILE           write every byte received to FILE, one line each:
                       seconds since start, byte value, and the character
                       (\xNN when it is not printable)
  --frames-limit N     end after sending N screen images
  --exit-after SECS    end after SECS seconds (decimals allowed)
  --help               this text

Faults, to see how Corvane copes (0, the default, switches one off):
  --garbage N          send 1..N random bytes (never "{" or "[") before every
                       image and parameter block
  --drop-close-every N leave out the closing "}" of every Nth image
  --bracket-in-image N put a "[" in the middle of every Nth image's payload
  --stall-after N      after N images, stop answering and ignore all input
  --hangup-after N     after sending N images, close the pseudo-terminal and end

Screen: a header with the name and a frame counter that changes with every
image, the soft keys S1..S8 exactly under Corvane's soft-key areas (selected
one yellow), a page chosen with F1 (all stations), F2 (the selected station's
records), F3 (trend), F4 (link counters), F5..F9 (empty), and a footer with
the last key code, the value being typed, and the last backup or restore.

Exit status: 0 on a signal, a limit or a hang-up; 1 on a setup error; 2 on a
bad command line.
)";

bool ParseInt(std::string_view text, int64_t lo, int64_t hi, int64_t& out) {
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc{} || end != text.data() + text.size() || v < lo || v > hi) return false;
  out = v;
  return true;
}

// Seconds with up to three decimals, as milliseconds.
bool ParseSeconds(std::string_view text, int64_t& ms) {
  const size_t dot = text.find('.');
  int64_t whole = 0;
  if (!ParseInt(text.substr(0, dot), 0, 100'000'000, whole)) return false;
  int64_t frac = 0;
  if (dot != std::string_view::npos) {
    std::string_view digits = text.substr(dot + 1);
    if (digits.empty() || digits.size() > 3) return false;
    if (!ParseInt(digits, 0, 999, frac)) return false;
    for (size_t i = digits.size(); i < 3; ++i) frac *= 10;
  }
  ms = whole * 1000 + frac;
  return ms > 0;
}

}  // namespace

std::string_view SimHelpText() { return kHelp; }

ParsedOptions ParseSimOptions(std::span<const std::string_view> args) {
  ParsedOptions parsed;
  SimOptions& o = parsed.options;
  constexpr int64_t kIntMax = std::numeric_limits<int>::max();
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    std::string_view value;
    bool has_value = false;
    if (const size_t eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_value = true;
    }
    if (name == "--help" || name == "-h") {
      o.help = true;
      continue;
    }
    if (!name.starts_with("--")) {
      parsed.error = "unexpected argument \"" + std::string(args[i]) + "\" (see --help)";
      return parsed;
    }
    constexpr std::string_view kKnown[] = {"--port", "--dir", "--baud", "--seed", "--log", "--frames-limit",
                                           "--exit-after", "--garbage", "--drop-close-every", "--bracket-in-image",
                                           "--stall-after", "--hangup-after"};
    if (std::find(std::begin(kKnown), std::end(kKnown), name) == std::end(kKnown)) {
      parsed.error = "unknown option " + std::string(name) + " (see --help)";
      return parsed;
    }
    if (!has_value) {
      if (i + 1 >= args.size()) {
        parsed.error = "option " + std::string(name) + " needs a value (see --help)";
        return parsed;
      }
      value = args[++i];
    }
    int64_t n = 0;
    auto number = [&](int64_t lo, int64_t hi) {
      if (ParseInt(value, lo, hi, n)) return true;
      parsed.error = "option " + std::string(name) + " wants a whole number from " + std::to_string(lo) + " to " +
                     std::to_string(hi) + ", not \"" + std::string(value) + "\"";
      return false;
    };
    if (name == "--port") {
      if (!number(1, 255)) return parsed;
      o.port = static_cast<int>(n);
    } else if (name == "--dir") {
      if (value.empty()) {
        parsed.error = "option --dir needs a directory";
        return parsed;
      }
      o.dir = value;
    } else if (name == "--baud") {
      if (!number(50, 100'000'000)) return parsed;
      o.baud = n;
    } else if (name == "--seed") {
      if (!number(0, std::numeric_limits<int64_t>::max())) return parsed;
      o.seed = static_cast<uint64_t>(n);
    } else if (name == "--log") {
      if (value.empty()) {
        parsed.error = "option --log needs a file name";
        return parsed;
      }
      o.log_path = value;
    } else if (name == "--frames-limit") {
      if (!number(1, std::numeric_limits<int64_t>::max())) return parsed;
      o.frames_limit = n;
    } else if (name == "--exit-after") {
      if (!ParseSeconds(value, o.exit_after_ms)) {
        parsed.error = "option --exit-after wants seconds greater than 0, such as 5 or 0.25, not \"" +
                       std::string(value) + "\"";
        return parsed;
      }
    } else if (name == "--garbage") {
      if (!number(0, 4096)) return parsed;
      o.faults.garbage_bytes = static_cast<int>(n);
    } else if (name == "--drop-close-every") {
      if (!number(0, kIntMax)) return parsed;
      o.faults.drop_close_every = static_cast<int>(n);
    } else if (name == "--bracket-in-image") {
      if (!number(0, kIntMax)) return parsed;
      o.faults.bracket_every = static_cast<int>(n);
    } else if (name == "--stall-after") {
      if (!number(0, kIntMax)) return parsed;
      o.faults.stall_after = static_cast<int>(n);
    } else if (name == "--hangup-after") {
      if (!number(0, kIntMax)) return parsed;
      o.faults.hangup_after = static_cast<int>(n);
    } else {
      parsed.error = "unknown option " + std::string(name) + " (see --help)";
      return parsed;
    }
  }
  return parsed;
}

}  // namespace corvane::sim
