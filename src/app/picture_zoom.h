// Where the mirrored 800x600 picture lies in the main window's client area
// at each zoom of the View menu, and the mapping between the two: a click
// in the window back to the controller's picture pixel under it, and a
// changed strip of the picture out to the client pixels that show it. Both
// front ends lay out, paint and hit-test through these, so the soft keys
// answer the same on Linux and on Windows at every zoom.
//
// The status line stays at (10, 10) and the picture's top-left at the
// picture origin (keypad/picture_origin.h) whatever the zoom; only the
// picture's size changes. At 100 % the layout is the unzoomed one exactly.
//
// Threads: pure functions and constants, any thread (the front ends call
// them on the UI thread).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "screen/surface.h"

namespace corvane {

enum class ZoomMode { k100, k150, k200, kFit };

// Every zoom of the View menu, in the menu's order.
inline constexpr ZoomMode kZoomModes[] = {ZoomMode::k100, ZoomMode::k150, ZoomMode::k200,
                                          ZoomMode::kFit};

// Room right of and below the picture, as on its left.
inline constexpr int kPictureMargin = 10;

// A rectangle of whole pixels, half-open: it holds x <= px < x + width.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool Empty() const { return width <= 0 || height <= 0; }
  bool Contains(int px, int py) const {
    return x <= px && px < x + width && y <= py && py < y + height;
  }
  bool operator==(const PixelRect&) const = default;
};

struct ClientSize {
  int width = 0;
  int height = 0;
  bool operator==(const ClientSize&) const = default;
};

struct PicturePoint {
  int x = 0;
  int y = 0;
  bool operator==(const PicturePoint&) const = default;
};

// How the platform's settings store spells each zoom ("100", "150", "200",
// "fit"), and back; none for a value this program never wrote.
std::string_view ZoomName(ZoomMode mode);
std::optional<ZoomMode> ParseZoomName(std::string_view name);

// Fit to Window is drawn smooth (bilinear): its scale is any fraction. The
// fixed zooms are drawn crisp (nearest neighbour), every controller pixel a
// block of whole client pixels.
bool ZoomIsSmooth(ZoomMode mode);

// The client area that shows the status line and the whole picture at
// `mode`, with the margin. Fit to Window has no size of its own: it starts
// at the unzoomed one (820 x 640).
ClientSize ClientSizeFor(ZoomMode mode);

// Where the picture is drawn in a client area of `client` size. Fixed
// zooms ignore the size (a window too small for the picture cuts it off at
// the right and bottom); Fit to Window takes the largest size with the
// picture's 4:3 shape that fits inside the margins, which is empty when
// nothing fits.
PixelRect PictureRectFor(ZoomMode mode, ClientSize client);

// The picture pixel a client point shows, for a picture drawn at
// `picture`; none outside the picture. Each client pixel is sampled at its
// centre, as nearest-neighbour scaling draws it, so a click lands on the
// controller pixel drawn under it.
std::optional<PicturePoint> ClientToPicture(const PixelRect& picture, int x, int y);

// The same point in the unzoomed window's client coordinates (the picture
// pixel plus the picture origin): the coordinates the soft-key areas are
// written in and Keypad::ForwardClick takes. None outside the picture.
std::optional<PicturePoint> UnzoomedClientPoint(const PixelRect& picture, int x, int y);

// The client pixels that show `pixels` (a rectangle of picture pixels) for
// a picture drawn at `picture`, rounded outward; a smooth zoom also takes
// the neighbours its blend reaches. Clipped to `picture`.
PixelRect PictureToClient(const PixelRect& picture, const PixelRect& pixels, bool smooth);

// Draws the client pixels `part` of a picture laid out at `layout` with a
// crisp zoom: each client pixel is the picture pixel ClientToPicture names
// for it, so what is drawn and what a click reaches never disagree, on any
// platform. `picture` is a whole Surface::kWidth x Surface::kHeight
// picture; `out` receives part.width x part.height pixels, `out_stride`
// pixels a row. `part` must lie inside `layout`. Allocates nothing.
void DrawCrispPart(const Pixel* picture, const PixelRect& layout, const PixelRect& part, Pixel* out,
                   size_t out_stride);

}  // namespace corvane
