#include "app/picture_zoom.h"

#include <algorithm>
#include <cstdint>

#include "keypad/picture_origin.h"
#include "screen/surface.h"

namespace corvane {
namespace {

constexpr int kWidth = Surface::kWidth;
constexpr int kHeight = Surface::kHeight;

// Percent of the fixed zooms; none for Fit to Window.
std::optional<int> FixedPercent(ZoomMode mode) {
  switch (mode) {
    case ZoomMode::k100: return 100;
    case ZoomMode::k150: return 150;
    case ZoomMode::k200: return 200;
    case ZoomMode::kFit: return std::nullopt;
  }
  return std::nullopt;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// Client pixels [first, end) along one axis that show picture pixels
// [p0, p1) of `size` drawn across `span` client pixels from `origin`.
void MapSpan(int p0, int p1, int size, int origin, int span, int& first, int& end) {
  first = origin + static_cast<int>(FloorDiv(int64_t{p0} * span, size));
  end = origin + static_cast<int>(CeilDiv(int64_t{p1} * span, size));
}

}  // namespace

std::string_view ZoomName(ZoomMode mode) {
  switch (mode) {
    case ZoomMode::k100: return "100";
    case ZoomMode::k150: return "150";
    case ZoomMode::k200: return "200";
    case ZoomMode::kFit: return "fit";
  }
  return "100";
}

std::optional<ZoomMode> ParseZoomName(std::string_view name) {
  for (ZoomMode mode : kZoomModes) {
    if (name == ZoomName(mode)) return mode;
  }
  return std::nullopt;
}

bool ZoomIsSmooth(ZoomMode mode) { return mode == ZoomMode::kFit; }

ClientSize ClientSizeFor(ZoomMode mode) {
  const int percent = FixedPercent(mode).value_or(100);
  return {kPictureX + kWidth * percent / 100 + kPictureMargin,
          kPictureY + kHeight * percent / 100 + kPictureMargin};
}

PixelRect PictureRectFor(ZoomMode mode, ClientSize client) {
  if (const std::optional<int> percent = FixedPercent(mode)) {
    return {kPictureX, kPictureY, kWidth * *percent / 100, kHeight * *percent / 100};
  }
  const int room_width = client.width - kPictureX - kPictureMargin;
  const int room_height = client.height - kPictureY - kPictureMargin;
  if (room_width <= 0 || room_height <= 0) return {kPictureX, kPictureY, 0, 0};
  // Whichever side runs out of room first sets the scale; the other side
  // follows it, rounded down so that the picture stays inside.
  if (int64_t{room_width} * kHeight <= int64_t{room_height} * kWidth) {
    return {kPictureX, kPictureY, room_width, room_width * kHeight / kWidth};
  }
  return {kPictureX, kPictureY, room_height * kWidth / kHeight, room_height};
}

std::optional<PicturePoint> ClientToPicture(const PixelRect& picture, int x, int y) {
  if (picture.Empty() || !picture.Contains(x, y)) return std::nullopt;
  // Client pixel d covers [d, d + 1); its centre d + 1/2 lies over picture
  // pixel floor((d + 1/2) * size / span), in whole numbers.
  const int64_t dx = x - picture.x;
  const int64_t dy = y - picture.y;
  return PicturePoint{static_cast<int>((2 * dx + 1) * kWidth / (2 * int64_t{picture.width})),
                      static_cast<int>((2 * dy + 1) * kHeight / (2 * int64_t{picture.height}))};
}

std::optional<PicturePoint> UnzoomedClientPoint(const PixelRect& picture, int x, int y) {
  std::optional<PicturePoint> point = ClientToPicture(picture, x, y);
  if (point) {
    point->x += kPictureX;
    point->y += kPictureY;
  }
  return point;
}

PixelRect PictureToClient(const PixelRect& picture, const PixelRect& pixels, bool smooth) {
  if (picture.Empty() || pixels.Empty()) return {picture.x, picture.y, 0, 0};
  // A blend reads one pixel beyond each side of what it draws.
  const int reach = smooth ? 1 : 0;
  const int x0 = std::max(pixels.x - reach, 0);
  const int y0 = std::max(pixels.y - reach, 0);
  const int x1 = std::min(pixels.x + pixels.width + reach, kWidth);
  const int y1 = std::min(pixels.y + pixels.height + reach, kHeight);
  if (x0 >= x1 || y0 >= y1) return {picture.x, picture.y, 0, 0};
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
  MapSpan(x0, x1, kWidth, picture.x, picture.width, left, right);
  MapSpan(y0, y1, kHeight, picture.y, picture.height, top, bottom);
  left = std::max(left, picture.x);
  top = std::max(top, picture.y);
  right = std::min(right, picture.x + picture.width);
  bottom = std::min(bottom, picture.y + picture.height);
  return {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
}

void DrawCrispPart(const Pixel* picture, const PixelRect& layout, const PixelRect& part, Pixel* out,
                   size_t out_stride) {
  if (part.Empty() || layout.Empty()) return;
  // Along a row the sampled column is floor((2d + 1) * kWidth / (2 W));
  // it is stepped on by whole numbers rather than divided out per pixel.
  const int64_t step = 2 * int64_t{kWidth};
  const int64_t span = 2 * int64_t{layout.width};
  const int64_t first = 2 * int64_t{part.x - layout.x} + 1;
  for (int row = 0; row < part.height; ++row) {
    const int64_t dy = part.y + row - layout.y;
    const int py = static_cast<int>((2 * dy + 1) * kHeight / (2 * int64_t{layout.height}));
    const Pixel* source = picture + static_cast<size_t>(py) * kWidth;
    Pixel* target = out + static_cast<size_t>(row) * out_stride;
    int64_t numerator = first * kWidth;
    int px = static_cast<int>(numerator / span);
    int64_t remainder = numerator - px * span;
    for (int column = 0; column < part.width; ++column) {
      target[column] = source[px];
      remainder += step;
      while (remainder >= span) {
        remainder -= span;
        ++px;
      }
    }
  }
}

}  // namespace corvane
