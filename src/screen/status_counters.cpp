#include "screen/status_counters.h"

#include <algorithm>
#include <cstdio>

#include "screen/screen_display.h"

namespace corvane {

namespace {

// Every status text fits the controller window's 255-character line.
template <typename... Args>
std::string Format(const char* format, Args... values) {
  char text[256];
  const int n = std::snprintf(text, sizeof text, format, values...);
  return std::string(text, n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof text - 1));
}

}  // namespace

std::string FormatImagesStatus(int32_t images_shown) {
  return Format("Images: %d                                            ", images_shown);
}

std::string FormatReceivingStatus(int32_t parameters_received) {
  return Format("Receiving Parameters: %d             ", parameters_received);
}

std::string FormatBlockEndStatus(int32_t images_shown, int32_t blocks_completed) {
  return Format("Images: %d, Parameters: %d  ", images_shown, blocks_completed);
}

std::string FormatSendingStatus(int32_t lines_sent, int32_t pending_bytes) {
  return Format("Sending Parameters: %d, %d                ", lines_sent, pending_bytes);
}

void ShowImagesStatus(ScreenDisplay& display, StatusCounters& counters) {
  display.ShowStatusText(FormatImagesStatus(counters.ImagesShown.fetch_add(1)));
}

void ShowReceivingStatus(ScreenDisplay& display, const StatusCounters& counters) {
  display.ShowStatusText(FormatReceivingStatus(counters.ParametersReceived.load()));
}

void ShowBlockEndStatus(ScreenDisplay& display, StatusCounters& counters) {
  display.ShowStatusText(
      FormatBlockEndStatus(counters.ImagesShown.load(), counters.BlocksCompleted.fetch_add(1)));
}

void ShowSendingStatus(ScreenDisplay& display, const StatusCounters& counters,
                       int32_t pending_bytes) {
  display.ShowStatusText(FormatSendingStatus(counters.LinesSent.load(), pending_bytes));
}

}  // namespace corvane
