// The eight soft keys of the controller's screen: areas of the main window's
// client area where a left click sends a key code. They lie over image rows
// 13 to 59 of the mirrored screen, which is drawn at client (10, 30).
//
// Threads: pure lookups, callable from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "keypad/key_code_table.h"

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

// Unequal widths (45 to 49 columns), no overlaps; the codes are those of
// Ctrl with 1 to 8.
inline constexpr std::array<SoftKeyArea, 8> kSoftKeyAreas = {{
    {140, 154, 202},
    {141, 205, 253},
    {142, 258, 305},
    {143, 310, 358},
    {144, 361, 411},
    {145, 414, 461},
    {146, 465, 513},
    {147, 519, 565},
}};

// The code of the soft key under client position (x, y), or none.
std::optional<KeyCode> SoftKeyAreas(int x, int y);

}  // namespace corvane
