#include "keypad/soft_key_areas.h"

namespace corvane {

std::optional<KeyCode> SoftKeyAreas(int x, int y) {
  if (!(kSoftKeyTop < y && y < kSoftKeyBottom)) return std::nullopt;
  for (const SoftKeyArea& area : kSoftKeyAreas) {
    if (area.left < x && x < area.right) return area.code;
  }
  return std::nullopt;
}

}  // namespace corvane
