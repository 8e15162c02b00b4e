// The pictures' way from the receiver to the window: what the window ends
// up showing when it repaints only what Take reports.
#include "screen/picture_handover.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

namespace corvane {
namespace {

constexpr int kW = Surface::kWidth;
constexpr int kH = Surface::kHeight;
constexpr size_t kPixels = static_cast<size_t>(kW) * kH;

// The window: its pixels change only where a take says to repaint.
struct Window {
  std::vector<Pixel> pixels = std::vector<Pixel>(kPixels, 0);
  ChangedRegion repaint;
  int64_t repainted = 0;

  bool TakeAndPaint(PictureHandover& handover) {
    if (!handover.Take(repaint)) return false;
    CopyRegion(handover.Shown(), pixels.data(), repaint);
    repainted += repaint.Area();
    return true;
  }
};

std::vector<Pixel> Copy(const Surface& surface) {
  return {surface.Pixels(), surface.Pixels() + kPixels};
}

// A few small boxes in new colours, as a counter or a bar changes.
void Edit(Surface& surface, std::mt19937& rng) {
  const int boxes = static_cast<int>(rng() % 3);
  for (int b = 0; b < boxes; ++b) {
    surface.SelectPen(MakePixel(static_cast<uint8_t>(rng()), 0, 0));
    const int x = static_cast<int>(rng() % kW);
    const int y = static_cast<int>(rng() % kH);
    const int h = 1 + static_cast<int>(rng() % 30);
    for (int row = y; row < y + h; ++row) {
      surface.FillRowSpan(row, x, x + 1 + static_cast<int>(rng() % 50));
    }
  }
}

TEST(PictureHandoverTest, TheWindowMatchesTheLatestPictureHoweverManyWereReplaced) {
  PictureHandover handover;
  Window window;
  ChangedRegion untouched;
  EXPECT_FALSE(handover.Take(untouched));
  EXPECT_EQ(handover.Shown(), nullptr);

  std::mt19937 rng(5);
  Surface surface;
  handover.Give(surface);
  ASSERT_TRUE(window.TakeAndPaint(handover));
  EXPECT_EQ(window.repainted, kWholePicture.Area());  // the first is painted whole
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE(step);
    // The UI falls behind by up to four pictures, or none.
    const int given = static_cast<int>(rng() % 5);
    for (int g = 0; g < given; ++g) {
      Edit(surface, rng);
      handover.Give(surface);
    }
    ASSERT_EQ(window.TakeAndPaint(handover), given > 0);
    ASSERT_EQ(window.pixels, Copy(surface));
  }

  // An unchanged picture is shown and costs no repaint.
  window.repainted = 0;
  handover.Give(surface);
  ASSERT_TRUE(window.TakeAndPaint(handover));
  EXPECT_EQ(window.repainted, 0);
  EXPECT_TRUE(window.repaint.Empty());
}

TEST(PictureHandoverTest, AReceiverThreadAndAUiThreadEndOnTheLastPicture) {
  PictureHandover handover;
  Window window;
  std::vector<Pixel> last;
  std::atomic<bool> done{false};
  std::jthread receiver([&] {
    std::mt19937 rng(9);
    Surface surface;
    for (int i = 0; i < 300; ++i) {
      Edit(surface, rng);
      handover.Give(surface);
    }
    last = Copy(surface);
    done.store(true, std::memory_order_release);
  });
  // The UI takes whenever it gets to run, as its event loop would.
  while (!done.load(std::memory_order_acquire)) {
    window.TakeAndPaint(handover);
    std::this_thread::yield();
  }
  receiver.join();
  window.TakeAndPaint(handover);
  EXPECT_EQ(window.pixels, last);
}

}  // namespace
}  // namespace corvane
