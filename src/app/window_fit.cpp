#include "app/window_fit.h"

#include <algorithm>

namespace corvane {

WindowPlace FitWindowToWorkArea(ClientSize wanted, ClientSize unzoomed, int x, int y,
                                DesktopRect work) {
  WindowPlace place;
  place.size.width = std::max(std::min(wanted.width, work.width), unzoomed.width);
  place.size.height = std::max(std::min(wanted.height, work.height), unzoomed.height);
  place.x = std::max(work.left, std::min(x, work.left + work.width - place.size.width));
  place.y = std::max(work.top, std::min(y, work.top + work.height - place.size.height));
  place.moved = place.x != x || place.y != y;
  return place;
}

}  // namespace corvane
