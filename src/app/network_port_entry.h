// Config > Network Port...: the controller's serial line reached through a
// serial device server on the plant network. The dialog's texts, what its
// fields accept, the address they make ("rfc2217://host:port" or
// "socket://host:port", link/network_address.h), how the caption and the
// messages name it, and the key the settings store keeps it under. Both
// front ends draw the dialog with their own toolkit over these, so the two
// never drift apart.
//
// The address is the operator's own preference and lives in the settings
// store (QSettings, the registry), never in config.dpm, whose one line
// stays as it always was: a PC moved back to its cable still finds its COM
// port there.
//
// Threads: pure functions and constants, any thread (the shell calls them
// on the UI thread).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/network_address.h"

namespace corvane {

inline constexpr std::string_view kNetworkPortDialogTitle = "Network Port";
inline constexpr std::string_view kNetworkHostLabel = "&Host:";
inline constexpr std::string_view kNetworkTcpPortLabel = "&TCP port:";
inline constexpr std::string_view kNetworkRfc2217Text = "&RFC 2217 (Telnet with COM port control)";
inline constexpr std::string_view kNetworkRawTcpText = "Ra&w TCP";
inline constexpr std::string_view kNetworkPortExplanation =
    "The controller's serial line on a serial device server (or ser2net) on the network. "
    "These connections carry no password and no encryption: keep device servers on a "
    "protected network or reach them through a tunnel. Choosing COMM Port goes back to "
    "the COM port.";

// The settings store's key for the address; an empty value means none (the
// COM port of config.dpm is used).
inline constexpr std::string_view kNetworkPortSettingKey = "NetworkPort";

// The dialog's fields as the operator typed them.
struct NetworkPortFields {
  std::string host;
  std::string port;
  NetworkAddress::Kind kind = NetworkAddress::Kind::kRfc2217;
};

enum class NetworkPortField { kHost, kPort };

// What OK finds in the fields: the address they make, or the field at
// fault and what to tell the operator about it.
struct NetworkPortCheck {
  std::string address;  // empty when there is a problem
  NetworkPortField field = NetworkPortField::kHost;
  std::string problem;  // empty when the fields are good
};

// Blanks around either field are forgiven. A host is a name (letters,
// digits, "-", "_", "."), an IPv4 address, or an IPv6 address with or
// without its brackets; the TCP port a number from 1 to 65535.
NetworkPortCheck CheckNetworkPortFields(const NetworkPortFields& fields);

// The fields the dialog opens with: those of `address`, or an empty host
// and port with RFC 2217 when it is none.
NetworkPortFields FieldsOfNetworkAddress(std::string_view address);

// How the operator sees a device server named: "plc7.example:4001",
// "[fd00::7]:4001". `address` as it is when it does not parse.
std::string NetworkAddressName(std::string_view address);

// The address a start opens instead of config.dpm's COM port: what the
// store holds, when that is an address Corvane can reach; none otherwise
// (nothing stored, forgotten, or damaged by hand).
std::optional<std::string> UsableNetworkAddress(const std::optional<std::string>& stored);

}  // namespace corvane
