#include "sim_options.h"

#include <charconv>
#include <limits>

namespace corvane::sim {
namespace {

// --help is this, the options from the table, and kHelpAfter.
constexpr std::string_view kHelpBefore =
    R"(mirelon-sim: a simulated Mirelon controller on a pseudo-terminal.

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
)";
constexpr std::string_view kFaultsHeading =
    "\nFaults, to see how Corvane copes (0, the default, switches one off):\n";
constexpr std::string_view kHelpAfter = R"(
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

// Every numeric option refuses a bad value in the same words.
template <typename T>
std::string Whole(std::string_view value, int64_t lo, int64_t hi, T& out) {
  int64_t n = 0;
  if (!ParseInt(value, lo, hi, n)) {
    return "wants a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
           ", not \"" + std::string(value) + "\"";
  }
  out = static_cast<T>(n);
  return {};
}

constexpr int64_t kIntMax = std::numeric_limits<int>::max();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
using enum HelpSection;

// In the order --help lists them.
constexpr SimOption kOptions[] = {
    {"--port", "N", kGeneral, "name the link com<N> (default 3, 1..255)",
     [](std::string_view v, SimOptions& o) { return Whole(v, 1, 255, o.port); }},
    {"--dir", "PATH", kGeneral, "make the link in PATH (default: the current directory)",
     [](std::string_view v, SimOptions& o) -> std::string {
       if (v.empty()) return "needs a directory";
       o.dir = v;
       return {};
     }},
    {"--baud", "N", kGeneral,
     "pace what it sends to N baud, 10 bit times a byte\n"
     "(1 start, 8 data, 1 stop); default: as fast as the\n"
     "pseudo-terminal takes it",
     [](std::string_view v, SimOptions& o) { return Whole(v, 50, 100'000'000, o.baud); }},
    {"--seed", "N", kGeneral,
     "seed of the moving values and of injected garbage\n"
     "(default 1); the same seed gives the same screens",
     [](std::string_view v, SimOptions& o) { return Whole(v, 0, kInt64Max, o.seed); }},
    {"--log", "FILE", kGeneral,
     "write every byte received to FILE, one line each:\n"
     "seconds since start, byte value, and the character\n"
     "(\\xNN when it is not printable)",
     [](std::string_view v, SimOptions& o) -> std::string {
       if (v.empty()) return "needs a file name";
       o.log_path = v;
       return {};
     }},
    {"--replay", "FILE", kGeneral,
     "serve the screen images of a recording made with\n"
     "corvane-cli record instead of the panel: each \"<1>\"\n"
     "gets the next recorded image, and the last one again\n"
     "once all have gone out",
     [](std::string_view v, SimOptions& o) -> std::string {
       if (v.empty()) return "needs a file name";
       o.replay_path = v;
       return {};
     }},
    {"--frames-limit", "N", kGeneral, "end after sending N screen images",
     [](std::string_view v, SimOptions& o) { return Whole(v, 1, kInt64Max, o.frames_limit); }},
    {"--exit-after", "SECS", kGeneral, "end after SECS seconds (decimals allowed)",
     [](std::string_view v, SimOptions& o) -> std::string {
       if (ParseSeconds(v, o.exit_after_ms)) return {};
       return "wants seconds greater than 0, such as 5 or 0.25, not \"" + std::string(v) + "\"";
     }},
    {"--help", "", kGeneral, "this text",
     [](std::string_view, SimOptions& o) {
       o.help = true;
       return std::string();
     },
     "-h"},
    {"--garbage", "N", kFaults,
     "send 1..N random bytes (never \"{\" or \"[\") before every\n"
     "image and parameter block",
     [](std::string_view v, SimOptions& o) { return Whole(v, 0, 4096, o.faults.garbage_bytes); }},
    {"--drop-close-every", "N", kFaults, "leave out the closing \"}\" of every Nth image",
     [](std::string_view v, SimOptions& o) {
       return Whole(v, 0, kIntMax, o.faults.drop_close_every);
     }},
    {"--bracket-in-image", "N", kFaults, "put a \"[\" in the middle of every Nth image's payload",
     [](std::string_view v, SimOptions& o) {
       return Whole(v, 0, kIntMax, o.faults.bracket_every);
     }},
    {"--stall-after", "N", kFaults, "after N images, stop answering and ignore all input",
     [](std::string_view v, SimOptions& o) { return Whole(v, 0, kIntMax, o.faults.stall_after); }},
    {"--hangup-after", "N", kFaults, "after sending N images, close the pseudo-terminal and end",
     [](std::string_view v, SimOptions& o) { return Whole(v, 0, kIntMax, o.faults.hangup_after); }},
};

const SimOption* FindOption(std::string_view name) {
  for (const SimOption& option : kOptions) {
    if (name == option.name || (!option.alias.empty() && name == option.alias)) return &option;
  }
  return nullptr;
}

// "  --name VALUE" and the first help line in the column after the longest
// one, further help lines under it.
void AppendHelpEntry(const SimOption& option, std::string& out) {
  constexpr size_t kHelpColumn = 23;
  const size_t line_start = out.size();
  out += "  ";
  out += option.name;
  if (!option.value_name.empty()) {
    out += ' ';
    out += option.value_name;
  }
  const size_t used = out.size() - line_start;
  out.append(used < kHelpColumn ? kHelpColumn - used : 1, ' ');
  for (size_t from = 0;;) {
    const size_t end = option.help.find('\n', from);
    out += option.help.substr(from, end - from);
    out += '\n';
    if (end == std::string_view::npos) break;
    out.append(kHelpColumn, ' ');
    from = end + 1;
  }
}

std::string BuildHelp() {
  std::string help(kHelpBefore);
  HelpSection section = kGeneral;
  for (const SimOption& option : kOptions) {
    if (option.section != section) {
      section = option.section;
      help += kFaultsHeading;
    }
    AppendHelpEntry(option, help);
  }
  help += kHelpAfter;
  return help;
}

}  // namespace

std::span<const SimOption> SimOptionTable() { return kOptions; }

std::string_view SimHelpText() {
  static const std::string help = BuildHelp();
  return help;
}

ParsedOptions ParseSimOptions(std::span<const std::string_view> args) {
  ParsedOptions parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    std::string_view value;
    bool has_value = false;
    if (const size_t eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_value = true;
    }
    const SimOption* option = FindOption(name);
    if (option == nullptr) {
      parsed.error = name.starts_with("--")
                         ? "unknown option " + std::string(name) + " (see --help)"
                         : "unexpected argument \"" + std::string(args[i]) + "\" (see --help)";
      return parsed;
    }
    if (option->value_name.empty()) {
      // A switch; whatever follows an "=" has always been ignored.
      option->apply({}, parsed.options);
      continue;
    }
    if (!has_value) {
      if (i + 1 >= args.size()) {
        parsed.error = "option " + std::string(name) + " needs a value (see --help)";
        return parsed;
      }
      value = args[++i];
    }
    if (std::string why = option->apply(value, parsed.options); !why.empty()) {
      parsed.error = "option " + std::string(name) + " " + why;
      return parsed;
    }
  }
  return parsed;
}

}  // namespace corvane::sim
