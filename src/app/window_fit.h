// Where the main window goes when a fixed zoom brings it to the picture's
// size: both front ends ask the same question of their own toolkit's work
// area and frame, and place the window by this one answer.
//
// Threads: a pure function, any thread (the front ends call it on the UI
// thread).
#pragma once

#include "app/picture_zoom.h"

namespace corvane {

// A rectangle of the desktop in the toolkit's own units.
struct DesktopRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct WindowPlace {
  int x = 0;
  int y = 0;
  ClientSize size;
  bool moved = false;  // the top-left changed
  bool operator==(const WindowPlace&) const = default;
};

// The window's outer size and place for an outer size of `wanted`, with the
// window's top-left now at (`x`, `y`), on a monitor whose work area is
// `work`. A zoomed picture grows the window only as far as the work area;
// `unzoomed` (the outer size at 100 %) is kept whatever the monitor, as it
// always was. The window stays where it is unless it would stick out; then
// it moves back inside, its top-left edge first.
WindowPlace FitWindowToWorkArea(ClientSize wanted, ClientSize unzoomed, int x, int y,
                                DesktopRect work);

}  // namespace corvane
