// Draws the simulated controller's panel: a header with the controller's
// name and a frame counter, the soft keys S1..S8, the page the F keys chose,
// and a footer with the last key and the last backup or restore.
//
// Threads: pure apart from writing `image`.
#pragma once

#include "letter_image.h"
#include "panel_model.h"

namespace corvane::sim {

// The soft keys lie exactly under Corvane's clickable soft-key areas. Those
// are given in window client coordinates with the screen image placed at
// (10, 30); these are the columns and rows inside each area, in image
// coordinates, so every pixel of a key is clickable and no click on a key
// misses.
struct SoftKeyRect {
  int left, right;  // columns left..right, inclusive
};
inline constexpr SoftKeyRect kSoftKeyRects[kStationCount] = {
    {145, 191}, {196, 242}, {249, 294}, {301, 347}, {352, 400}, {405, 450}, {456, 502}, {510, 554}};
inline constexpr int kSoftKeyTop = 13;     // image rows 13..59
inline constexpr int kSoftKeyBottom = 59;

// Bands of the panel, image rows.
inline constexpr int kHeaderBottom = 66;   // rows 6..65
inline constexpr int kFooterTop = 548;     // rows 548..597

// Draws the whole 800x600 panel, including black where Corvane paints its
// frame (rows 0-5 and 598-599, columns 0, 1, 798 and 799), so the picture
// Corvane shows is the picture drawn here.
void RenderPanel(const PanelModel& model, LetterImage& image);

}  // namespace corvane::sim
