#include "params/restore.h"

#include <algorithm>
#include <cstring>

#include "link/operator_messages.h"
#include "link/protocol.h"
#include "link/transmit_queue.h"
#include "params/param_messages.h"
#include "params/text_file.h"
#include "screen/status_counters.h"

namespace corvane {

// ---- RestoreRequest ----

void RestoreRequest::ArmRestore(const std::filesystem::path& path, bool partial,
                                uint16_t target_station) {
  std::lock_guard lock(mutex_);
  armed_ = true;
  partial_ = partial;
  if (partial) target_station_ = target_station;
  path_ = path;
  ++generation_;
}

bool RestoreRequest::Armed() const {
  std::lock_guard lock(mutex_);
  return armed_;
}

std::optional<RestoreSnapshot> RestoreRequest::SnapshotIfArmed() const {
  std::lock_guard lock(mutex_);
  if (!armed_) return std::nullopt;
  return RestoreSnapshot{path_, partial_, target_station_, generation_};
}

void RestoreRequest::DisarmIfUnchanged(const RestoreSnapshot& snapshot) {
  std::lock_guard lock(mutex_);
  if (generation_ != snapshot.generation) return;
  armed_ = false;
  partial_ = false;
}

// ---- RunRestore ----

namespace {

// Lines are gathered into batches of about this size before they are queued:
// one lock and one wake-up of the sender per batch instead of per line. A
// batch holds whole lines only, so a key code queued meanwhile still lands
// between two lines, never inside one.
constexpr size_t kBatchBytes = 8 * 1024;
// A single line longer than this (far beyond anything the controller sends)
// is queued in pieces, so that it never waits for more room than the queue
// can ever offer.
constexpr size_t kLargestPiece = TransmitQueue::kMaxUnsent / 2;

class BatchSender {
 public:
  BatchSender(TransmitQueue& queue, std::stop_token stop) : queue_(queue), stop_(std::move(stop)) {
    batch_.reserve(kBatchBytes * 2);
  }

  std::string& Batch() { return batch_; }

  // Queues the batch once it is big enough. False when the link closed first.
  bool SendIfFull() { return batch_.size() < kBatchBytes || Send(); }

  // Queues everything gathered, waiting for room. False when the link closed
  // before every byte was in the queue.
  bool Send() {
    std::string_view rest(batch_);
    while (!rest.empty()) {
      const std::string_view piece = rest.substr(0, kLargestPiece);
      if (queue_.EnqueueBytesWaiting(piece, stop_) != EnqueueResult::kAppended) return false;
      rest.remove_prefix(piece.size());
    }
    batch_.clear();
    return true;
  }

 private:
  TransmitQueue& queue_;
  std::stop_token stop_;
  std::string batch_;
};

void DropNuls(std::string& line) {
  if (std::memchr(line.data(), 0, line.size()) == nullptr) return;
  line.erase(std::remove(line.begin(), line.end(), '\0'), line.end());
}

// Waits until the sender has taken every queued byte, redrawing the sending
// text at a steady pace. False when the link closed first.
bool WaitForDrain(RestoreContext& context, const std::stop_token& stop) {
  TransmitQueue& queue = context.queue;
  if (queue.IsEmpty()) return true;
  ShowSendingStatus(context.display, context.counters, queue.PendingCount());
  while (!queue.WaitUntilEmpty(stop, context.redraw_interval)) {
    if (stop.stop_requested()) return queue.IsEmpty();
    ShowSendingStatus(context.display, context.counters, queue.PendingCount());
  }
  return true;
}

}  // namespace

bool RunRestore(const RestoreSnapshot& request, RestoreContext& context, std::stop_token stop) {
  std::error_code error;
  const std::unique_ptr<TextFileReader> file = TextFileReader::Open(request.path, error);
  if (!file) {
    // Trying again at every image would only fail again, and this run's own
    // screen request will never be queued: disarm and restart the mirror.
    context.request.DisarmIfUnchanged(request);
    context.queue.EnqueueBytesWaiting(kScreenRequest, stop);
    context.messages.Show(RestoreOpenFailedMessage(request.path, error));
    return false;
  }

  BatchSender sender(context.queue, stop);
  std::string line;
  int32_t lines_read = 0;
  bool queued = true;
  sender.Batch().append(kRestoreStart);
  while (queued && file->ReadLine(line)) {
    DropNuls(line);
    if (request.partial) {
      AppendRetargetedRecord(line, request.target_station, sender.Batch());
    } else {
      sender.Batch().append(line);
    }
    ++lines_read;
    context.counters.LinesSent.fetch_add(1);
    queued = sender.SendIfFull();
  }
  // A request armed while this run was reading is kept for the next image.
  context.request.DisarmIfUnchanged(request);

  if (!queued) {
    // Best effort, without waiting: should the bytes already queued still go
    // out, the controller's restore frame is at least closed.
    context.queue.EnqueueBytes(kRestoreEnd);
    context.messages.Show(
        RestoreIncompleteMessage(request.path, RestoreCutOff::kLinkClosed, lines_read));
    return false;
  }

  // Also after a read error: the frame is closed and the mirror restarted.
  sender.Batch().append(kRestoreEnd);
  sender.Batch().append(kScreenRequest);
  const bool drained = sender.Send() && WaitForDrain(context, stop);
  if (!drained) {
    context.messages.Show(
        RestoreIncompleteMessage(request.path, RestoreCutOff::kLinkClosed, lines_read));
    return false;
  }
  context.queue.ResetPendingCount();
  if (file->Failed()) {
    context.messages.Show(RestoreIncompleteMessage(request.path, RestoreCutOff::kReadFailed,
                                                   lines_read, file->Error()));
    return false;
  }
  return true;
}

}  // namespace corvane
