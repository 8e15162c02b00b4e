#include "screen/png_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace corvane {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;

// Every channel of every pixel differs from its neighbours', so a swapped
// channel, a dropped row or an off-by-one stride shows.
void PaintPattern(Surface& surface, uint32_t seed) {
  Pixel* p = surface.MutablePixels();
  for (int y = 0; y < Surface::kHeight; ++y) {
    for (int x = 0; x < Surface::kWidth; ++x) {
      const uint32_t v =
          static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u ^ seed;
      *p++ = MakePixel(static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                       static_cast<uint8_t>(v >> 16));
    }
  }
}

// Decodes `png` and counts the pixels that differ from `surface`; -1 when
// it is no 800x600 RGB picture.
long DifferingPixels(const std::string& png, const Surface& surface) {
  int width = 0, height = 0, components = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
      stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                            static_cast<int>(png.size()), &width, &height, &components, 3),
      stbi_image_free);
  if (!rgb || width != Surface::kWidth || height != Surface::kHeight || components != 3) return -1;
  long differing = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const stbi_uc* q = rgb.get() + (static_cast<size_t>(y) * width + x) * 3;
      if (MakePixel(q[0], q[1], q[2]) != surface.PixelAt(x, y)) ++differing;
    }
  }
  return differing;
}

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(PngFile, EveryPixelSurvivesTheRoundTripInMemoryAndOnDisk) {
  Surface surface;
  PaintPattern(surface, 0);
  const std::vector<uint8_t> png = EncodePng(surface);
  EXPECT_EQ(DifferingPixels(std::string(png.begin(), png.end()), surface), 0);

  ScratchDir dir;
  ASSERT_FALSE(WritePngFile(dir / "screen.png", surface));
  EXPECT_EQ(DifferingPixels(ReadWholeFile(dir / "screen.png"), surface), 0);
}

TEST(PngFile, ReplacesAnEarlierPictureAndLeavesNoTemporaryFile) {
  ScratchDir dir;
  Surface first, second;
  PaintPattern(first, 1);
  PaintPattern(second, 0x00ABCDEFu);
  ASSERT_FALSE(WritePngFile(dir / "screen.png", first));
  ASSERT_FALSE(WritePngFile(dir / "screen.png", second));
  EXPECT_EQ(DifferingPixels(ReadWholeFile(dir / "screen.png"), second), 0);
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"screen.png"});
}

TEST(PngFile, AFailedWriteReportsWhyAndLeavesNothingBehind) {
  ScratchDir dir;
  Surface surface;
  // No such folder: the temporary file cannot even be made.
  EXPECT_TRUE(WritePngFile(dir / "missing" / "screen.png", surface));
  // A folder in the way: written in full, but the rename fails.
  std::filesystem::create_directories(dir / "taken" / "inside");
  EXPECT_TRUE(WritePngFile(dir / "taken", surface));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken" / "inside"));
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"taken"});
}

TEST(PngFile, RefusesAPixelSpanShorterThanItsSize) {
  const std::vector<Pixel> pixels(11, kBlack);
  EXPECT_TRUE(EncodePng(pixels, 4, 3).empty());
  EXPECT_FALSE(EncodePng(pixels, 11, 1).empty());
  ScratchDir dir;
  EXPECT_EQ(WritePngFile(dir / "small.png", pixels, 4, 3), std::errc::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(dir / "small.png"));
}

}  // namespace
}  // namespace corvane
