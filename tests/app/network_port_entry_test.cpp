#include "app/network_port_entry.h"

#include <gtest/gtest.h>

#include "app/captions.h"

namespace corvane {
namespace {

using Kind = NetworkAddress::Kind;

TEST(NetworkPortEntry, GoodFieldsMakeTheAddressTheLinkOpens) {
  struct Case {
    NetworkPortFields fields;
    const char* address;
  };
  const Case cases[] = {
      {{"plc7.example", "4001", Kind::kRfc2217}, "rfc2217://plc7.example:4001"},
      {{"  10.0.0.7 ", " 23 ", Kind::kRawTcp}, "socket://10.0.0.7:23"},
      {{"fd00::7", "65535", Kind::kRfc2217}, "rfc2217://[fd00::7]:65535"},
      {{"[::1]", "1", Kind::kRawTcp}, "socket://[::1]:1"},
  };
  for (const Case& c : cases) {
    const NetworkPortCheck check = CheckNetworkPortFields(c.fields);
    EXPECT_EQ(check.address, c.address);
    EXPECT_EQ(check.problem, "");
    // What the dialog opens with next time gives the same address again.
    EXPECT_EQ(CheckNetworkPortFields(FieldsOfNetworkAddress(check.address)).address, c.address);
  }
}

TEST(NetworkPortEntry, BadFieldsNameTheFieldAndChangeNothing) {
  struct Case {
    NetworkPortFields fields;
    NetworkPortField field;
  };
  const Case cases[] = {
      {{"", "4001"}, NetworkPortField::kHost},
      {{"   ", "4001"}, NetworkPortField::kHost},
      {{"plc 7", "4001"}, NetworkPortField::kHost},
      {{"rfc2217://plc7", "4001"}, NetworkPortField::kHost},
      {{"plc7:4001", "4001"}, NetworkPortField::kHost},  // a port typed into the host
      {{"user@plc7", "4001"}, NetworkPortField::kHost},
      {{"plc7", ""}, NetworkPortField::kPort},
      {{"plc7", "0"}, NetworkPortField::kPort},
      {{"plc7", "65536"}, NetworkPortField::kPort},
      {{"plc7", "4294971297"}, NetworkPortField::kPort},  // 4001 once wrapped in 32 bits
      {{"plc7", "40a1"}, NetworkPortField::kPort},
      {{"plc7", "-23"}, NetworkPortField::kPort},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields.host + " / " + c.fields.port);
    const NetworkPortCheck check = CheckNetworkPortFields(c.fields);
    EXPECT_EQ(check.address, "");
    EXPECT_EQ(check.field, c.field);
    EXPECT_FALSE(check.problem.empty());
  }
  EXPECT_EQ(CheckNetworkPortFields({"plc7", "99999"}).problem,
            "The TCP port is a number from 1 to 65535.");
}

TEST(NetworkPortEntry, TheCaptionNamesHostAndPortAndTheComPortsStayAsTheyWere) {
  EXPECT_EQ(NetworkPortCaption("rfc2217://plc7.example:4001"), "Corvane - plc7.example:4001");
  EXPECT_EQ(LinkCaption(3, "socket://[fd00::7]:23"), "Corvane - [fd00::7]:23");
  EXPECT_EQ(LinkCaption(3, ""), "Corvane - COM3");
  EXPECT_EQ(ReconnectingCaption(3, "socket://10.0.0.7:23"),
            "Corvane - 10.0.0.7:23 (reconnecting...)");
  EXPECT_EQ(ReconnectingCaption(3), "Corvane - COM3 (reconnecting...)");
}

TEST(NetworkPortEntry, OnlyAnAddressTheLinkCanOpenWinsAtStart) {
  EXPECT_EQ(UsableNetworkAddress("rfc2217://plc7:4001"), "rfc2217://plc7:4001");
  // Nothing stored, forgotten (COMM Port chosen), or edited into nonsense:
  // config.dpm's COM port is used.
  for (const std::optional<std::string>& stored :
       {std::optional<std::string>(), std::optional<std::string>(""),
        std::optional<std::string>("plc7:4001"), std::optional<std::string>("telnet://plc7:23")}) {
    EXPECT_EQ(UsableNetworkAddress(stored), std::nullopt);
  }
  EXPECT_EQ(FieldsOfNetworkAddress("").host, "");
  EXPECT_EQ(FieldsOfNetworkAddress("").kind, Kind::kRfc2217);
}

}  // namespace
}  // namespace corvane
