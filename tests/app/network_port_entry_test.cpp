#include "app/network_port_entry.h"

#include <gtest/gtest.h>

#include "app/captions.h"

namespace corvane {
namespace {

using Kind = NetworkAddress::Kind;

TEST(NetworkPortEntry, GoodFieldsMakeTheAddressAndTheDialogOpensOnItAgain) {
  const std::pair<NetworkPortFields, const char*> cases[] = {
      {{"plc7.example", "4001", Kind::kRfc2217}, "rfc2217://plc7.example:4001"},
      {{"  10.0.0.7 ", " 23 ", Kind::kRawTcp}, "socket://10.0.0.7:23"},
      {{"[fd00::7]", "65535", Kind::kRfc2217}, "rfc2217://[fd00::7]:65535"},
  };
  for (const auto& [fields, address] : cases) {
    EXPECT_EQ(CheckNetworkPortFields(fields).address, address);
    EXPECT_EQ(CheckNetworkPortFields(FieldsOfNetworkAddress(address)).address, address);
  }
}

TEST(NetworkPortEntry, BadFieldsNameTheFieldAtFault) {
  using enum NetworkPortField;
  const std::pair<NetworkPortFields, NetworkPortField> cases[] = {
      {{" ", "4001"}, kHost},          {{"plc 7", "4001"}, kHost}, {{"rfc2217://plc7", "1"}, kHost},
      {{"plc7:4001", "4001"}, kHost},  {{"plc7", ""}, kPort},      {{"plc7", "65536"}, kPort},
      {{"plc7", "4294971297"}, kPort},  // 4001 once wrapped in 32 bits
  };
  for (const auto& [fields, field] : cases) {
    const NetworkPortCheck check = CheckNetworkPortFields(fields);
    EXPECT_EQ(check.address, "") << fields.host << " " << fields.port;
    EXPECT_EQ(check.field, field) << fields.host << " " << fields.port;
    EXPECT_FALSE(check.problem.empty());
  }
}

TEST(NetworkPortEntry, CaptionsNameHostAndPortAndOnlyAReachableAddressWinsAtStart) {
  EXPECT_EQ(LinkCaption(3, "socket://[fd00::7]:23"), "Corvane - [fd00::7]:23");
  EXPECT_EQ(LinkCaption(3, ""), "Corvane - COM3");
  EXPECT_EQ(ReconnectingCaption(3, "rfc2217://plc7:1"), "Corvane - plc7:1 (reconnecting...)");
  EXPECT_EQ(UsableNetworkAddress("rfc2217://plc7:4001"), "rfc2217://plc7:4001");
  // Forgotten (COMM Port chosen since), or edited into nonsense by hand.
  EXPECT_EQ(UsableNetworkAddress(""), std::nullopt);
  EXPECT_EQ(UsableNetworkAddress("telnet://plc7:23"), std::nullopt);
}

}  // namespace
}  // namespace corvane
