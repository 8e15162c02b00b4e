#include "screen/status_counters.h"

#include <cstdio>
#include <string_view>

#include "screen/screen_display.h"

namespace corvane {

namespace {

// Every status text fits a 255-character line. The texts are formatted on
// the stack: one is shown per screen image, and nothing is allocated per
// image.
class StatusText {
 public:
  template <typename... Args>
  StatusText(const char* format, Args... values) {
    const int n = std::snprintf(text_, sizeof text_, format, values...);
    length_ =
        n < 0 ? 0
              : (static_cast<size_t>(n) < sizeof text_ ? static_cast<size_t>(n) : sizeof text_ - 1);
  }
  std::string_view View() const { return {text_, length_}; }
  std::string String() const { return std::string(View()); }

 private:
  char text_[256];
  size_t length_ = 0;
};

// The formats, trailing blanks included; each is drawn with its full length.
constexpr const char* kImagesFormat = "Images: %d                                            ";
constexpr const char* kReceivingFormat = "Receiving Parameters: %d             ";
constexpr const char* kBlockEndFormat = "Images: %d, Parameters: %d  ";
constexpr const char* kSendingFormat = "Sending Parameters: %d, %d                ";

}  // namespace

std::string FormatImagesStatus(int32_t images_shown) {
  return StatusText(kImagesFormat, images_shown).String();
}

std::string FormatReceivingStatus(int32_t parameters_received) {
  return StatusText(kReceivingFormat, parameters_received).String();
}

std::string FormatBlockEndStatus(int32_t images_shown, int32_t blocks_completed) {
  return StatusText(kBlockEndFormat, images_shown, blocks_completed).String();
}

std::string FormatSendingStatus(int32_t lines_sent, int32_t pending_bytes) {
  return StatusText(kSendingFormat, lines_sent, pending_bytes).String();
}

void ShowImagesStatus(ScreenDisplay& display, StatusCounters& counters) {
  display.ShowStatusText(StatusText(kImagesFormat, counters.ImagesShown.fetch_add(1)).View());
}

void ShowReceivingStatus(ScreenDisplay& display, const StatusCounters& counters) {
  display.ShowStatusText(StatusText(kReceivingFormat, counters.ParametersReceived.load()).View());
}

void ShowBlockEndStatus(ScreenDisplay& display, StatusCounters& counters) {
  display.ShowStatusText(StatusText(kBlockEndFormat, counters.ImagesShown.load(),
                                    counters.BlocksCompleted.fetch_add(1))
                             .View());
}

void ShowSendingStatus(ScreenDisplay& display, const StatusCounters& counters,
                       int32_t pending_bytes) {
  display.ShowStatusText(
      StatusText(kSendingFormat, counters.LinesSent.load(), pending_bytes).View());
}

}  // namespace corvane
