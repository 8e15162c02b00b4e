// Draws the simulated controller's panel: a header with the controller's
// name and a frame counter, the soft keys S1..S8, the page the F keys chose,
// and a footer with the last key and the last backup or restore.
//
// Threads: pure apart from writing `image`.
#pragma once

#include <array>

#include "keypad/soft_key_areas.h"
#include "letter_image.h"
#include "panel_model.h"

namespace corvane::sim {

// The soft keys cover exactly the picture pixels inside Corvane's clickable
// soft-key areas, so every pixel of a key is clickable and no click on a key
// misses. Bounds inclusive.
using SoftKeyRect = PictureBounds;
static_assert(kSoftKeyCount == kStationCount);
inline constexpr std::array<SoftKeyRect, kStationCount> kSoftKeyRects = [] {
  std::array<SoftKeyRect, kStationCount> rects{};
  for (size_t s = 0; s < rects.size(); ++s) rects[s] = SoftKeyPicturePixels(kSoftKeyAreas[s]);
  return rects;
}();
inline constexpr int kSoftKeyTop = kSoftKeyRects[0].top;  // image rows 13..59
inline constexpr int kSoftKeyBottom = kSoftKeyRects[0].bottom;

// Bands of the panel, image rows.
inline constexpr int kHeaderBottom = 66;  // rows 6..65
inline constexpr int kFooterTop = 548;    // rows 548..597

// Draws the whole 800x600 panel, including black where Corvane paints its
// frame (rows 0-5 and 598-599, columns 0, 1, 798 and 799), so the picture
// Corvane shows is the picture drawn here.
void RenderPanel(const PanelModel& model, LetterImage& image);

}  // namespace corvane::sim
