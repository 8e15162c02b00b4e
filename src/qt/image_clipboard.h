// The desktop clipboard for a copy of the mirrored picture, through
// QClipboard::setImage.
//
// Threads: UI thread only.
#pragma once

#include "app/front_end.h"

namespace corvane {

class QtImageClipboard : public ImageClipboard {
 public:
  // The toolkit takes the picture in every case: never a failure.
  std::error_code PutPicture(std::span<const Pixel> pixels, int width, int height) override;
};

}  // namespace corvane
