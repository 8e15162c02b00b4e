#include "link/network_address.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(NetworkAddress, TheTwoSchemesWithNamesAndAddressesParse) {
  const auto telnet = ParseNetworkAddress("rfc2217://plc7.example:4001");
  ASSERT_TRUE(telnet);
  EXPECT_EQ(telnet->kind, NetworkAddress::Kind::kRfc2217);
  EXPECT_EQ(telnet->host, "plc7.example");
  EXPECT_EQ(telnet->port, 4001);
  const auto raw = ParseNetworkAddress("Socket://[::1]:65535/");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->kind, NetworkAddress::Kind::kRawTcp);
  EXPECT_EQ(raw->host, "::1");
  EXPECT_EQ(raw->port, 65535);
}

TEST(NetworkAddress, AnythingElseIsRefusedAndDevicePathsAreNoAddresses) {
  for (const char* bad :
       {"rfc2217://host", "rfc2217://:4001", "rfc2217://host:0", "rfc2217://host:65536",
        "rfc2217://host:+1", "rfc2217://host:40x", "rfc2217://host:4001/x", "telnet://host:23",
        "socket://::1:4001", "socket://[::1]4001", "socket://user@host:1"}) {
    EXPECT_FALSE(ParseNetworkAddress(bad)) << bad;
    EXPECT_TRUE(IsNetworkAddress(bad)) << bad << " must fail as an address, not as a device";
  }
  for (const char* device : {"/dev/ttyUSB0", "\\\\.\\COM12", "com3", "C:/a://b", "://x"}) {
    EXPECT_FALSE(IsNetworkAddress(device)) << device;
  }
}

}  // namespace
}  // namespace corvane
