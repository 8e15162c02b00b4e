#include "screen/payload_code.h"
#include "screen/screen_image.h"

namespace corvane {

std::optional<Pixel> PenTable(uint8_t letter) {
  const PayloadByteRole& role = kPayloadByteRoles[letter];
  if (!role.has_pen) return std::nullopt;
  return role.pen;
}

bool IsColourLetter(uint8_t byte) { return kPayloadByteRoles[byte].letter; }

std::optional<int> RunLength(uint8_t byte) {
  const int run = kPayloadByteRoles[byte].run;
  if (run == 0) return std::nullopt;
  return run;
}

void SelectColourPen(Surface& surface, uint8_t letter) {
  const PayloadByteRole& role = kPayloadByteRoles[letter];
  if (role.has_pen) surface.SelectPen(role.pen);
}

}  // namespace corvane
