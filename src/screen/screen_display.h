// The seam between the screen mirror and the window that shows it. It stands
// in for the main window's device context: the receiver thread hands it each
// finished, framed picture and each status text. The shell implements it;
// tests implement a recorder.
#pragma once

#include <string_view>

namespace corvane {

class Surface;

class ScreenDisplay {
 public:
  virtual ~ScreenDisplay() = default;
  // Receiver thread. `picture` is the complete, framed 800x600 image; it is
  // only valid during the call, so an implementation copies what it keeps.
  // A partly decoded picture never arrives here.
  virtual void ShowPicture(const Surface& picture) = 0;
  // Receiver thread. The text is drawn with its top-left at client (10, 10).
  virtual void ShowStatusText(std::string_view text) = 0;
};

}  // namespace corvane
