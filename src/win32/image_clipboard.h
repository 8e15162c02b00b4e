// The Windows clipboard for a copy of the mirrored picture, as a device-
// independent bitmap (CF_DIB), which every painting program pastes.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include "app/front_end.h"

namespace corvane {

class Win32ImageClipboard : public ImageClipboard {
 public:
  // UI thread, once the window exists: the clipboard is opened for it.
  void Attach(HWND owner) { owner_ = owner; }
  // Fails while another program holds the clipboard open, with the
  // system's reason.
  std::error_code PutPicture(std::span<const Pixel> pixels, int width, int height) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace corvane
