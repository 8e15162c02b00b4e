// The eight soft keys of the controller's screen: areas of the main window's
// client area where a left click sends a key code. They lie over rows 13 to
// 59 of the mirrored picture.
//
// Threads: pure lookups, callable from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "keypad/key_codes.h"
#include "keypad/picture_origin.h"

namespace corvane {

// Bounds are exclusive: a click is inside when left < x < right and
// top < y < bottom.
struct SoftKeyArea {
  KeyCode code;
  int left;
  int right;
};

inline constexpr int kSoftKeyTop = 42;
inline constexpr int kSoftKeyBottom = 90;

// Unequal widths (45 to 49 columns), no overlaps, S1 to S8 from the left.
inline constexpr std::array<SoftKeyArea, kSoftKeyCount> kSoftKeyAreas = {{
    {key::SoftKey(1), 154, 202},
    {key::SoftKey(2), 205, 253},
    {key::SoftKey(3), 258, 305},
    {key::SoftKey(4), 310, 358},
    {key::SoftKey(5), 361, 411},
    {key::SoftKey(6), 414, 461},
    {key::SoftKey(7), 465, 513},
    {key::SoftKey(8), 519, 565},
}};

// The code of the soft key under client position (x, y), or none.
std::optional<KeyCode> SoftKeyAreas(int x, int y);

// Pixels of the mirrored picture, bounds inclusive. (Not the screen
// library's PictureRect, which is half-open: one program holds both.)
struct PictureBounds {
  int left;
  int top;
  int right;
  int bottom;
};

// The picture pixels inside `area`. A key drawn on exactly these is hit by
// every click on it and by no click beside it.
constexpr PictureBounds SoftKeyPicturePixels(const SoftKeyArea& area) {
  return {area.left + 1 - kPictureX, kSoftKeyTop + 1 - kPictureY, area.right - 1 - kPictureX,
          kSoftKeyBottom - 1 - kPictureY};
}

}  // namespace corvane
