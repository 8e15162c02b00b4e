#include "app/network_port_entry.h"

#include "app/app_config.h"

namespace corvane {
namespace {

constexpr uint32_t kTcpPortMaximum = 65535;
// The longest name the name service resolves.
constexpr size_t kHostMaximum = 253;

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.';
}

bool IsIpv6Character(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
         c == '.';
}

NetworkPortCheck Problem(NetworkPortField field, std::string text) {
  return {std::string(), field, std::move(text)};
}

const char* SchemeOf(NetworkAddress::Kind kind) {
  return kind == NetworkAddress::Kind::kRawTcp ? "socket://" : "rfc2217://";
}

}  // namespace

NetworkPortCheck CheckNetworkPortFields(const NetworkPortFields& fields) {
  std::string_view host = Trimmed(fields.host);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  if (host.empty()) {
    return Problem(NetworkPortField::kHost,
                   "Enter the host name or IP address of the device server.");
  }
  const bool ipv6 = host.find(':') != std::string_view::npos;
  bool good = host.size() <= kHostMaximum;
  for (const char c : host) good = good && (ipv6 ? IsIpv6Character(c) : IsNameCharacter(c));
  if (!good) {
    return Problem(NetworkPortField::kHost,
                   "\"" + std::string(host) +
                       "\" is no host name or IP address: a name has letters, digits, \"-\" and "
                       "\".\" only (no blanks, no \"rfc2217://\", no port).");
  }
  const std::optional<uint32_t> port = ParseDialogPortNumber(fields.port);
  if (!port || *port < 1 || *port > kTcpPortMaximum) {
    return Problem(NetworkPortField::kPort, "The TCP port is a number from 1 to 65535.");
  }
  std::string address = SchemeOf(fields.kind);
  address += ipv6 ? "[" + std::string(host) + "]" : std::string(host);
  address += ":" + std::to_string(*port);
  // The link reads the address with the same parser: what passes here must
  // also pass there, or OK would store an address no link can open.
  if (!ParseNetworkAddress(address)) {
    return Problem(NetworkPortField::kHost,
                   "\"" + std::string(host) + "\" is no host name or IP address.");
  }
  return {std::move(address), NetworkPortField::kHost, std::string()};
}

NetworkPortFields FieldsOfNetworkAddress(std::string_view address) {
  const std::optional<NetworkAddress> parsed = ParseNetworkAddress(address);
  if (!parsed) return {};
  return {parsed->host, std::to_string(parsed->port), parsed->kind};
}

std::string NetworkAddressName(std::string_view address) {
  const std::optional<NetworkAddress> parsed = ParseNetworkAddress(address);
  if (!parsed) return std::string(address);
  const bool ipv6 = parsed->host.find(':') != std::string::npos;
  return (ipv6 ? "[" + parsed->host + "]" : parsed->host) + ":" + std::to_string(parsed->port);
}

std::optional<std::string> UsableNetworkAddress(const std::optional<std::string>& stored) {
  if (!stored || !ParseNetworkAddress(*stored)) return std::nullopt;
  return stored;
}

}  // namespace corvane
