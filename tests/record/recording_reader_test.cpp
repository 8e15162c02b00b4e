// Recordings read back: damage found where it is, with everything before it
// still read, and numbered files that each stand alone.
#include "record/recording_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/path_text.h"
#include "record/recorded_picture.h"
#include "record/recording_writer.h"
#include "screen/image_decoder.h"
#include "support/scratch_dir.h"

namespace corvane {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

const std::vector<std::string> kPayloads = {"B9C5D1", "E9E9E9E7", "G4H2I3", "A9B9C9D9J9K9L9",
                                            std::string(3000, '9') + "M8N8"};

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The images a second apart from 1 s on, and a key after each.
void WriteSession(RecordingSettings settings,
                  const std::vector<std::string>& payloads = kPayloads) {
  RecordingWriter writer(settings, 0, nullptr);
  ASSERT_FALSE(writer.Open());
  TrafficSplitter splitter;
  for (size_t i = 0; i < payloads.size(); ++i) {
    writer.SetTime((i + 1) * 1'000'000);
    splitter.Received(Bytes("{" + payloads[i] + "}"), writer);
    writer.SetTime((i + 1) * 1'000'000 + 500'000);
    splitter.Sent(Bytes("<1>A"), writer);
  }
  ASSERT_FALSE(writer.Finish(RecordingEnd::kStopped));
}

// The pictures the window shows after each payload.
std::vector<std::vector<Pixel>> WirePictures(const std::vector<std::string>& payloads = kPayloads) {
  std::vector<Pixel> picture(static_cast<size_t>(Surface::kWidth) * Surface::kHeight,
                             kInitialSurfacePixel);
  ImageDecoder decoder;
  std::vector<std::vector<Pixel>> pictures;
  for (const std::string& payload : payloads) {
    decoder.Begin(picture.data());
    decoder.Feed(Bytes(payload));
    decoder.Finish();
    decoder.End();
    pictures.push_back(picture);
  }
  return pictures;
}

struct ReadBack {
  std::vector<uint64_t> offsets;
  std::vector<std::string> images;
  std::optional<RecordingDamage> damage;
};

ReadBack ReadAll(const std::filesystem::path& file) {
  ReadBack back;
  std::string error;
  auto reader = RecordingReader::Open(file, error);
  EXPECT_TRUE(reader) << error;
  if (!reader) return back;
  RecordedItem item;
  while (reader->Next(item)) {
    back.offsets.push_back(item.offset);
    if (item.type == RecordType::kImage)
      back.images.emplace_back(item.payload.begin(), item.payload.end());
  }
  back.damage = reader->Damage();
  return back;
}

TEST(RecordingReader, DamageIsNamedWithItsOffsetAndWhatCameBeforeItIsRead) {
  ScratchDir dir;
  RecordingSettings settings;
  settings.file = dir / "whole.cvr";
  WriteSession(settings);
  const ReadBack whole = ReadAll(settings.file);
  const std::vector<std::vector<Pixel>> wire = WirePictures();
  ASSERT_FALSE(whole.damage);
  ASSERT_EQ(whole.images, kPayloads);
  const std::string bytes = ReadWholeFile(settings.file);

  // One byte changed inside the fourth image's record.
  size_t fourth = 0;
  {
    std::string error;
    auto reader = RecordingReader::Open(settings.file, error);
    RecordedItem item;
    for (int images = 0; images < 4 && reader->Next(item);) {
      if (item.type == RecordType::kImage) ++images;
    }
    fourth = item.offset;
  }
  std::string flipped = bytes;
  flipped[fourth + 22] = static_cast<char>(flipped[fourth + 22] ^ 0x10);
  WriteWholeFile(dir / "flipped.cvr", flipped);
  const ReadBack damaged = ReadAll(dir / "flipped.cvr");
  ASSERT_TRUE(damaged.damage);
  EXPECT_EQ(damaged.damage->offset, fourth);
  EXPECT_EQ(damaged.images, std::vector<std::string>(kPayloads.begin(), kPayloads.begin() + 3));
  const std::string message = damaged.damage->Message();
  EXPECT_NE(message.find(PathText(dir / "flipped.cvr")), std::string::npos) << message;
  EXPECT_NE(message.find("byte " + std::to_string(fourth)), std::string::npos) << message;

  // Cut inside each of the last records: all before the cut is read, and
  // the cut is named at the record it falls in.
  for (size_t k = whole.offsets.size() - 3; k < whole.offsets.size(); ++k) {
    const size_t cut = whole.offsets[k] + 7;
    WriteWholeFile(dir / "cut.cvr", bytes.substr(0, cut));
    const ReadBack back = ReadAll(dir / "cut.cvr");
    ASSERT_TRUE(back.damage) << cut;
    EXPECT_EQ(back.damage->offset, whole.offsets[k]);
    EXPECT_NE(back.damage->what.find("cut off"), std::string::npos) << back.damage->what;
    EXPECT_EQ(back.offsets, std::vector<uint64_t>(whole.offsets.begin(),
                                                  whole.offsets.begin() + static_cast<long>(k)));
    // After the cut the recording shows its last whole image.
    std::string error;
    auto reader = RecordingReader::Open(dir / "cut.cvr", error);
    RecordedPicture picture;
    ASSERT_EQ(PictureAt(*reader, 99'000'000, picture), PictureAtResult::kFound) << cut;
    const std::vector<Pixel>& last = wire[back.images.size() - 1];
    EXPECT_TRUE(std::equal(last.begin(), last.end(), picture.Pixels())) << cut;
  }
  // Damage inside the file leaves every picture after it unknown.
  {
    std::string error;
    auto reader = RecordingReader::Open(dir / "flipped.cvr", error);
    RecordedPicture picture;
    EXPECT_EQ(PictureAt(*reader, 99'000'000, picture), PictureAtResult::kDamaged);
  }

  // A file that is not a recording, or one cut inside its header.
  std::string error;
  WriteWholeFile(dir / "picture.png", "\x89PNG\r\n\x1a\n and more than twenty bytes");
  EXPECT_FALSE(RecordingReader::Open(dir / "picture.png", error));
  EXPECT_EQ(error, PathText(dir / "picture.png") + ": not a Corvane recording");
  WriteWholeFile(dir / "short.cvr", bytes.substr(0, 25));
  EXPECT_FALSE(RecordingReader::Open(dir / "short.cvr", error));
  EXPECT_NE(error.find("cut off inside its header"), std::string::npos) << error;
}

TEST(RecordingReader, NumberedFilesEachStartWithTheirPictureAndOnlyTheNewestStay) {
  ScratchDir dir;
  RecordingSettings settings;
  settings.file = dir / "shift.cvr";
  settings.max_file_bytes = 1;  // a new file before every image
  settings.keep_files = 2;
  WriteSession(settings);
  const int parts = static_cast<int>(kPayloads.size());
  for (int part = 1; part <= parts - 2; ++part) {
    EXPECT_FALSE(std::filesystem::exists(RecordingPartPath(settings.file, part))) << part;
  }
  const std::vector<std::vector<Pixel>> wire = WirePictures();
  for (int part = parts - 1; part <= parts; ++part) {
    const auto file = RecordingPartPath(settings.file, part);
    std::string error;
    auto reader = RecordingReader::Open(file, error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(reader->Header().Field("part"), std::to_string(part));
    RecordedItem item;
    ASSERT_TRUE(reader->Next(item));
    EXPECT_EQ(item.type, RecordType::kKeyPicture);
    // Its one image, at the time since the file's own start.
    RecordedPicture picture;
    ASSERT_EQ(PictureAt(*reader, 0, picture), PictureAtResult::kFound);
    const auto& expected = wire[static_cast<size_t>(part - 1)];
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), picture.Pixels())) << part;
  }

  // Started again, the recording goes on after the newest part, never over
  // it; with fewer to keep, every older part goes.
  WriteSession(settings);
  EXPECT_TRUE(std::filesystem::exists(RecordingPartPath(settings.file, 2 * parts)));
  EXPECT_FALSE(std::filesystem::exists(RecordingPartPath(settings.file, 1)));
  settings.keep_files = 1;
  WriteSession(settings);
  EXPECT_TRUE(std::filesystem::exists(RecordingPartPath(settings.file, 3 * parts)));
  EXPECT_FALSE(std::filesystem::exists(RecordingPartPath(settings.file, 3 * parts - 1)));
  EXPECT_FALSE(std::filesystem::exists(RecordingPartPath(settings.file, 2 * parts - 1)));
}

TEST(RecordingReader, APictureIsFoundFromTheKeyBeforeItAndNotBeforeTheFirstImage) {
  ScratchDir dir;
  RecordingSettings settings;
  settings.file = dir / "keys.cvr";
  settings.key_interval = std::chrono::seconds(3600);
  settings.key_every_images = 2;  // before images 1, 3 and 5
  WriteSession(settings);
  const std::vector<std::vector<Pixel>> wire = WirePictures();
  std::string error;
  auto reader = RecordingReader::Open(settings.file, error);
  ASSERT_TRUE(reader) << error;
  int keys = 0;
  for (RecordedItem item; reader->Next(item);) keys += item.type == RecordType::kKeyPicture;
  EXPECT_EQ(keys, 3);
  // At each image and half a second after it; back and forth, so that a
  // seek both finds its key among those met before and scans on for it.
  for (const size_t i : {1, 0, 3, 2, 4}) {
    for (const uint64_t time : {(i + 1) * 1'000'000, (i + 1) * 1'000'000 + 500'000}) {
      RecordedPicture picture;
      ASSERT_EQ(PictureAt(*reader, time, picture), PictureAtResult::kFound) << time;
      EXPECT_TRUE(std::equal(wire[i].begin(), wire[i].end(), picture.Pixels())) << time;
    }
  }
  RecordedPicture none;
  EXPECT_EQ(PictureAt(*reader, 999'999, none), PictureAtResult::kNothingYet);
}

TEST(RecordingReader, AKeyPictureIsTheShownPictureWhicheverImagesCoverTheScreen) {
  ScratchDir dir;
  RecordingSettings settings;
  settings.file = dir / "cover.cvr";
  settings.key_interval = std::chrono::seconds(3600);
  settings.key_every_images = 3;  // before images 0, 3 and 6
  // Part images, one that draws the whole screen, and part images so long
  // that they are drawn before a key picture is due, each leaving a mark.
  const auto rows = [](size_t count) { return std::string(count, '9'); };
  const std::string idle(1'500'000, ' ');
  const std::vector<std::string> payloads = {
      "A" + rows(8) + "B9C5D1", "E" + rows(600),        rows(10) + "G4H2I3", rows(40) + "J8" + idle,
      rows(30) + "K7" + idle,   rows(20) + "L6" + idle, rows(12) + "M5"};
  WriteSession(settings, payloads);
  const std::vector<std::vector<Pixel>> wire = WirePictures(payloads);
  std::string error;
  auto reader = RecordingReader::Open(settings.file, error);
  ASSERT_TRUE(reader) << error;
  for (size_t i = 0; i < payloads.size(); ++i) {
    RecordedPicture picture;
    ASSERT_EQ(PictureAt(*reader, (i + 1) * 1'000'000, picture), PictureAtResult::kFound) << i;
    EXPECT_TRUE(std::equal(wire[i].begin(), wire[i].end(), picture.Pixels())) << i;
  }
}

}  // namespace
}  // namespace corvane
