#include "cli/controller_list.h"

#include <cstdio>
#include <memory>

#include "files/file_open.h"
#include "files/path_text.h"
#include "link/network_address.h"

namespace corvane::cli {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// A list that long is no list of controllers: read no further than that.
constexpr size_t kLongestList = 1 << 20;

}  // namespace

std::optional<LinkTarget> ParseControllerPlace(std::string_view where, std::string& error) {
  std::string_view digits = where;
  if (digits.size() > 3 && (digits.substr(0, 3) == "COM" || digits.substr(0, 3) == "com")) {
    digits.remove_prefix(3);
  }
  const bool number =
      !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
  LinkTarget target;
  if (number) {
    // Past six digits stoi could overflow; such a port is out of range anyway.
    target.port = digits.size() > 6 ? 0 : std::stoi(std::string(digits));
    if (target.port < 1 || target.port > kHighestPort) {
      error =
          "COM" + std::string(digits) + " is not a port from 1 to " + std::to_string(kHighestPort);
      return std::nullopt;
    }
    return target;
  }
  if (IsNetworkAddress(where) && !ParseNetworkAddress(where)) {
    error = std::string(where) + " is not rfc2217://host:port or socket://host:port";
    return std::nullopt;
  }
  if (where.empty()) {
    error = "no device named";
    return std::nullopt;
  }
  target.device = std::string(where);
  return target;
}

std::optional<std::vector<Controller>> ParseControllerList(std::string_view text,
                                                           std::string_view source,
                                                           std::string& error) {
  // Notepad begins a UTF-8 file with a byte order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<Controller> controllers;
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    const std::string at = std::string(source) + ":" + std::to_string(number) + ": ";
    for (size_t hash = line.find('#'); hash != std::string_view::npos;
         hash = line.find('#', hash + 1)) {
      if (hash == 0 || IsBlank(line[hash - 1])) {
        line = line.substr(0, hash);
        break;
      }
    }
    line = Trimmed(line);
    if (line.empty()) continue;
    size_t blank = 0;
    while (blank < line.size() && !IsBlank(line[blank])) ++blank;
    Controller controller;
    controller.name = std::string(line.substr(0, blank));
    const std::string_view where = Trimmed(line.substr(blank));
    if (where.empty()) {
      error = at + "\"" + controller.name + "\" has no port, device or address after it";
      return std::nullopt;
    }
    for (const char c : controller.name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        error = at + "the name holds a control character";
        return std::nullopt;
      }
    }
    std::string why;
    const std::optional<LinkTarget> target = ParseControllerPlace(where, why);
    if (!target) {
      error = at + why;
      return std::nullopt;
    }
    controller.target = *target;
    for (const Controller& earlier : controllers) {
      if (earlier.name == controller.name) {
        error = at + "\"" + controller.name + "\" is named twice";
        return std::nullopt;
      }
    }
    controllers.push_back(std::move(controller));
  }
  return controllers;
}

std::optional<std::vector<Controller>> ReadControllerList(const std::filesystem::path& file,
                                                          std::string& error) {
  std::error_code open_error;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(OpenFile(file, "rb", open_error),
                                                           &std::fclose);
  if (!in) {
    error = "cannot read the list of controllers " + PathText(file) + ": " + open_error.message();
    return std::nullopt;
  }
  std::string text;
  char block[4096];
  for (size_t got; (got = std::fread(block, 1, sizeof block, in.get())) > 0;) {
    text.append(block, got);
    if (text.size() > kLongestList) {
      error = PathText(file) + " is too long for a list of controllers";
      return std::nullopt;
    }
  }
  if (std::ferror(in.get())) {
    error = "cannot read the list of controllers " + PathText(file);
    return std::nullopt;
  }
  std::optional<std::vector<Controller>> controllers =
      ParseControllerList(text, PathText(file), error);
  if (controllers && controllers->empty()) {
    error = PathText(file) + " lists no controller";
    return std::nullopt;
  }
  return controllers;
}

std::string ControllerName(const LinkTarget& target) {
  if (target.device.empty()) return "COM" + std::to_string(target.port);
  if (const std::optional<NetworkAddress> address = ParseNetworkAddress(target.device)) {
    return address->host + "_" + std::to_string(address->port);
  }
  // The device's own name: "ttyUSB0" of /dev/ttyUSB0, "COM12" of \\.\COM12.
  const size_t slash = target.device.find_last_of("/\\");
  const std::string name =
      slash == std::string::npos ? target.device : target.device.substr(slash + 1);
  return name.empty() ? target.device : name;
}

}  // namespace corvane::cli
