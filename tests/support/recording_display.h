// A ScreenDisplay that records what reaches the window, in order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "screen/screen_display.h"
#include "screen/surface.h"

namespace corvane::testing {

class RecordingDisplay : public ScreenDisplay {
 public:
  struct Picture {
    const Surface* surface;
    std::vector<Pixel> pixels;  // copied during the call, as the shell must
  };

  void ShowPicture(const Surface& picture) override {
    events.push_back("picture");
    pictures.push_back(
        {&picture, std::vector<Pixel>(picture.Pixels(),
                                      picture.Pixels() + Surface::kWidth * Surface::kHeight)});
  }
  void ShowStatusText(std::string_view text) override {
    events.push_back("status");
    texts.emplace_back(text);
  }

  std::vector<std::string> events;
  std::vector<std::string> texts;
  std::vector<Picture> pictures;
};

}  // namespace corvane::testing
