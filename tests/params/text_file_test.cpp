#include "params/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace corvane {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

std::unique_ptr<TextFileReader> OpenOrFail(const std::filesystem::path& path) {
  std::error_code error;
  auto reader = TextFileReader::Open(path, error);
  EXPECT_TRUE(reader) << error.message();
  return reader;
}

std::string ReadAllBytes(TextFileReader& reader) {
  std::string bytes;
  while (const std::optional<uint8_t> b = reader.Get()) bytes.push_back(static_cast<char>(*b));
  return bytes;
}

std::vector<std::string> ReadAllLines(TextFileReader& reader, std::string* rest = nullptr) {
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  if (rest != nullptr) *rest = line;
  return lines;
}

TEST(TextFileWriter, StoresEachLfAsCrLfAndEveryOtherByteUnchanged) {
  ScratchDir dir;
  std::error_code error;
  auto writer = TextFileWriter::Create(dir / "out.spb", error);
  ASSERT_TRUE(writer) << error.message();
  const std::string text("1 2 ;\n3 4 ;\n\r\n\x1A\r\x00\xFF", 17);
  EXPECT_TRUE(writer->Write(text));
  EXPECT_TRUE(writer->Close());
  EXPECT_EQ(ReadWholeFile(dir / "out.spb"),
            std::string("1 2 ;\r\n3 4 ;\r\n\r\r\n\x1A\r\x00\xFF", 20));
}

TEST(TextFileWriter, EmptiesAnExistingFile) {
  ScratchDir dir;
  WriteWholeFile(dir / "old.spb", "old contents that must go");
  std::error_code error;
  auto writer = TextFileWriter::Create(dir / "old.spb", error);
  ASSERT_TRUE(writer);
  EXPECT_TRUE(writer->Close());
  EXPECT_EQ(ReadWholeFile(dir / "old.spb"), "");
}

TEST(TextFileWriter, KeepsEveryByteOfAFileLargerThanItsBuffer) {
  ScratchDir dir;
  std::error_code error;
  auto writer = TextFileWriter::Create(dir / "big.spb", error);
  ASSERT_TRUE(writer);
  std::string expected;
  for (int i = 0; i < 300'000; ++i) {
    const auto byte = static_cast<uint8_t>(i % 251);
    ASSERT_TRUE(writer->Put(byte));
    if (byte == '\n') expected.push_back('\r');
    expected.push_back(static_cast<char>(byte));
  }
  ASSERT_TRUE(writer->Close());
  EXPECT_EQ(ReadWholeFile(dir / "big.spb"), expected);
}

TEST(TextFileWriter, ReportsAFileThatCannotBeCreated) {
  ScratchDir dir;
  std::error_code error;
  EXPECT_FALSE(TextFileWriter::Create(dir / "no-such-dir" / "x.spb", error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

TEST(TextFileWriter, AFullDiskIsReportedEvenWhenItShowsOnlyAtTheClose) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  std::error_code error;
  auto writer = TextFileWriter::Create("/dev/full", error);
  ASSERT_TRUE(writer) << error.message();
  // Small enough to stay in the buffer: the failure comes at the close.
  EXPECT_TRUE(writer->Write("1 2 ;\n"));
  EXPECT_FALSE(writer->Close());
  EXPECT_EQ(writer->Error(), std::errc::no_space_on_device);
  EXPECT_FALSE(writer->Close()) << "a second close keeps the answer";
  EXPECT_FALSE(writer->Put('x')) << "nothing is written after a failure";
}

TEST(TextFileReader, ReadsCrLfAsLfAndKeepsALoneCr) {
  ScratchDir dir;
  WriteWholeFile(dir / "in.spb", "a\r\nb\rc\r\r\nd\n\r");
  auto reader = OpenOrFail(dir / "in.spb");
  ASSERT_TRUE(reader);
  EXPECT_EQ(ReadAllBytes(*reader), "a\nb\rc\r\nd\n\r");
  EXPECT_FALSE(reader->Failed());
}

TEST(TextFileReader, StopsAtTheEndOfFileByte) {
  ScratchDir dir;
  WriteWholeFile(dir / "in.spb",
                 "1 2 ;\r\n\r\x1A"
                 "3 4 ;\r\n");
  auto reader = OpenOrFail(dir / "in.spb");
  ASSERT_TRUE(reader);
  EXPECT_EQ(ReadAllBytes(*reader), "1 2 ;\n\r");
  EXPECT_EQ(reader->Get(), std::nullopt) << "the end stays the end";
}

TEST(TextFileReader, PairsACrAndLfThatStraddleTheBuffer) {
  ScratchDir dir;
  // The reader fills 64 KiB at a time; put the CR last in the first fill.
  std::string bytes(64 * 1024 - 1, 'x');
  bytes += "\r\nyz\r";
  WriteWholeFile(dir / "in.spb", bytes);
  auto reader = OpenOrFail(dir / "in.spb");
  ASSERT_TRUE(reader);
  std::string rest;
  const auto lines = ReadAllLines(*reader, &rest);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string(64 * 1024 - 1, 'x'));
  EXPECT_EQ(rest, "yz\r") << "a last line without LF is not a line";
}

TEST(TextFileReader, ReadsLinesOfAnyLengthWhole) {
  ScratchDir dir;
  const std::string long_line(200'000, '7');
  WriteWholeFile(dir / "in.spb",
                 "short\r\n" + long_line + "\r\n\r\n" + std::string(256, 'a') + "\n");
  auto reader = OpenOrFail(dir / "in.spb");
  ASSERT_TRUE(reader);
  const auto lines = ReadAllLines(*reader);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "short");
  EXPECT_EQ(lines[1], long_line);
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], std::string(256, 'a'));
}

TEST(TextFileReader, LinesAndBytesAgreeAboutTheEndOfFileByte) {
  ScratchDir dir;
  WriteWholeFile(dir / "in.spb", "1 2 ;\r\n3 4\x1A ;\r\n5 6 ;\r\n");
  auto reader = OpenOrFail(dir / "in.spb");
  ASSERT_TRUE(reader);
  std::string rest;
  const auto lines = ReadAllLines(*reader, &rest);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "1 2 ;");
  EXPECT_EQ(rest, "3 4");
}

TEST(TextFileReader, ReadsAReadOnlyFile) {
  ScratchDir dir;
  WriteWholeFile(dir / "ro.spb", "1 2 ;\r\n");
  testing::MakeReadOnly(dir / "ro.spb");
  auto reader = OpenOrFail(dir / "ro.spb");
  ASSERT_TRUE(reader);
  EXPECT_EQ(ReadAllLines(*reader), std::vector<std::string>{"1 2 ;"});
}

TEST(TextFileReader, TellsAMissingFileFromAReadError) {
  ScratchDir dir;
  std::error_code error;
  EXPECT_FALSE(TextFileReader::Open(dir / "missing.spb", error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);

  // A directory opens on some systems and fails at the first read.
  auto reader = TextFileReader::Open(dir.Path(), error);
  if (reader) {
    std::string line;
    EXPECT_FALSE(reader->ReadLine(line));
    EXPECT_TRUE(reader->Failed());
  }
}

TEST(TextFile, WhatIsWrittenReadsBackTheSame) {
  ScratchDir dir;
  std::string text;
  for (int i = 0; i < 5000; ++i) {
    const auto byte = static_cast<char>(i % 256);
    if (byte != '\x1A') text.push_back(byte);
  }
  std::error_code error;
  auto writer = TextFileWriter::Create(dir / "round.spb", error);
  ASSERT_TRUE(writer);
  writer->Write(text);
  ASSERT_TRUE(writer->Close());
  auto reader = OpenOrFail(dir / "round.spb");
  ASSERT_TRUE(reader);
  // Every byte but 0x1A comes back as it went in, CR and NUL included.
  EXPECT_EQ(ReadAllBytes(*reader), text);
}

}  // namespace
}  // namespace corvane
