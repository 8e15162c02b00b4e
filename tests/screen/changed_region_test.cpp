// Changed-rectangle detection, checked pixel by pixel against a plain
// comparison of the two pictures.
#include "screen/changed_region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace corvane {
namespace {

constexpr int kW = Surface::kWidth;
constexpr int kH = Surface::kHeight;

using Picture = std::vector<Pixel>;

Picture RandomPicture(std::mt19937& rng) {
  Picture picture(static_cast<size_t>(kW) * kH);
  // Few colours, as on the controller's panels, so that edits often put
  // back the colour already there.
  for (Pixel& p : picture) p = MakePixel(0, 0, static_cast<uint8_t>(rng() % 4));
  return picture;
}

void FillRect(Picture& picture, int x0, int y0, int x1, int y1, Pixel colour) {
  for (int y = std::max(y0, 0); y < std::min(y1, kH); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, kW); ++x) {
      picture[static_cast<size_t>(y) * kW + static_cast<size_t>(x)] = colour;
    }
  }
}

bool Differs(const Picture& a, const Picture& b, int x, int y) {
  const size_t i = static_cast<size_t>(y) * kW + static_cast<size_t>(x);
  return a[i] != b[i];
}

// The region covers every differing pixel, stays within the cap and the
// picture, has no overlaps, and is tight: every edge of every rectangle
// runs through a differing pixel.
void ExpectTightCover(const Picture& a, const Picture& b, const ChangedRegion& region) {
  const auto rects = region.Rects();
  ASSERT_LE(rects.size(), static_cast<size_t>(ChangedRegion::kMaxRects));
  std::vector<int> cover(static_cast<size_t>(kW) * kH, 0);
  for (const PictureRect& r : rects) {
    ASSERT_GT(r.width, 0);
    ASSERT_GT(r.height, 0);
    ASSERT_GE(r.x, 0);
    ASSERT_GE(r.y, 0);
    ASSERT_LE(r.Right(), kW);
    ASSERT_LE(r.Bottom(), kH);
    bool top = false, bottom = false, left = false, right = false;
    for (int y = r.y; y < r.Bottom(); ++y) {
      for (int x = r.x; x < r.Right(); ++x) {
        ++cover[static_cast<size_t>(y) * kW + static_cast<size_t>(x)];
        if (!Differs(a, b, x, y)) continue;
        top |= y == r.y;
        bottom |= y == r.Bottom() - 1;
        left |= x == r.x;
        right |= x == r.Right() - 1;
      }
    }
    EXPECT_TRUE(top && bottom && left && right)
        << "loose rectangle " << r.x << "," << r.y << " " << r.width << "x" << r.height;
  }
  int uncovered = 0;
  int overlapped = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const int n = cover[static_cast<size_t>(y) * kW + static_cast<size_t>(x)];
      overlapped += n > 1;
      uncovered += n == 0 && Differs(a, b, x, y);
    }
  }
  EXPECT_EQ(uncovered, 0);
  EXPECT_EQ(overlapped, 0);
}

TEST(FindChangedRegionTest, RandomEditsAreCoveredTightlyWithinTheCap) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    const Picture before = RandomPicture(rng);
    Picture after = before;
    // From none to well past the cap; rectangles may hang over any edge,
    // and some are single pixels.
    const int edits = static_cast<int>(rng() % 25);
    for (int e = 0; e < edits; ++e) {
      const int w = rng() % 4 == 0 ? 1 : 1 + static_cast<int>(rng() % 60);
      const int h = rng() % 4 == 0 ? 1 : 1 + static_cast<int>(rng() % 40);
      const int x = static_cast<int>(rng() % (kW + 20)) - 10;
      const int y = static_cast<int>(rng() % (kH + 20)) - 10;
      FillRect(after, x, y, x + w, y + h, MakePixel(255, static_cast<uint8_t>(rng()), 0));
    }
    ChangedRegion region;
    FindChangedRegion(after.data(), before.data(), region);
    EXPECT_EQ(region.Empty(), after == before);
    ExpectTightCover(after, before, region);
  }
}

TEST(FindChangedRegionTest, FarApartPixelsAtCornersAndRowEndsStaySeparate) {
  std::mt19937 rng(7);
  const Picture before = RandomPicture(rng);
  Picture after = before;
  const PictureRect expected[] = {{0, 0, 1, 1},           {kW - 1, 0, 1, 1}, {0, kH - 1, 1, 1},
                                  {kW - 1, kH - 1, 1, 1}, {0, 300, 1, 1},    {kW - 1, 300, 1, 1},
                                  {390, 290, 20, 3}};
  for (const PictureRect& r : expected) {
    FillRect(after, r.x, r.y, r.Right(), r.Bottom(), MakePixel(200, 100, 50));
  }
  ChangedRegion region;
  FindChangedRegion(after.data(), before.data(), region);
  std::vector<PictureRect> found(region.Rects().begin(), region.Rects().end());
  const auto order = [](const PictureRect& a, const PictureRect& b) {
    return std::tie(a.y, a.x) < std::tie(b.y, b.x);
  };
  std::vector<PictureRect> want(std::begin(expected), std::end(expected));
  std::sort(found.begin(), found.end(), order);
  std::sort(want.begin(), want.end(), order);
  EXPECT_EQ(found, want);
  EXPECT_EQ(region.Area(), 6 + 60);
}

TEST(FindChangedRegionTest, AWholeNewPictureIsOneRectangleAndTheSameOneIsNone) {
  std::mt19937 rng(3);
  const Picture before = RandomPicture(rng);
  Picture after(before.size(), MakePixel(9, 9, 9));
  ChangedRegion region;
  FindChangedRegion(after.data(), before.data(), region);
  ASSERT_EQ(region.Rects().size(), 1u);
  EXPECT_EQ(region.Rects()[0], kWholePicture);

  // Adding to a region keeps what it had.
  FindChangedRegion(before.data(), before.data(), region);
  EXPECT_EQ(region.Area(), kWholePicture.Area());
  region.Clear();
  FindChangedRegion(before.data(), before.data(), region);
  EXPECT_TRUE(region.Empty());
}

}  // namespace
}  // namespace corvane
