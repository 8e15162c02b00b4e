// Where the mirrored picture lies in the main window's client area. Every
// front end draws the controller's 800x600 picture unscaled with its
// top-left here, and the soft-key areas are written in the client
// coordinates this places, so a click lands on the key drawn under it.
#pragma once

namespace corvane {

inline constexpr int kPictureX = 10;
inline constexpr int kPictureY = 30;

}  // namespace corvane
