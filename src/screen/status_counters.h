// The status line above the mirrored screen and its four counters.
//
// Threads: the receiver thread shows every text and makes every increment;
// the UI thread resets ParametersReceived and LinesSent. The counters are
// atomics so both may touch them at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace corvane {

class ScreenDisplay;

struct StatusCounters {
  std::atomic<int32_t> ImagesShown{0};
  std::atomic<int32_t> ParametersReceived{0};
  std::atomic<int32_t> BlocksCompleted{0};
  std::atomic<int32_t> LinesSent{0};
};

// The four texts, formatted exactly, trailing blanks included.
std::string FormatImagesStatus(int32_t images_shown);
std::string FormatReceivingStatus(int32_t parameters_received);
std::string FormatBlockEndStatus(int32_t images_shown, int32_t blocks_completed);
std::string FormatSendingStatus(int32_t lines_sent, int32_t pending_bytes);

// Format, count where the text says so (after formatting), and hand the text
// to the display. Receiver thread.
void ShowImagesStatus(ScreenDisplay& display, StatusCounters& counters);
void ShowReceivingStatus(ScreenDisplay& display, const StatusCounters& counters);
void ShowBlockEndStatus(ScreenDisplay& display, StatusCounters& counters);
void ShowSendingStatus(ScreenDisplay& display, const StatusCounters& counters,
                       int32_t pending_bytes);

}  // namespace corvane
