#include "cli/output_pattern.h"

#include <array>

#include "cli/command_texts.h"

namespace corvane::cli {

namespace {

constexpr std::array<std::string_view, 4> kFields = {"name", "n", "date", "time"};

// Windows opens a device, not a file, for these names whatever follows the
// first dot: "COM3.spb" would be written to a port and lost.
bool IsDeviceName(std::string_view stem) {
  std::string upper;
  for (const char c : stem) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  for (const std::string_view device : {"CON", "PRN", "AUX", "NUL"}) {
    if (upper == device) return true;
  }
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

// Each part of `path` that names a device gets a "_" before its first dot.
std::string WithoutDeviceNames(std::string path) {
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string::npos) end = path.size();
    const size_t dot = path.find('.', start);
    const size_t stem_end = dot < end ? dot : end;
    if (IsDeviceName(std::string_view(path).substr(start, stem_end - start))) {
      path.insert(stem_end, 1, '_');
      ++end;
    }
    start = end + 1;
  }
  return path;
}

}  // namespace

std::string CheckPattern(std::string_view pattern) {
  for (size_t open = pattern.find('{'); open != std::string_view::npos;
       open = pattern.find('{', open + 1)) {
    const size_t close = pattern.find('}', open);
    const std::string_view field =
        pattern.substr(open + 1, close == std::string_view::npos ? 8 : close - open - 1);
    bool known = false;
    for (const std::string_view name : kFields) known = known || field == name;
    if (!known || close == std::string_view::npos) {
      return "\"{" + std::string(field) + (close == std::string_view::npos ? "" : "}") +
             "\" is no field of a file name; the fields are {name}, {n}, {date} and {time}";
    }
  }
  return {};
}

bool PatternNamesEachController(std::string_view pattern) {
  return pattern.find("{name}") != std::string_view::npos ||
         pattern.find("{n}") != std::string_view::npos;
}

std::string ExpandPattern(std::string_view pattern, const PatternFields& fields) {
  // A name without fields is taken as written, as it always was.
  if (pattern.find('{') == std::string_view::npos) return std::string(pattern);
  std::string out;
  while (!pattern.empty()) {
    const size_t open = pattern.find('{');
    out += pattern.substr(0, open);
    if (open == std::string_view::npos) break;
    const size_t close = pattern.find('}', open);
    const std::string_view field = pattern.substr(open + 1, close - open - 1);
    if (field == "name") out += SafeFileName(fields.name);
    if (field == "n") out += std::to_string(fields.n);
    if (field == "date") out += fields.date;
    if (field == "time") out += fields.time;
    pattern.remove_prefix(close + 1);
  }
  return WithoutDeviceNames(std::move(out));
}

std::string SafeFileName(std::string_view name) {
  std::string out;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    // Bytes from 0x80 up are the letters of UTF-8 text beyond ASCII: kept.
    const bool refused = byte < 0x20 || byte == 0x7F ||
                         std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
    out += refused ? '_' : c;
  }
  if (out.find_first_not_of('.') == std::string::npos) return std::string(out.size() + 1, '_');
  if (out.back() == '.' || out.back() == ' ') out.back() = '_';
  return out;
}

void FillPatternTimes(PatternFields& fields) {
  // One reading of the clock for both, so a run that starts at midnight
  // never gets one day's date with the next day's time.
  const std::string stamp = LocalTimeNow("%Y-%m-%d %H%M%S");
  const size_t blank = stamp.find(' ');
  fields.date = stamp.substr(0, blank);
  fields.time = blank == std::string::npos ? std::string() : stamp.substr(blank + 1);
}

}  // namespace corvane::cli
