// The seam between the screen mirror and the window that shows it. It stands
// in for the main window's device context: the receiver thread draws each
// image straight into a picture the display offers, hands it back with
// where it changed, and hands over each status text. The front ends
// implement it through the view's handover (view_handover.h), corvane-cli
// and the tests through KeptPictureDisplay (kept_picture_display.h) or a
// recorder.
#pragma once

#include <string_view>

#include "screen/changed_region.h"
#include "screen/surface.h"

namespace corvane {

// Where the status line's text starts in the window's client area, above
// the picture, whatever the zoom.
inline constexpr int kStatusX = 10;
inline constexpr int kStatusY = 10;

class ScreenDisplay {
 public:
  virtual ~ScreenDisplay() = default;

  // Receiver thread. The whole picture (Surface::kWidth x kHeight,
  // row-major) to draw the next image into. It holds the picture shown
  // last, pixel for pixel (kInitialSurfacePixel before the first), so that
  // what an image leaves undrawn shows the image before. It is the
  // receiver's until ShowPicture or DropPicture; asked again before either,
  // it is the same picture.
  virtual Pixel* PictureToDraw() = 0;

  // Receiver thread. The picture from PictureToDraw is to be shown.
  // `changed` covers every pixel in which it differs from the picture
  // shown before. `rows_decoded` is Surface::kHeight for a finished,
  // framed image; fewer for one handed on while it still arrives: the rows
  // above it are the image's own, the rest still the picture before, but
  // for the row being decoded.
  virtual void ShowPicture(const ChangedRegion& changed, int rows_decoded) = 0;

  // Receiver thread. The picture from PictureToDraw is given up unshown;
  // `written` covers what was changed in it. The next PictureToDraw holds
  // the picture shown last again.
  virtual void DropPicture(const ChangedRegion& written) = 0;

  // Receiver thread. The text is drawn with its top-left at client
  // (kStatusX, kStatusY).
  virtual void ShowStatusText(std::string_view text) = 0;
};

}  // namespace corvane
