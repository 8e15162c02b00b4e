#include "link/network_address.h"

#include <charconv>

namespace corvane {

namespace {

constexpr std::string_view kSchemeEnd = "://";
constexpr std::string_view kRfc2217Scheme = "rfc2217";
constexpr std::string_view kRawTcpScheme = "socket";

class NetworkCategoryImpl : public std::error_category {
 public:
  const char* name() const noexcept override { return "network"; }
  std::string message(int value) const override {
    switch (static_cast<NetworkError>(value)) {
      case NetworkError::kBadAddress:
        return "not a network address (use rfc2217://host:port or socket://host:port)";
      case NetworkError::kUnknownHost: return "the host name is unknown";
      case NetworkError::kLookupFailed: return "the host name could not be looked up";
      case NetworkError::kConnectTimedOut: return "the device server did not answer in time";
      case NetworkError::kCancelled: return "the connection was given up";
    }
    return "network error " + std::to_string(value);
  }
};

}  // namespace

const std::error_category& NetworkCategory() {
  static const NetworkCategoryImpl category;
  return category;
}

bool IsNetworkAddress(std::string_view device) {
  const size_t end = device.find(kSchemeEnd);
  if (end == std::string_view::npos || end == 0) return false;
  // Only letters, digits and + - . make a scheme: "C:/x://" is no address.
  for (const char c : device.substr(0, end)) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text) {
  if (!IsNetworkAddress(text)) return std::nullopt;
  const size_t scheme_end = text.find(kSchemeEnd);
  NetworkAddress address;
  // Schemes are case-blind, as in any URL.
  std::string scheme(text.substr(0, scheme_end));
  for (char& c : scheme) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (scheme == kRfc2217Scheme) {
    address.kind = NetworkAddress::Kind::kRfc2217;
  } else if (scheme == kRawTcpScheme) {
    address.kind = NetworkAddress::Kind::kRawTcp;
  } else {
    return std::nullopt;
  }
  std::string_view rest = text.substr(scheme_end + kSchemeEnd.size());
  // A trailing slash is how many people write a URL; nothing may follow it.
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);

  std::string_view host;
  std::string_view port;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string_view::npos || rest.substr(close + 1, 1) != ":") return std::nullopt;
    host = rest.substr(1, close - 1);
    port = rest.substr(close + 2);
  } else {
    const size_t colon = rest.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    // An IPv6 address is only understood in brackets.
    if (host.find(':') != std::string_view::npos) return std::nullopt;
  }
  if (host.empty() || host.find_first_of("/?#@ ") != std::string_view::npos) return std::nullopt;

  unsigned value = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (port.empty() || error != std::errc{} || end != port.data() + port.size() || value < 1 ||
      value > 65535) {
    return std::nullopt;
  }
  address.host = std::string(host);
  address.port = static_cast<uint16_t>(value);
  return address;
}

}  // namespace corvane
