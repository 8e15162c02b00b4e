#include "app/zoom_for_scale.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace corvane {
namespace {

struct FixedZoom {
  ZoomMode mode;
  double scale;
};
// Smallest first: a tie goes to the one met first.
constexpr std::array<FixedZoom, 3> kFixedZooms{
    {{ZoomMode::k100, 1.0}, {ZoomMode::k150, 1.5}, {ZoomMode::k200, 2.0}}};

bool Fits(ZoomMode mode, const std::optional<ClientSize>& room) {
  if (!room) return true;
  const ClientSize wanted = ClientSizeFor(mode);
  return wanted.width <= room->width && wanted.height <= room->height;
}

}  // namespace

ZoomMode ZoomForScale(const MonitorScale& monitor) {
  // NaN, infinities and nonsense from a toolkit that could not tell count
  // as the plain 96 dots per inch.
  const double scale = std::isfinite(monitor.scale) && monitor.scale > 0 ? monitor.scale : 1.0;
  size_t nearest = 0;
  for (size_t i = 1; i < kFixedZooms.size(); ++i) {
    if (std::abs(scale - kFixedZooms[i].scale) < std::abs(scale - kFixedZooms[nearest].scale)) {
      nearest = i;
    }
  }
  // A fixed zoom that the work area cannot hold would have the window cut
  // the picture off at its right and bottom.
  while (nearest > 0 && !Fits(kFixedZooms[nearest].mode, monitor.room)) --nearest;
  return kFixedZooms[nearest].mode;
}

}  // namespace corvane
