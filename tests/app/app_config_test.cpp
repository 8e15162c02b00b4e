#include "app/app_config.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_dir.h"

namespace corvane {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

struct ParseCase {
  const char* text;
  int32_t expected;
};

TEST(ParsePortNumber, TakesPlainDigitsInRangeAndFallsBackOtherwise) {
  const ParseCase cases[] = {
      {"7", 7},
      {"", 0},
      {"0", 0},
      {"100", 100},
      {"101", 3},
      {"-1", 3},
      {"1a", 3},
      {" 5", 3},
      {"5 ", 3},
      {"+5", 3},
      {"007", 7},
      {"1.0", 3},
      {"\r", 3},
      {"99999999999", 3},
      // Accumulated in 32 bits: 2^32 + 1 wraps to 1, 2^32 to 0.
      {"4294967297", 1},
      {"4294967296", 0},
  };
  for (const ParseCase& c : cases) {
    EXPECT_EQ(ParsePortNumber(c.text, 3, kConfigPortMinimum, kConfigPortMaximum), c.expected)
        << '"' << c.text << '"';
  }
}

TEST(ParsePortNumber, ComparesTheRangeAsUnsignedNumbers) {
  EXPECT_EQ(ParsePortNumber("0", 9, kDialogPortMinimum, kDialogPortMaximum), 9);
  EXPECT_EQ(ParsePortNumber("1", 9, kDialogPortMinimum, kDialogPortMaximum), 1);
  // A minimum of -1 is 4294967295 as an unsigned number: nothing small fits.
  EXPECT_EQ(ParsePortNumber("5", 9, -1, 10), 9);
  // A maximum of -1 lets every 32-bit pattern through, negative on return.
  EXPECT_EQ(ParsePortNumber("4294967295", 9, 0, -1), -1);
}

TEST(ParseDialogPortNumber, ReadsUnsignedDecimalsWithBlanksAroundAndNeverWraps) {
  EXPECT_EQ(ParseDialogPortNumber("42"), 42u);
  EXPECT_EQ(ParseDialogPortNumber(" 7 "), 7u);
  EXPECT_EQ(ParseDialogPortNumber("\t7"), 7u);
  EXPECT_EQ(ParseDialogPortNumber("007"), 7u);
  EXPECT_EQ(ParseDialogPortNumber("4294967295"), 4294967295u);
  EXPECT_EQ(ParseDialogPortNumber("4294967296"), std::nullopt);  // would wrap to 0
  EXPECT_EQ(ParseDialogPortNumber("4294967297"), std::nullopt);  // would wrap to 1
  EXPECT_EQ(ParseDialogPortNumber("42949672970"), std::nullopt);
  EXPECT_EQ(ParseDialogPortNumber("1 2"), std::nullopt);
  EXPECT_EQ(ParseDialogPortNumber("+5"), std::nullopt);
  EXPECT_EQ(ParseDialogPortNumber("   "), std::nullopt);
  EXPECT_EQ(ParseDialogPortNumber(""), std::nullopt);
}

class ConfigFileTest : public ::testing::Test {
 protected:
  ReadConfigResult ReadWith(std::string_view bytes) {
    WriteWholeFile(dir_ / kConfigFileName, bytes);
    return ReadConfig(config_, dir_.Path());
  }

  ScratchDir dir_;
  AppConfig config_;
};

TEST_F(ConfigFileTest, DefaultIsPort3) { EXPECT_EQ(config_.ComPort(), 3); }

TEST_F(ConfigFileTest, AMissingFileIsCreatedWithTheDefaultLine) {
  EXPECT_EQ(ReadConfig(config_, dir_.Path()), ReadConfigResult::kCreated);
  EXPECT_EQ(config_.ComPort(), 3);
  EXPECT_EQ(ReadWholeFile(dir_ / "config.dpm"), "COM Port=3\r\n");
}

TEST_F(ConfigFileTest, EachDirectoryHasItsOwnFile) {
  ScratchDir other;
  WriteWholeFile(other / "config.dpm", "COM Port=12\r\n");
  EXPECT_EQ(ReadConfig(config_, other.Path()), ReadConfigResult::kRead);
  EXPECT_EQ(config_.ComPort(), 12);
  AppConfig fresh;
  EXPECT_EQ(ReadConfig(fresh, dir_.Path()), ReadConfigResult::kCreated);
  EXPECT_EQ(fresh.ComPort(), 3);
  EXPECT_EQ(ReadWholeFile(other / "config.dpm"), "COM Port=12\r\n");
}

struct FileCase {
  const char* name;
  std::string bytes;
  int32_t port;
};

class ConfigLines : public ConfigFileTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(ConfigLines, LastCompleteMatchingLineWins) {
  EXPECT_EQ(ReadWith(GetParam().bytes), ReadConfigResult::kRead);
  EXPECT_EQ(config_.ComPort(), GetParam().port);
  EXPECT_EQ(ReadWholeFile(dir_ / "config.dpm"), GetParam().bytes) << "reading never writes";
}

const FileCase kFileCases[] = {
    {"Port7", "COM Port=7\r\n", 7},
    {"EmptyValueReads0", "COM Port=\r\n", 0},
    {"Port101IsRefused", "COM Port=101\r\n", 3},
    {"NegativeIsRefused", "COM Port=-1\r\n", 3},
    {"TrailingLetterIsRefused", "COM Port=1a\r\n", 3},
    {"LeadingBlankIsRefused", "COM Port= 5\r\n", 3},
    {"KeyIsCaseSensitive", "com port=5\r\n", 3},
    {"KeyWithTrailingBlankDoesNotMatch", "COM Port =5\r\n", 3},
    {"KeyWithoutBlankDoesNotMatch", "COMPort=5\r\n", 3},
    {"LastLineWithoutLineEndIsIgnored", "COM Port=9", 3},
    {"TwoLinesTheLastWins", "COM Port=5\r\nCOM Port=8\r\n", 8},
    {"AnUnfinishedLastLineDoesNotOverride", "COM Port=5\r\nCOM Port=8", 5},
    {"ABadLaterValueKeepsTheEarlier", "COM Port=5\r\nCOM Port=x\r\n", 5},
    {"LfLineEndsReadToo", "COM Port=6\n", 6},
    {"KeyWithoutEqualsReads0", "COM Port\r\n", 0},
    {"OtherKeysAreIgnored", "Baud=9600\r\nCOM Port=4\r\nColour=blue\r\n", 4},
    {"OnlyTheFirstEqualsSplits", "COM Port=4=5\r\n", 3},
    {"ALoneCrStaysInTheValue", "COM Port=4\r\r\n", 3},
    {"EndOfFileByteEndsTheFile",
     "COM Port=4\r\n\x1A"
     "COM Port=5\r\n",
     4},
    {"EmptyFile", "", 3},
};

INSTANTIATE_TEST_SUITE_P(File, ConfigLines, ::testing::ValuesIn(kFileCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigFileTest, LinesOfAnyLengthAreParsedWhole) {
  const std::string long_junk(100'000, 'z');
  EXPECT_EQ(ReadWith(long_junk + "\r\nCOM Port=" + std::string(5000, '0') + "42\r\n"),
            ReadConfigResult::kRead);
  EXPECT_EQ(config_.ComPort(), 42);
  // A line whose first 255 characters would look like a good line is not one.
  EXPECT_EQ(ReadWith("COM Port=7" + std::string(300, '0') + "x\r\n"), ReadConfigResult::kRead);
  EXPECT_EQ(config_.ComPort(), 42);
}

TEST_F(ConfigFileTest, AReadOnlyFileIsHonouredAndLeftAlone) {
  WriteWholeFile(dir_ / "config.dpm", "COM Port=9\r\n");
  testing::MakeReadOnly(dir_ / "config.dpm");
  EXPECT_EQ(ReadConfig(config_, dir_.Path()), ReadConfigResult::kRead);
  EXPECT_EQ(config_.ComPort(), 9);
  EXPECT_EQ(ReadWholeFile(dir_ / "config.dpm"), "COM Port=9\r\n");
}

TEST_F(ConfigFileTest, AFileThatCannotBeReadIsNotReplaced) {
  // A directory where the file should be: not the operator's setting, and
  // not something to overwrite with the defaults either.
  std::filesystem::create_directory(dir_ / "config.dpm");
  EXPECT_EQ(ReadConfig(config_, dir_.Path()), ReadConfigResult::kUnreadable);
  EXPECT_EQ(config_.ComPort(), 3);
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "config.dpm"));
}

TEST_F(ConfigFileTest, WriteConfigWritesOneCrLfLineThatReadsBack) {
  config_.SetComPort(42);
  ASSERT_EQ(WriteConfig(config_, dir_.Path()), std::error_code());
  EXPECT_EQ(ReadWholeFile(dir_ / "config.dpm"), "COM Port=42\r\n");
  AppConfig again;
  EXPECT_EQ(ReadConfig(again, dir_.Path()), ReadConfigResult::kRead);
  EXPECT_EQ(again.ComPort(), 42);
  // Rewriting replaces the whole file.
  config_.SetComPort(5);
  ASSERT_EQ(WriteConfig(config_, dir_.Path()), std::error_code());
  EXPECT_EQ(ReadWholeFile(dir_ / "config.dpm"), "COM Port=5\r\n");
}

TEST_F(ConfigFileTest, WriteConfigReportsAFileThatCannotBeWritten) {
  EXPECT_EQ(WriteConfig(config_, dir_ / "no-such-dir"), std::errc::no_such_file_or_directory);
  AppConfig config;
  EXPECT_EQ(ReadConfig(config, dir_ / "no-such-dir"), ReadConfigResult::kMissing);
  EXPECT_EQ(config.ComPort(), 3);
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(WriteConfig(config_, "/dev", "full"), std::errc::no_space_on_device)
        << "a full disk is not a success";
  }
}

}  // namespace
}  // namespace corvane
