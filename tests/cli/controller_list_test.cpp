#include "cli/controller_list.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane::cli {
namespace {

TEST(ControllerList, ReadsNamesAndPlacesPastCommentsBlanksAndWindowsLineEnds) {
  const std::string text =
      "\xEF\xBB\xBF# hall 2\r\n"
      "press-7\trfc2217://plc7.example:4001   # the big one\r\n"
      "\r\n"
      "   \n"
      "Presse-S\xC3\xBC\x64  socket://[fd00::17]:4002\n"
      "bench COM3\n"
      "spare 12\n"
      "usb#2 /dev/serial/by-id/usb-FTDI#1";  // '#' inside a word is no comment
  std::string error;
  const auto list = ParseControllerList(text, "plant.txt", error);
  ASSERT_TRUE(list) << error;
  ASSERT_EQ(list->size(), 5u);
  EXPECT_EQ((*list)[0].name, "press-7");
  EXPECT_EQ((*list)[0].target.device, "rfc2217://plc7.example:4001");
  EXPECT_EQ((*list)[1].name, "Presse-S\xC3\xBC\x64");
  EXPECT_EQ((*list)[2].target.port, 3);
  EXPECT_TRUE((*list)[2].target.device.empty());
  EXPECT_EQ((*list)[3].target.port, 12);
  EXPECT_EQ((*list)[4].name, "usb#2");
  EXPECT_EQ((*list)[4].target.device, "/dev/serial/by-id/usb-FTDI#1");
}

TEST(ControllerList, AWrongLineIsRefusedWithItsNumber) {
  const struct {
    const char* text;
    const char* error;
  } wrong[] = {
      {"a COM1\nlonely\n", "plant.txt:2: \"lonely\" has no port"},
      {"# c\nb COM0\n", "plant.txt:2: COM0 is not a port from 1 to 100"},
      {"c 101", "plant.txt:1: COM101 is not a port"},
      {"c com12345678901", "plant.txt:1: COM12345678901 is not a port"},
      {"d rfc2217://host-without-port", "plant.txt:1: rfc2217://host-without-port is not"},
      {"e COM1\n\ne COM2\n", "plant.txt:3: \"e\" is named twice"},
  };
  for (const auto& c : wrong) {
    std::string error;
    EXPECT_FALSE(ParseControllerList(c.text, "plant.txt", error)) << c.text;
    EXPECT_TRUE(error.starts_with(c.error)) << error;
  }
}

TEST(ControllerList, ControllersNamedOnTheCommandLineGoByTheirPortOrAddress) {
  EXPECT_EQ(ControllerName({.port = 3, .device = ""}), "COM3");
  EXPECT_EQ(ControllerName({.port = 0, .device = "/dev/ttyUSB0"}), "ttyUSB0");
  EXPECT_EQ(ControllerName({.port = 0, .device = "\\\\.\\COM12"}), "COM12");
  EXPECT_EQ(ControllerName({.port = 0, .device = "socket://10.0.4.18:4002"}), "10.0.4.18_4002");
}

}  // namespace
}  // namespace corvane::cli
