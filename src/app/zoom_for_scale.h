// The zoom the window opens at while the operator has chosen none: the
// fixed zoom nearest the scale the desktop draws at, so that on a high-DPI
// screen the controller's picture comes up about as large as everything
// else there, not as a postage stamp; but never one the monitor's work
// area cannot show whole.
//
// Threads: a pure function, any thread (the UI thread calls it at
// start-up).
#pragma once

#include <optional>

#include "app/picture_zoom.h"

namespace corvane {

// What a front end's toolkit says of the monitor the window opens on.
struct MonitorScale {
  // How much larger than at 96 dots per inch the desktop draws, counting
  // only what the toolkit leaves to the program (a toolkit that already
  // draws the window larger has taken its part): 1.0, 1.25, 1.5, 2.0 ...
  double scale = 1.0;
  // The largest client area (status line, picture and margin, without the
  // menu bar and the frame) that the monitor's work area holds; none when
  // the toolkit cannot say.
  std::optional<ClientSize> room;
};

// The nearest of 100, 150 and 200 %; halfway between two, the smaller,
// which never draws the picture larger than the rest of the desktop. A
// scale below 100 % (or none the toolkit could tell) opens unzoomed, as
// the program always did; one above 200 % takes 200 %. Then the next
// smaller zoom, as long as the picture would not fit the room; 100 % is
// kept whatever the monitor.
ZoomMode ZoomForScale(const MonitorScale& monitor);

}  // namespace corvane
