#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "screen/image_decoder.h"
#include "screen/kept_picture_display.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"
#include "support/allocation_counter.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

constexpr Pixel kRed = MakePixel(255, 0, 0);

class RenderScreenImageTest : public ::testing::Test {
 protected:
  void Render(std::string_view payload) {
    std::memcpy(image_.bytes.get(), payload.data(), payload.size());
    image_.count = static_cast<int32_t>(payload.size());
    RenderScreenImage(image_, decoder_, counters_, display_);
  }
  // A pixel of the last picture shown.
  Pixel Shown(int x, int y) const {
    return display_.LastPicture().at(static_cast<size_t>(y) * Surface::kWidth +
                                     static_cast<size_t>(x));
  }

  ScreenImageBuffer image_;
  ImageDecoder decoder_;
  StatusCounters counters_;
  testing::RecordingDisplay display_;
};

TEST_F(RenderScreenImageTest, StatusFirstThenTheFramedPicture) {
  Render("B" + std::string(10, '9'));  // rows 0 to 9 red
  EXPECT_EQ(display_.Events(), (std::vector<std::string>{"status", "picture"}));
  EXPECT_EQ(display_.Texts().at(0), FormatImagesStatus(0));
  EXPECT_EQ(counters_.ImagesShown.load(), 1);
  EXPECT_EQ(Shown(100, 7), kRed);
  EXPECT_EQ(Shown(100, 3), kBlack);  // frame rows 0 to 5
  EXPECT_EQ(Shown(0, 7), kBlack);    // frame columns
  EXPECT_EQ(Shown(799, 7), kBlack);
  EXPECT_EQ(Shown(100, 10), kInitialSurfacePixel);
  EXPECT_EQ(Shown(799, 599), kInitialSurfacePixel);
}

TEST_F(RenderScreenImageTest, NextImageCountsOnDrawsOverTheLastAndStartsInBlack) {
  Render("B" + std::string(10, '9'));
  // The frame left pen A, so this run is black although the last image's
  // final pen was red.
  Render(std::string(7, '9') + "5");
  EXPECT_EQ(display_.Events(),
            (std::vector<std::string>{"status", "picture", "status", "picture"}));
  EXPECT_EQ(display_.Texts().at(1), FormatImagesStatus(1));
  EXPECT_EQ(counters_.ImagesShown.load(), 2);
  EXPECT_EQ(Shown(30, 7), kBlack);
  EXPECT_EQ(Shown(100, 7), kRed);  // the rest of the row is the last image's
  EXPECT_EQ(Shown(100, 10), kInitialSurfacePixel);
}

TEST_F(RenderScreenImageTest, EmptyPayloadShowsThePreviousImageFramedAndCounts) {
  Render("C" + std::string(700, '9') + "H1");  // every row green, pixel (799, 599) too
  const std::vector<Pixel> first = display_.LastPicture();
  Render("");
  ASSERT_EQ(display_.PictureCount(), 2);
  EXPECT_EQ(display_.LastPicture(), first);
  EXPECT_EQ(Shown(799, 599), MakePixel(0, 255, 0));
  EXPECT_EQ(display_.Texts().at(1), FormatImagesStatus(1));
  EXPECT_EQ(counters_.ImagesShown.load(), 2);
}

// A display that keeps nothing, so that only the renderer's own
// allocations are counted.
class NullDisplay : public KeptPictureDisplay {
 public:
  void PictureKept(const Pixel* picture, const ChangedRegion&, int) override {
    last_pixel = picture[Surface::kWidth * Surface::kHeight - 1];
  }
  void ShowStatusText(std::string_view text) override { text_length = text.size(); }
  Pixel last_pixel = 0;
  size_t text_length = 0;
};

TEST(RenderScreenImageCost, NothingIsAllocatedPerImage) {
  ScreenImageBuffer image;
  ImageDecoder decoder;
  StatusCounters counters;
  NullDisplay display;
  const std::string payload = "ABCDEFGHIJKLMNOP123456789xyz" + std::string(700, '9');
  std::memcpy(image.bytes.get(), payload.data(), payload.size());
  image.count = static_cast<int32_t>(payload.size());
  const long before = corvane::testing::AllocationCount();
  for (int i = 0; i < 3; ++i) RenderScreenImage(image, decoder, counters, display);
  EXPECT_EQ(corvane::testing::AllocationCount() - before, 0);
  EXPECT_EQ(counters.ImagesShown.load(), 3);
  EXPECT_EQ(display.text_length, FormatImagesStatus(2).size());
}

TEST(ScreenImageBuffer, PayloadStaysInsideTheStore) {
  ScreenImageBuffer image;
  image.count = 3;
  EXPECT_EQ(image.Payload().size(), 3u);
  image.count = -1;
  EXPECT_TRUE(image.Payload().empty());
  image.count = ScreenImageBuffer::kCapacity + 1;
  EXPECT_EQ(image.Payload().size(), static_cast<size_t>(ScreenImageBuffer::kCapacity));
}

}  // namespace
}  // namespace corvane
