// Parameter restore: the armed request and the run that sends a parameter
// file back to the controller, whole or retargeted to one station.
//
// Threads: ArmRestore runs on the UI thread; SnapshotIfArmed, DisarmIfUnchanged
// and RunRestore on the receiver thread. The request is guarded by a mutex; a run works on
// its own snapshot from start to end.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "params/parameter_record.h"

namespace corvane {

class OperatorMessages;
class ScreenDisplay;
class TransmitQueue;
struct StatusCounters;

// A copy of an armed request, taken when its run starts.
struct RestoreSnapshot {
  std::filesystem::path path;
  bool partial = false;
  uint16_t target_station = 0;  // zero-based station index, 0..7
  uint64_t generation = 0;      // which ArmRestore this came from
};

class RestoreRequest {
 public:
  // UI thread. Keeps its own copy of the path. A request that has not run
  // yet is replaced. A full request leaves the target station as it was.
  void ArmRestore(const std::filesystem::path& path, bool partial, uint16_t target_station);
  bool Armed() const;
  // Receiver thread, at the end of an image: a snapshot when armed.
  std::optional<RestoreSnapshot> SnapshotIfArmed() const;
  // Disarms only when no newer request was armed since `snapshot`, so a
  // request armed while a run is in progress runs at the next image.
  void DisarmIfUnchanged(const RestoreSnapshot& snapshot);

 private:
  mutable std::mutex mutex_;
  bool armed_ = false;
  bool partial_ = false;
  uint16_t target_station_ = 0;
  std::filesystem::path path_;
  uint64_t generation_ = 0;
};

// Often enough that the count visibly moves, seldom enough that the wait
// costs nothing.
inline constexpr std::chrono::milliseconds kSendingRedrawInterval{40};

struct RestoreContext {
  TransmitQueue& queue;
  StatusCounters& counters;
  ScreenDisplay& display;
  OperatorMessages& messages;
  RestoreRequest& request;
  // How often the sending text is redrawn while the queue drains.
  std::chrono::milliseconds redraw_interval{kSendingRedrawInterval};
};

// Receiver thread. Sends "<2>", the file's lines (whole, or retargeted when
// the snapshot is partial), "}" and "<1>", then waits for the queue to drain,
// redrawing "Sending Parameters: %d, %d" as it goes. Waits for room when the
// queue is full. `stop` (the link closing) ends every wait. A file that
// cannot be opened disarms the request, queues "<1>" so the mirror goes on,
// tells the operator and returns false. Every run disarms the request unless
// a newer one was armed meanwhile. Returns true only when every line of the
// file was queued and the queue drained; a read error or a stop tells the
// operator that the controller got only part of the file.
bool RunRestore(const RestoreSnapshot& request, RestoreContext& context, std::stop_token stop);

}  // namespace corvane
