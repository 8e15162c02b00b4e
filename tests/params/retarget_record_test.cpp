#include <gtest/gtest.h>

#include <string>

#include "params/parameter_record.h"

namespace corvane {
namespace {

constexpr uint32_t Address(uint32_t type, uint32_t group, uint32_t station, uint32_t index) {
  return type * 65536u + group * 256u + station * 16u + index;
}

std::string Line(uint32_t address, std::string_view rest) {
  return std::to_string(address) + std::string(rest);
}

TEST(ParameterAddress, SplitsIntoTypeGroupStationIndex) {
  const ParameterAddress a = ParameterAddress::Split(1u * 65536u + 1u * 16u);
  EXPECT_EQ(a.type, 1);
  EXPECT_EQ(a.group, 0);
  EXPECT_EQ(a.station, 1);
  EXPECT_EQ(a.index, 0);
  const ParameterAddress b = ParameterAddress::Split(Address(108, 3, 2, 5));
  EXPECT_EQ(b.type, 108);
  EXPECT_EQ(b.group, 3);
  EXPECT_EQ(b.station, 2);
  EXPECT_EQ(b.index, 5);
  EXPECT_EQ(b.Join(), Address(108, 3, 2, 5));
  EXPECT_EQ(ParameterAddress::Split(0xFFFFFFFFu).Join(), 0xFFFFFFFFu);
}

struct RetargetCase {
  const char* name;
  std::string line;
  uint16_t target;
  bool send;
  std::string bytes;  // what goes out when sent
};

class RetargetTable : public ::testing::TestWithParam<RetargetCase> {};

TEST_P(RetargetTable, RebuildsTheRecordForTheTarget) {
  const RetargetCase& c = GetParam();
  const std::optional<std::string> record = RetargetRecord(c.line, c.target);
  EXPECT_EQ(record.has_value(), c.send) << c.line;
  if (c.send && record) {
    EXPECT_EQ(*record, c.bytes) << c.line;
  }
}

const RetargetCase kCases[] = {
    {"Type108MovesToStation4", Line(Address(108, 3, 2, 5), " 12 ;"), 3, true,
     Line(Address(108, 3, 3, 5), " 12 ;\n")},
    {"Type200KeepsItsTextPartWithOneBlank", Line(Address(200, 0, 0, 1), " 1,ABC;"), 7, true,
     Line(Address(200, 0, 7, 1), " 1 ABC;")},
    {"Type150IsNotSent", Line(Address(150, 1, 2, 3), " 5 ;"), 0, false, ""},
    {"Type107IsNotSent", Line(Address(107, 0, 0, 0), " 5 ;"), 0, false, ""},
    {"Type109IsNotSent", Line(Address(109, 0, 0, 0), " 5 ;"), 0, false, ""},
    {"Type199IsNotSent", Line(Address(199, 0, 0, 0), " 5 ;"), 0, false, ""},
    {"Type201EndsInBlankSemicolon", Line(Address(201, 9, 1, 2), " 77 junk"), 4, true,
     Line(Address(201, 9, 4, 2), " 77 ;\n")},
    {"LeadingZerosOfTheValueVanish", Line(Address(108, 3, 2, 5), " 0012 ;"), 0, true,
     Line(Address(108, 3, 0, 5), " 12 ;\n")},
    {"Station15IsRewrittenToo", Line(Address(108, 3, 15, 5), " 12 ;"), 3, true,
     Line(Address(108, 3, 3, 5), " 12 ;\n")},
    {"BytesBeforeTheAddressAreSkipped", "  abc " + Line(Address(108, 0, 1, 0), "x-+12 ;"), 2, true,
     Line(Address(108, 0, 2, 0), " 12 ;\n")},
    {"SignsAreNotCarried", Line(Address(108, 0, 0, 0), " -5 ;"), 1, true,
     Line(Address(108, 0, 1, 0), " 5 ;\n")},
    {"LineWithoutDigitsIsNotSent", "abc ;", 0, false, ""},
    {"EmptyLineIsNotSent", "", 0, false, ""},
    {"AddressAloneIsNotSent", Line(Address(108, 0, 0, 0), ""), 0, false, ""},
    {"AddressAndSeparatorAloneIsNotSent", Line(Address(108, 0, 0, 0), " ;"), 0, false, ""},
    {"ValueEndingTheLineOfAnOrdinaryTypeIsSent", Line(Address(108, 0, 0, 0), " 9"), 5, true,
     Line(Address(108, 0, 5, 0), " 9 ;\n")},
    {"Type200WithoutTextPartIsNotSent", Line(Address(200, 0, 0, 1), " 1"), 7, false, ""},
    {"Type200WithEmptyTextPartEndsInTheBlank", Line(Address(200, 0, 0, 1), " 1,"), 7, true,
     Line(Address(200, 0, 7, 1), " 1 ")},
    {"Type200TextPartKeepsItsBytes", Line(Address(200, 2, 3, 4), " 8\tA;B C\r"), 1, true,
     Line(Address(200, 2, 1, 4), " 8 A;B C\r")},
};

INSTANTIATE_TEST_SUITE_P(Partial, RetargetTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RetargetRecord, SendsType65535) {
  const std::optional<std::string> r = RetargetRecord(Line(Address(65535, 255, 15, 15), " 1 ;"), 0);
  ASSERT_TRUE(r);
  // Type 65535 fills the address to 0xFFFF FF0F: "%d" writes it negative.
  EXPECT_EQ(*r, std::to_string(static_cast<int32_t>(Address(65535, 255, 0, 15))) + " 1 ;\n");
  EXPECT_EQ(r->substr(0, 4), "-241");
}

TEST(RetargetRecord, TypesFrom32768ArePrintedNegative) {
  // Type 40000, group 0, station 1, index 2 is 2621440018; to station 5 it
  // becomes 2621440082, which a signed 32-bit "%d" shows as -1673527214.
  const std::optional<std::string> r = RetargetRecord("2621440018 7 ;", 5);
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, "-1673527214 7 ;\n");
}

TEST(RetargetRecord, NumbersWrapAt32Bits) {
  // 2^32 + the address of a type-108 record wraps back to that address.
  const std::optional<std::string> a = RetargetRecord("4302045989 1 ;", 0);
  ASSERT_EQ(4302045989ull - 4294967296ull, Address(108, 3, 2, 5));
  ASSERT_TRUE(a);
  EXPECT_EQ(*a, Line(Address(108, 3, 0, 5), " 1 ;\n"));
  // A value of 3,000,000,000 goes out as a signed number; 2^32 + 1 as 1.
  EXPECT_EQ(RetargetRecord(Line(Address(108, 0, 0, 0), " 3000000000 ;"), 0),
            Line(Address(108, 0, 0, 0), " -1294967296 ;\n"));
  EXPECT_EQ(RetargetRecord(Line(Address(108, 0, 0, 0), " 4294967297 ;"), 0),
            Line(Address(108, 0, 0, 0), " 1 ;\n"));
}

TEST(RetargetRecord, KeepsLongLinesWhole) {
  const std::string text(5000, 'T');
  const std::optional<std::string> r = RetargetRecord(Line(Address(200, 1, 1, 1), " 3 " + text), 6);
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, Line(Address(200, 1, 6, 1), " 3 " + text));
  // Digits far into a long line still count.
  const std::optional<std::string> far = RetargetRecord(
      std::string(1000, ' ') + Line(Address(108, 0, 0, 0), std::string(1000, '.') + "42 ;"), 1);
  EXPECT_EQ(far, Line(Address(108, 0, 1, 0), " 42 ;\n"));
}

TEST(RetargetRecord, NeverLooksPastTheEndOfItsLine) {
  // The bytes after each view would complete the record if they were read.
  const std::string buffer = Line(Address(200, 0, 0, 1), " 1,ABC;");
  const std::string_view address_and_value(buffer.data(), buffer.find(','));
  EXPECT_FALSE(RetargetRecord(address_and_value, 7));

  const std::string_view address_only(buffer.data(), buffer.find(' '));
  EXPECT_FALSE(RetargetRecord(address_only, 7));

  const std::string record = Line(Address(108, 0, 0, 0), " 1234 ;");
  const std::string_view cut_value(record.data(), record.find('3'));
  EXPECT_EQ(RetargetRecord(cut_value, 2), Line(Address(108, 0, 2, 0), " 12 ;\n"));
}

TEST(RetargetRecord, AppendingLeavesTheOutputAloneWhenNotSent) {
  std::string out = "<2>";
  EXPECT_FALSE(AppendRetargetedRecord(Line(Address(150, 0, 0, 0), " 1 ;"), 1, out));
  EXPECT_FALSE(AppendRetargetedRecord("", 1, out));
  EXPECT_EQ(out, "<2>");
  EXPECT_TRUE(AppendRetargetedRecord(Line(Address(108, 0, 0, 0), " 1 ;"), 1, out));
  EXPECT_EQ(out, "<2>" + Line(Address(108, 0, 1, 0), " 1 ;\n"));
}

}  // namespace
}  // namespace corvane
