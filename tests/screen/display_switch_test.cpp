// The window between the controller and a replay: what it shows at each
// change, and that the controller's images decoded meanwhile draw on the
// controller's picture, not on the replayed one.
#include "screen/display_switch.h"

#include <gtest/gtest.h>

#include <vector>

#include "screen/view_handover.h"

namespace corvane {
namespace {

constexpr size_t kPixels = static_cast<size_t>(Surface::kWidth) * Surface::kHeight;

class DisplaySwitchTest : public ::testing::Test {
 protected:
  // The receiver paints `rows` of the picture it is given in `colour`,
  // leaving the rest as it was: an image drawing on the one before.
  void Receive(int rows, Pixel colour) {
    Pixel* picture = display_.PictureToDraw();
    std::fill_n(picture, static_cast<size_t>(rows) * Surface::kWidth, colour);
    ChangedRegion changed;
    changed.Add({0, 0, Surface::kWidth, rows});
    display_.ShowPicture(changed, Surface::kHeight);
  }
  // The window's picture after its next take.
  std::vector<Pixel> Window() {
    view_.Take();
    return {view_.Shown(), view_.Shown() + kPixels};
  }
  static std::vector<Pixel> Picture(std::initializer_list<std::pair<int, Pixel>> bands) {
    std::vector<Pixel> pixels(kPixels, kInitialSurfacePixel);
    // Bands from the top, each `rows` deep, later ones over earlier ones.
    for (const auto& [rows, colour] : bands) {
      std::fill_n(pixels.begin(), static_cast<size_t>(rows) * Surface::kWidth, colour);
    }
    return pixels;
  }

  ViewHandover view_{[] { return true; }};
  DisplaySwitch display_{view_};
  const Pixel red_ = MakePixel(255, 0, 0);
  const Pixel blue_ = MakePixel(0, 0, 255);
  const Pixel green_ = MakePixel(0, 255, 0);
};

TEST_F(DisplaySwitchTest, ReplayHidesTheControllerWhoseImagesGoOnOntoItsOwnPicture) {
  Receive(100, red_);
  EXPECT_EQ(Window(), Picture({{100, red_}}));

  display_.BeginReplay();
  const std::vector<Pixel> replayed(kPixels, green_);
  ASSERT_TRUE(display_.ShowReplayed(replayed.data()));
  Receive(10, blue_);  // drawn on the red picture, out of sight
  EXPECT_EQ(Window(), replayed);

  display_.EndReplay();
  EXPECT_EQ(Window(), Picture({{100, red_}, {10, blue_}}));
  EXPECT_FALSE(display_.ShowReplayed(replayed.data()));
  Receive(5, green_);
  EXPECT_EQ(Window(), Picture({{100, red_}, {10, blue_}, {5, green_}}));
}

TEST_F(DisplaySwitchTest, ChangesWhileTheReceiverDrawsWaitForItsPicture) {
  // The replay begins while a live image is being drawn: it still reaches
  // the window, and then goes aside with the rest.
  Pixel* live = display_.PictureToDraw();
  display_.BeginReplay();
  std::fill_n(live, 20 * Surface::kWidth, red_);
  display_.ShowPicture(
      [] {
        ChangedRegion changed;
        changed.Add({0, 0, Surface::kWidth, 20});
        return changed;
      }(),
      Surface::kHeight);
  const std::vector<Pixel> replayed(kPixels, green_);
  ASSERT_TRUE(display_.ShowReplayed(replayed.data()));
  EXPECT_EQ(Window(), replayed);

  // Back to live while an image is being drawn aside: the window shows the
  // controller once that image is done, and not before.
  Pixel* aside = display_.PictureToDraw();
  display_.EndReplay();
  EXPECT_EQ(Window(), replayed);
  std::fill_n(aside, 10 * Surface::kWidth, blue_);
  display_.DropPicture([] {
    ChangedRegion written;
    written.Add({0, 0, Surface::kWidth, 10});
    return written;
  }());
  EXPECT_EQ(Window(), Picture({{20, red_}}));
}

}  // namespace
}  // namespace corvane
