// The address of a controller behind a serial device server, written as
// serial tools write it: "rfc2217://host:port" for a Telnet session with the
// COM-PORT-OPTION, "socket://host:port" for the bare byte stream over TCP.
// A host may be a name, an IPv4 address or an IPv6 address in brackets.
//
// Plain functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace corvane {

struct NetworkAddress {
  enum class Kind { kRfc2217, kRawTcp };
  Kind kind = Kind::kRfc2217;
  std::string host;  // without the brackets of an IPv6 address
  uint16_t port = 0;
};

// True when `device` is written as an address (it has a "scheme://"), as
// opposed to a device path. Says nothing about whether it is a good one.
bool IsNetworkAddress(std::string_view device);

// The address in `text`, or nothing when it is no address we can reach
// (unknown scheme, no host, a port outside 1..65535, anything after it).
std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text);

// Why an address could not be reached, where the system's own error
// numbers have no word for it.
enum class NetworkError {
  kBadAddress = 1,   // not rfc2217://host:port or socket://host:port
  kUnknownHost,      // the name does not resolve
  kLookupFailed,     // the name service could not be asked
  kConnectTimedOut,  // no answer within the connect limit
  kCancelled,        // the close came while connecting
};
const std::error_category& NetworkCategory();
inline std::error_code MakeErrorCode(NetworkError error) {
  return {static_cast<int>(error), NetworkCategory()};
}

}  // namespace corvane
