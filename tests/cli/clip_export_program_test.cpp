// corvane-cli export --from --to: clips of a recording made here, checked
// with FFmpeg's own tools for their frames, their length and, in a GIF,
// every pixel.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "record/recording_reader.h"
#include "record/recording_writer.h"
#include "screen/image_decoder.h"
#include "support/scratch_dir.h"

namespace corvane::cli {
namespace {

using corvane::testing::ReadWholeFile;
using corvane::testing::ScratchDir;
using corvane::testing::WriteWholeFile;

const std::vector<std::string> kPayloads = {"B9B9C5D1", "E9E9E9E7", "G4H2I3", "A9B9C9D9J9K9L9"};
// 2.005 s comes sooner after 2.0 s than a GIF frame can.
const std::vector<uint64_t> kTimes = {1'000'000, 2'000'000, 2'005'000, 3'500'000};

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

void WriteSession(const std::filesystem::path& file, const std::vector<uint64_t>& times = kTimes,
                  uint64_t end_us = 5'000'000) {
  RecordingSettings settings;
  settings.file = file;
  RecordingWriter writer(settings, 0, nullptr);
  ASSERT_FALSE(writer.Open());
  TrafficSplitter splitter;
  for (size_t i = 0; i < times.size(); ++i) {
    writer.SetTime(times[i]);
    splitter.Received(Bytes("{" + kPayloads[i] + "}"), writer);
  }
  writer.SetTime(end_us);
  ASSERT_FALSE(writer.Finish(RecordingEnd::kStopped));
}

// As rgb24: the empty picture, then the window's picture after each image.
std::vector<std::string> WirePictures() {
  std::vector<Pixel> picture(static_cast<size_t>(Surface::kWidth) * Surface::kHeight,
                             kInitialSurfacePixel);
  ImageDecoder decoder;
  std::vector<std::string> pictures;
  auto add = [&] {
    std::string rgb;
    for (const Pixel p : picture)
      rgb += {char(PixelRed(p)), char(PixelGreen(p)), char(PixelBlue(p))};
    pictures.push_back(rgb);
  };
  add();
  for (const std::string& payload : kPayloads) {
    decoder.Begin(picture.data());
    decoder.Feed(Bytes(payload));
    decoder.Finish();
    decoder.End();
    add();
  }
  return pictures;
}

struct ShellRun {
  int status = -1;
  std::string output;  // standard output and error
};

ShellRun Shell(const std::string& command) {
  ShellRun run;
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

ShellRun Export(const std::filesystem::path& recording, const std::string& from,
                const std::string& to, const std::filesystem::path& clip) {
  return Shell(std::string(CORVANE_CLI_PATH) + " export '" + recording.string() + "' --from " +
               from + " --to " + to + " -o '" + clip.string() + "'");
}

// ffprobe's frame count, size and length of a clip.
std::map<std::string, std::string> Probe(const std::filesystem::path& clip) {
  const ShellRun run =
      Shell(std::string(CORVANE_FFPROBE_PATH) +
            " -v error -count_frames -show_entries "
            "stream=nb_read_frames,width,height:format=duration -of default=nw=1 '" +
            clip.string() + "'");
  std::map<std::string, std::string> values;
  size_t start = 0;
  for (size_t end; (end = run.output.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = run.output.substr(start, end - start);
    if (const size_t eq = line.find('='); eq != std::string::npos) {
      values[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return values;
}

TEST(ClipExport, AClipShowsEachPictureForItsTimeAndAGifKeepsEveryPixel) {
  ASSERT_TRUE(std::filesystem::exists(CORVANE_FFPROBE_PATH))
      << "ffprobe is needed (Debian's ffmpeg: scripts/install-deps.sh)";
  ScratchDir dir;
  WriteSession(dir / "s.cvr");

  // From 0.5 s to 4.5 s: the empty picture, then one frame per image.
  ASSERT_EQ(Export(dir / "s.cvr", "0.5", "4.5", dir / "c.mp4").status, 0);
  std::map<std::string, std::string> mp4 = Probe(dir / "c.mp4");
  EXPECT_EQ(mp4["nb_read_frames"], "5");
  EXPECT_EQ(mp4["width"], "1600");
  EXPECT_NEAR(std::stod(mp4["duration"]), 4.0, 0.0015);

  // The GIF merges the image 5 ms after another into that one's frame.
  ASSERT_EQ(Export(dir / "s.cvr", "0.5", "4.5", dir / "c.gif").status, 0);
  std::map<std::string, std::string> gif = Probe(dir / "c.gif");
  EXPECT_EQ(gif["nb_read_frames"], "4");
  EXPECT_NEAR(std::stod(gif["duration"]), 4.0, 0.0015);

  const ShellRun decoded = Shell(
      std::string(CORVANE_FFMPEG_PATH) + " -v error -i '" + (dir / "c.gif").string() +
      "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 '" + (dir / "c.rgb").string() + "'");
  ASSERT_EQ(decoded.status, 0) << decoded.output;
  const std::string frames = ReadWholeFile(dir / "c.rgb");
  const std::vector<std::string> wire = WirePictures();
  const size_t shown[] = {0, 1, 3, 4};  // picture 2 stood for 5 ms only
  const size_t size = wire[0].size();
  ASSERT_EQ(frames.size(), size * std::size(shown));
  for (size_t i = 0; i < std::size(shown); ++i) {
    EXPECT_TRUE(frames.compare(i * size, size, wire[shown[i]]) == 0) << "frame " << i;
  }

  // A folder of PNG frames says when each is shown.
  ASSERT_EQ(Export(dir / "s.cvr", "0.5", "4.5", dir / "frames/").status, 0);
  EXPECT_EQ(ReadWholeFile(dir / "frames" / "frames.txt"),
            "# file, start and duration in seconds\n"
            "frame-00001.png 0.000 0.500\nframe-00002.png 0.500 1.000\n"
            "frame-00003.png 1.500 0.005\nframe-00004.png 1.505 1.495\n"
            "frame-00005.png 3.000 1.000\n");
  EXPECT_EQ(Export(dir / "s.cvr", "0.5", "4.5", dir / "frames").status, 5);  // never over it
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
}

TEST(ClipExport, APictureStandingLongerThanAGifDelayCanSayIsShownAgain) {
  // A GIF delay ends at 655.35 s: the picture of 1 s stands for 1000 s.
  ScratchDir dir;
  WriteSession(dir / "s.cvr", {1'000'000, 1'001'000'000}, 1'002'000'000);
  ASSERT_EQ(Export(dir / "s.cvr", "0", "1001.5", dir / "c.gif").status, 0);
  std::map<std::string, std::string> gif = Probe(dir / "c.gif");
  EXPECT_EQ(gif["nb_read_frames"], "4");
  EXPECT_NEAR(std::stod(gif["duration"]), 1001.5, 0.0015);
}

TEST(ClipExport, AStretchWithoutPicturesOrDamageInsideItLeavesTheFileAsItWas) {
  ScratchDir dir;
  WriteSession(dir / "s.cvr");
  EXPECT_EQ(Export(dir / "s.cvr", "3", "2", dir / "c.gif").status, 1);

  // Nothing before the first image at 1 s.
  ShellRun run = Export(dir / "s.cvr", "0", "0.9", dir / "c.gif");
  EXPECT_EQ(run.status, 5);
  EXPECT_NE(run.output.find("shows no screen image"), std::string::npos) << run.output;
  EXPECT_FALSE(std::filesystem::exists(dir / "c.gif"));

  // A byte of the image at 2 s changed: its record fails its check.
  uint64_t offset = 0;
  {
    std::string error;
    auto reader = RecordingReader::Open(dir / "s.cvr", error);
    ASSERT_TRUE(reader) << error;
    RecordedItem item;
    while (reader->Next(item) && !(item.type == RecordType::kImage && item.time_us == kTimes[1])) {
    }
    offset = item.offset;
  }
  std::string bytes = ReadWholeFile(dir / "s.cvr");
  bytes[offset + 21] ^= 0x55;
  WriteWholeFile(dir / "s.cvr", bytes);
  WriteWholeFile(dir / "c.mp4", "an earlier clip");
  run = Export(dir / "s.cvr", "0", "4", dir / "c.mp4");
  EXPECT_EQ(run.status, 5);
  EXPECT_NE(run.output.find("s.cvr: damaged at byte " + std::to_string(offset)), std::string::npos)
      << run.output;
  EXPECT_EQ(ReadWholeFile(dir / "c.mp4"), "an earlier clip");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    ++files;
  }
  EXPECT_EQ(files, 2u);  // the recording and the earlier clip, no temporary one
}

}  // namespace
}  // namespace corvane::cli
