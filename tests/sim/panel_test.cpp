#include <gtest/gtest.h>

#include <string>

#include "bitmap_font.h"
#include "keypad/soft_key_areas.h"
#include "panel_model.h"
#include "panel_renderer.h"

namespace corvane::sim {
namespace {

LetterImage Render(const PanelModel& model) {
  LetterImage image;
  RenderPanel(model, image);
  return image;
}

void Press(PanelModel& model, std::initializer_list<uint8_t> codes) {
  for (const uint8_t c : codes) model.HandleKey(c);
}

uint32_t ValueAt(const PanelModel& model, int station, int record) {
  return model.Store().Station(station)[static_cast<size_t>(record)].value;
}

TEST(PanelKeys, DigitsAndEnterStoreIntoTheSelectedParameter) {
  PanelModel model;
  Press(model, {key::kDown, key::kDown, key::kRight});  // station 3, second column
  ASSERT_EQ(model.SelectedStation(), 2);
  const int record = model.SelectedRecord();
  EXPECT_EQ(record, OverviewColumnRecord(1));
  Press(model, {'4', '5', '6', key::kLeft, '7'});  // Left, as Backspace, takes the 6 back
  EXPECT_EQ(model.Entry(), "457");
  EXPECT_EQ(model.CursorColumn(), 1) << "Left with digits typed must not move the cursor";
  Press(model, {key::kEnter});
  EXPECT_EQ(ValueAt(model, 2, record), 457u);
  EXPECT_TRUE(model.Entry().empty());
  // Enter with nothing typed changes nothing.
  Press(model, {key::kEnter});
  EXPECT_EQ(ValueAt(model, 2, record), 457u);
  // With no digits, Left moves the cursor again; Up wraps round the stations.
  Press(model, {key::kLeft, key::kUp, key::kUp, key::kUp});
  EXPECT_EQ(model.CursorColumn(), 0);
  EXPECT_EQ(model.SelectedStation(), 7);
}

TEST(PanelKeys, EntryIsLimitedAndDroppedWhenTheCursorMoves) {
  PanelModel model;
  for (int i = 0; i < 15; ++i) model.HandleKey('9');
  EXPECT_EQ(model.Entry(), "999999999");
  Press(model, {key::kDown});
  EXPECT_TRUE(model.Entry().empty());
  Press(model, {'1', key::kSpace});
  EXPECT_TRUE(model.Entry().empty());
}

TEST(PanelKeys, FunctionKeysSwitchPagesAndStationKeysSelect) {
  PanelModel model;
  Press(model, {key::kF1 + 2});
  EXPECT_EQ(model.PageNumber(), 3);
  Press(model, {key::kF9});
  EXPECT_EQ(model.PageNumber(), 9);
  for (int s = 0; s < kStationCount; ++s) {
    model.HandleKey(static_cast<uint8_t>(key::kSelectStation1 + s));
    EXPECT_EQ(model.SelectedStation(), s);
  }
  // Ctrl+9 has no station; letters are only shown.
  Press(model, {key::kCtrl9, 'Q'});
  EXPECT_EQ(model.SelectedStation(), 7);
  EXPECT_EQ(model.LastKey(), 'Q');
  EXPECT_EQ(model.KeyCount(), 12u);
}

TEST(PanelKeys, StationPageCursorWalksTheRecords) {
  PanelModel model;
  Press(model, {key::kF1 + 1, key::kSelectStation1 + 4});
  const int first = model.SelectedRecord();
  Press(model, {key::kDown, key::kDown, '3', '1', key::kEnter});
  EXPECT_EQ(model.SelectedRecord(), first + 2);
  EXPECT_EQ(ValueAt(model, 4, first + 2), 31u);
  // Right steps to the next station; wraps past 8.
  Press(model, {key::kRight, key::kRight, key::kRight, key::kRight});
  EXPECT_EQ(model.SelectedStation(), 0);
}

TEST(PanelScreen, KeysChangeWhatIsShown) {
  PanelModel model;
  const LetterImage before = Render(model);
  model.HandleKey(key::kSelectStation1 + 3);
  const LetterImage selected = Render(model);
  EXPECT_NE(before.letters, selected.letters);
  model.HandleKey('7');
  const LetterImage typed = Render(model);
  EXPECT_NE(selected.letters, typed.letters);
  model.HandleKey(key::kF1 + 1);
  EXPECT_NE(typed.letters, Render(model).letters);
  // Rendering is a pure function of the state.
  EXPECT_EQ(Render(model).letters, Render(model).letters);
}

TEST(PanelScreen, FrameCounterAndLiveValuesMoveEveryFrame) {
  PanelModel model;
  for (int page = 1; page <= 9; ++page) {
    model.HandleKey(static_cast<uint8_t>(key::kF1 + page - 1));
    const LetterImage a = Render(model);
    model.AdvanceFrame();
    const LetterImage b = Render(model);
    int header_changes = 0;
    for (int y = 6; y < kHeaderBottom; ++y) {
      for (int x = 560; x < 798; ++x) header_changes += a.At(x, y) != b.At(x, y);
    }
    EXPECT_GT(header_changes, 0) << "page " << page;
  }
}

TEST(PanelScreen, UsesOnlyLettersWithPensAndBlackWhereCorvaneFrames) {
  PanelModel model;
  for (int page = 1; page <= 9; ++page) {
    model.HandleKey(static_cast<uint8_t>(key::kF1 + page - 1));
    const LetterImage image = Render(model);
    for (const uint8_t c : image.letters) ASSERT_TRUE(IsImageLetter(c)) << "page " << page;
    for (int x = 0; x < 800; ++x) {
      for (const int y : {0, 5, 598, 599}) EXPECT_EQ(image.At(x, y), kColourBlack);
    }
    for (int y = 0; y < 600; ++y) {
      for (const int x : {0, 1, 798, 799}) EXPECT_EQ(image.At(x, y), kColourBlack);
    }
  }
}

// Corvane's own hit test decides which soft key a click sends; every
// client pixel over the mirrored screen must send the key drawn under it.
TEST(PanelScreen, SoftKeysLieExactlyUnderCorvanesSoftKeyAreas) {
  PanelModel model;
  model.HandleKey(key::kSelectStation1 + 5);
  const LetterImage image = Render(model);
  const uint8_t background = image.At(143, 30);
  for (int iy = 8; iy < 66; ++iy) {
    for (int ix = 120; ix < 560; ++ix) {
      const std::optional<KeyCode> hit = SoftKeyAreas(ix + kPictureX, iy + kPictureY);
      int drawn = -1;
      for (int s = 0; s < kStationCount; ++s) {
        if (ix >= kSoftKeyRects[s].left && ix <= kSoftKeyRects[s].right && iy >= sim::kSoftKeyTop &&
            iy <= sim::kSoftKeyBottom) {
          drawn = s;
        }
      }
      ASSERT_EQ(hit.has_value(), drawn >= 0) << ix << "," << iy;
      if (drawn >= 0) {
        EXPECT_EQ(*hit, 140 + drawn);
        EXPECT_NE(image.At(ix, iy), background) << ix << "," << iy;
      } else {
        EXPECT_EQ(image.At(ix, iy), background) << ix << "," << iy;
      }
    }
  }
  // The selected key is the highlighted one, and only it.
  for (int s = 0; s < kStationCount; ++s) {
    const int cx = (kSoftKeyRects[s].left + kSoftKeyRects[s].right) / 2;
    EXPECT_EQ(image.At(kSoftKeyRects[s].left + 2, sim::kSoftKeyTop + 3) == kColourYellow, s == 5)
        << s;
    EXPECT_EQ(image.At(cx, sim::kSoftKeyTop), kColourBlack);
  }
}

TEST(BitmapFont, DrawsKnownGlyphsAndMarksUnknownOnes) {
  EXPECT_TRUE(HasGlyph('A'));
  EXPECT_TRUE(HasGlyph('z'));
  EXPECT_FALSE(HasGlyph('~'));
  EXPECT_EQ(GlyphFor('~'), GlyphFor('?'));
  EXPECT_EQ(GlyphFor('m'), GlyphFor('M'));
  EXPECT_NE(GlyphFor('O'), GlyphFor('0'));
  EXPECT_EQ(TextWidth("AB", 2), 22);
  LetterImage image;
  image.FillRect(0, 0, 800, 600, kColourWhite);
  DrawText(image, 10, 10, "L", kColourBlack, 2);
  // "L": the left column and the bottom row, each glyph pixel 2x2.
  EXPECT_EQ(image.At(10, 10), kColourBlack);
  EXPECT_EQ(image.At(11, 23), kColourBlack);
  EXPECT_EQ(image.At(19, 23), kColourBlack);
  EXPECT_EQ(image.At(12, 10), kColourWhite);
  EXPECT_EQ(image.At(20, 23), kColourWhite);
  // Clipped at the edge rather than written past it.
  DrawText(image, 796, 596, "WW", kColourBlack, 3);
}

}  // namespace
}  // namespace corvane::sim
