#include "cli/output_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane::cli {
namespace {

TEST(OutputPattern, FillsEachFieldAndLeavesAPlainNameAlone) {
  const PatternFields fields{.name = "press-7", .n = 12, .date = "2024-05-02", .time = "140311"};
  EXPECT_EQ(ExpandPattern("backups/{name}-{date}_{time}.{n}.spb", fields),
            "backups/press-7-2024-05-02_140311.12.spb");
  EXPECT_EQ(ExpandPattern("{name}/{name}.png", fields), "press-7/press-7.png");
  EXPECT_EQ(ExpandPattern("plain.spb", fields), "plain.spb");
  EXPECT_EQ(CheckPattern("backups/{name}-{date}_{time}-{n}.spb"), "");

  EXPECT_NE(CheckPattern("{nmae}.spb"), "");
  EXPECT_NE(CheckPattern("{name.spb"), "");
  EXPECT_TRUE(PatternNamesEachController("x-{n}.spb"));
  EXPECT_FALSE(PatternNamesEachController("backups/{date}.spb"));
}

TEST(OutputPattern, NamesBecomeOneSafeFileNameKeepingTheirLetters) {
  // Accents and other scripts stay as they are.
  EXPECT_EQ(SafeFileName("Presse-S\xC3\xBC\x64"), "Presse-S\xC3\xBC\x64");
  EXPECT_EQ(SafeFileName("\xD0\x9F\xD1\x80\xD0\xB5\xD1\x81\xD1\x81"),
            "\xD0\x9F\xD1\x80\xD0\xB5\xD1\x81\xD1\x81");
  // No way out of the folder, nor into a device or a stream.
  EXPECT_EQ(SafeFileName("../etc/x"), ".._etc_x");
  EXPECT_EQ(SafeFileName("a\\b:c*d?e\"f<g>h|i"), "a_b_c_d_e_f_g_h_i");
  EXPECT_EQ(SafeFileName(std::string("tab\there\x01", 10)), "tab_here__");  // and a NUL
  EXPECT_EQ(SafeFileName(".."), "___");
  EXPECT_EQ(SafeFileName(""), "_");
  EXPECT_EQ(SafeFileName("hall 2."), "hall 2_");
  // Windows would open the port COM3 for "COM3.spb" and the backup would be lost.
  const PatternFields com3{.name = "COM3", .n = 1, .date = "d", .time = "t"};
  EXPECT_EQ(ExpandPattern("b/{name}.spb", com3), "b/COM3_.spb");
  EXPECT_EQ(ExpandPattern("b/{name}-{date}.spb", com3), "b/COM3-d.spb");
  EXPECT_EQ(ExpandPattern("{name}/{n}.spb", {.name = "nul", .n = 1, .date = "", .time = ""}),
            "nul_/1.spb");
}

}  // namespace
}  // namespace corvane::cli
