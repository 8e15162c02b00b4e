// The picture's layout at each zoom: a click reaches the soft key drawn
// under it, and a changed strip of the picture repaints every client pixel
// that shows it.
#include "app/picture_zoom.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "keypad/soft_key_areas.h"

namespace corvane {
namespace {

struct Layout {
  std::string name;
  ZoomMode mode;
  ClientSize client;
};

std::vector<Layout> Layouts() {
  return {{"100", ZoomMode::k100, ClientSizeFor(ZoomMode::k100)},
          {"150", ZoomMode::k150, ClientSizeFor(ZoomMode::k150)},
          {"200", ZoomMode::k200, ClientSizeFor(ZoomMode::k200)},
          {"fit wide", ZoomMode::kFit, {1000, 700}},
          {"fit tall", ZoomMode::kFit, {517, 933}}};
}

// The soft key a click at client (x, y) sends, as the views forward it:
// 0 for none.
int KeyAt(const PixelRect& picture, int x, int y) {
  const std::optional<PicturePoint> point = UnzoomedClientPoint(picture, x, y);
  if (!point) return 0;
  const std::optional<KeyCode> code = SoftKeyAreas(point->x, point->y);
  return code ? static_cast<int>(*code) : 0;
}

TEST(PictureZoom, FixedZoomsSizeTheWindowAndFitKeepsTheShapeInsideTheMargins) {
  EXPECT_EQ(ClientSizeFor(ZoomMode::k100), (ClientSize{820, 640}));
  EXPECT_EQ(ClientSizeFor(ZoomMode::k150), (ClientSize{1220, 940}));
  EXPECT_EQ(ClientSizeFor(ZoomMode::k200), (ClientSize{1620, 1240}));
  EXPECT_EQ(ClientSizeFor(ZoomMode::kFit), (ClientSize{820, 640}));
  // The status line and the picture origin never move; a fixed zoom does
  // not follow the window.
  EXPECT_EQ(PictureRectFor(ZoomMode::k100, {300, 200}), (PixelRect{10, 30, 800, 600}));
  EXPECT_EQ(PictureRectFor(ZoomMode::k150, {300, 200}), (PixelRect{10, 30, 1200, 900}));
  EXPECT_EQ(PictureRectFor(ZoomMode::kFit, {1000, 700}), (PixelRect{10, 30, 880, 660}));
  EXPECT_EQ(PictureRectFor(ZoomMode::kFit, {517, 933}), (PixelRect{10, 30, 497, 372}));
  EXPECT_TRUE(PictureRectFor(ZoomMode::kFit, {20, 600}).Empty());
  EXPECT_FALSE(ClientToPicture(PictureRectFor(ZoomMode::kFit, {20, 600}), 10, 30));

  for (ZoomMode mode : {ZoomMode::k100, ZoomMode::k150, ZoomMode::k200, ZoomMode::kFit}) {
    EXPECT_EQ(ParseZoomName(ZoomName(mode)), mode);
  }
  EXPECT_FALSE(ParseZoomName("300"));
  EXPECT_FALSE(ParseZoomName(""));
}

TEST(PictureZoom, SoftKeyBordersAtEveryZoom) {
  struct Probe {
    ZoomMode mode;
    ClientSize client;
    int x;
    int y;
    int key;
  };
  const ClientSize any{0, 0};
  // S1 covers picture columns 145..191, S8 510..554, both rows 13..59.
  const Probe probes[] = {
      // 100 %: the unzoomed client coordinates, unchanged.
      {ZoomMode::k100, any, 154, 60, 0},
      {ZoomMode::k100, any, 155, 60, 140},
      {ZoomMode::k100, any, 201, 60, 140},
      {ZoomMode::k100, any, 202, 60, 0},
      {ZoomMode::k100, any, 206, 42, 0},
      {ZoomMode::k100, any, 206, 43, 141},
      {ZoomMode::k100, any, 564, 89, 147},
      {ZoomMode::k100, any, 564, 90, 0},
      {ZoomMode::k100, any, 519, 60, 0},
      {ZoomMode::k100, any, 520, 60, 147},
      // 200 %: picture pixel p is client pixels 10 + 2p and 11 + 2p.
      {ZoomMode::k200, any, 299, 100, 0},
      {ZoomMode::k200, any, 300, 100, 140},
      {ZoomMode::k200, any, 393, 100, 140},
      {ZoomMode::k200, any, 394, 100, 0},
      {ZoomMode::k200, any, 300, 55, 0},
      {ZoomMode::k200, any, 300, 56, 140},
      {ZoomMode::k200, any, 300, 149, 140},
      {ZoomMode::k200, any, 300, 150, 0},
      {ZoomMode::k200, any, 1029, 100, 0},
      {ZoomMode::k200, any, 1030, 100, 147},
      {ZoomMode::k200, any, 1119, 100, 147},
      {ZoomMode::k200, any, 1120, 100, 0},
      // 150 %: pixels alternate between one and two client pixels wide.
      {ZoomMode::k150, any, 226, 80, 0},
      {ZoomMode::k150, any, 227, 80, 140},
      {ZoomMode::k150, any, 297, 80, 140},
      {ZoomMode::k150, any, 298, 80, 0},
      {ZoomMode::k150, any, 227, 48, 0},
      {ZoomMode::k150, any, 227, 49, 140},
      {ZoomMode::k150, any, 227, 119, 140},
      {ZoomMode::k150, any, 227, 120, 0},
      {ZoomMode::k150, any, 774, 80, 0},
      {ZoomMode::k150, any, 775, 80, 147},
      {ZoomMode::k150, any, 841, 80, 147},
      {ZoomMode::k150, any, 842, 80, 0},
      // Fit in a window of the 200 % size is 200 %, clicks and all.
      {ZoomMode::kFit, ClientSizeFor(ZoomMode::k200), 299, 100, 0},
      {ZoomMode::kFit, ClientSizeFor(ZoomMode::k200), 300, 100, 140},
      {ZoomMode::kFit, ClientSizeFor(ZoomMode::k200), 1119, 149, 147},
      {ZoomMode::kFit, ClientSizeFor(ZoomMode::k200), 1120, 149, 0},
      {ZoomMode::kFit, ClientSizeFor(ZoomMode::k200), 1119, 150, 0},
  };
  for (const Probe& probe : probes) {
    SCOPED_TRACE(std::string(ZoomName(probe.mode)) + " at " + std::to_string(probe.x) + "," +
                 std::to_string(probe.y));
    EXPECT_EQ(KeyAt(PictureRectFor(probe.mode, probe.client), probe.x, probe.y), probe.key);
  }
}

TEST(PictureZoom, ClicksOutsideThePictureReachNothingAndItsCornersAreItsCornerPixels) {
  for (const Layout& layout : Layouts()) {
    SCOPED_TRACE(layout.name);
    const PixelRect picture = PictureRectFor(layout.mode, layout.client);
    const int right = picture.x + picture.width - 1;
    const int bottom = picture.y + picture.height - 1;
    EXPECT_EQ(ClientToPicture(picture, picture.x, picture.y), (PicturePoint{0, 0}));
    EXPECT_EQ(ClientToPicture(picture, right, bottom), (PicturePoint{799, 599}));
    EXPECT_FALSE(ClientToPicture(picture, picture.x - 1, picture.y));
    EXPECT_FALSE(ClientToPicture(picture, picture.x, picture.y - 1));
    EXPECT_FALSE(ClientToPicture(picture, right + 1, bottom));
    EXPECT_FALSE(ClientToPicture(picture, right, bottom + 1));
    // The status line's strip is never the picture's.
    EXPECT_FALSE(UnzoomedClientPoint(picture, 100, 15));
  }
}

// Every client pixel that samples a picture pixel inside `pixels` lies in
// the rectangle repainted for it. The axes are independent, so one row and
// one column of the picture's client area are walked.
void ExpectRepaintCovers(const PixelRect& picture, const PixelRect& pixels, bool smooth) {
  const PixelRect repaint = PictureToClient(picture, pixels, smooth);
  for (int x = picture.x; x < picture.x + picture.width; ++x) {
    const int px = ClientToPicture(picture, x, picture.y)->x;
    if (px >= pixels.x && px < pixels.x + pixels.width) {
      ASSERT_TRUE(repaint.x <= x && x < repaint.x + repaint.width)
          << "column " << x << " shows picture column " << px;
    }
  }
  for (int y = picture.y; y < picture.y + picture.height; ++y) {
    const int py = ClientToPicture(picture, picture.x, y)->y;
    if (py >= pixels.y && py < pixels.y + pixels.height) {
      ASSERT_TRUE(repaint.y <= y && y < repaint.y + repaint.height)
          << "row " << y << " shows picture row " << py;
    }
  }
  EXPECT_TRUE(repaint.x >= picture.x && repaint.y >= picture.y &&
              repaint.x + repaint.width <= picture.x + picture.width &&
              repaint.y + repaint.height <= picture.y + picture.height);
}

TEST(PictureZoom, ChangedPixelsRepaintEveryClientPixelThatShowsThem) {
  std::mt19937 random(20261207);
  std::vector<PixelRect> strips = {{0, 0, 1, 1},      {799, 599, 1, 1}, {0, 0, 800, 600},
                                   {145, 13, 47, 47}, {0, 300, 800, 1}, {413, 0, 1, 600}};
  for (int i = 0; i < 40; ++i) {
    const int x = std::uniform_int_distribution(0, 799)(random);
    const int y = std::uniform_int_distribution(0, 599)(random);
    strips.push_back({x, y, std::uniform_int_distribution(1, 800 - x)(random),
                      std::uniform_int_distribution(1, 600 - y)(random)});
  }
  for (const Layout& layout : Layouts()) {
    SCOPED_TRACE(layout.name);
    const PixelRect picture = PictureRectFor(layout.mode, layout.client);
    for (const PixelRect& strip : strips) {
      SCOPED_TRACE(std::to_string(strip.x) + "," + std::to_string(strip.y) + " " +
                   std::to_string(strip.width) + "x" + std::to_string(strip.height));
      ExpectRepaintCovers(picture, strip, ZoomIsSmooth(layout.mode));
    }
  }
  // Crisp whole-number zooms repaint exactly the pixel's block.
  EXPECT_EQ(PictureToClient(PictureRectFor(ZoomMode::k100, {}), {5, 7, 1, 1}, false),
            (PixelRect{15, 37, 1, 1}));
  EXPECT_EQ(PictureToClient(PictureRectFor(ZoomMode::k200, {}), {5, 7, 3, 1}, false),
            (PixelRect{20, 44, 6, 2}));
  // The blend of Fit to Window reaches one picture pixel further.
  const PixelRect fit = PictureRectFor(ZoomMode::kFit, ClientSizeFor(ZoomMode::k200));
  EXPECT_EQ(PictureToClient(fit, {5, 7, 1, 1}, true), (PixelRect{18, 42, 6, 6}));
}

TEST(PictureZoom, CrispDrawingShowsThePixelEachClickReaches) {
  std::vector<Pixel> picture(static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<Pixel>(i);
  for (ZoomMode mode : {ZoomMode::k100, ZoomMode::k150, ZoomMode::k200}) {
    SCOPED_TRACE(std::string(ZoomName(mode)));
    const PixelRect layout = PictureRectFor(mode, ClientSizeFor(mode));
    for (const PixelRect& part : {layout, PixelRect{layout.x + 3, layout.y + 5, 301, 7},
                                  PixelRect{layout.x + layout.width - 1, layout.y + 1, 1, 2}}) {
      std::vector<Pixel> out(static_cast<size_t>(part.width) * part.height + 1, 0xDEADBEEF);
      DrawCrispPart(picture.data(), layout, part, out.data(), static_cast<size_t>(part.width));
      int wrong = 0;
      for (int y = 0; y < part.height; ++y) {
        for (int x = 0; x < part.width; ++x) {
          const PicturePoint p = *ClientToPicture(layout, part.x + x, part.y + y);
          wrong += out[static_cast<size_t>(y) * part.width + x] != picture[p.y * 800 + p.x];
        }
      }
      EXPECT_EQ(wrong, 0);
      EXPECT_EQ(out.back(), 0xDEADBEEF);  // nothing written past the part
    }
  }
}

}  // namespace
}  // namespace corvane
