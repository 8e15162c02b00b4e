#include "hub/receiver.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "link/protocol.h"
#include "link/serial_port.h"
#include "link/transmit_queue.h"
#include "link/worker_priority.h"
#include "params/capture.h"
#include "params/param_messages.h"
#include "params/restore.h"
#include "screen/screen_image.h"

namespace corvane {

namespace {

// The screen request is never dropped for want of room: the receiver waits
// for the sender instead (its input waits in the port meanwhile), and the
// close ends that wait.
void RequestNextImage(ReceiverContext& context, const std::stop_token& stop) {
  context.queue.EnqueueBytesWaiting(kScreenRequest, stop);
}

void ShowImage(ReceiverContext& context) {
  RenderScreenImage(context.image, context.drawing.decoder, context.counters, context.display);
  context.drawing.last_shown = ImageDrawing::Clock::now();
}

// The image store starts over: an image drawn while it arrived is given up.
void StartStoreOver(ReceiverContext& context) {
  context.image.count = 0;
  DropImage(context.drawing.decoder, context.display);
}

void DrawWhileReceiving(ReceiverContext& context) {
  ImageDrawing& drawing = context.drawing;
  if (!context.state.image_mode || !drawing.while_receiving.load(std::memory_order_relaxed)) {
    return;
  }
  const ImageDrawing::Clock::time_point now = ImageDrawing::Clock::now();
  if (now - drawing.last_shown < drawing.interval) return;
  DrawArrivedRows(context.image, drawing.decoder, context.display);
  drawing.last_shown = now;
}

void EndImage(ReceiverContext& context, const std::stop_token& stop) {
  context.state.image_mode = false;
  // One snapshot decides both whether to restore and what: a request armed
  // from now on waits for the next image.
  if (const std::optional<RestoreSnapshot> restore = context.restore.SnapshotIfArmed()) {
    // The restore sends its own screen request once its data is out.
    ShowImage(context);
    RestoreContext restore_context{context.queue, context.counters, context.display,
                                   context.messages, context.restore};
    RunRestore(*restore, restore_context, stop);
    return;
  }
  // Ask first: the controller prepares the next image while this one is drawn.
  RequestNextImage(context, stop);
  ShowImage(context);
}

// The next place one frame byte stands in a read. It is searched for again
// only once the demultiplexer has gone past the last one found, so a read
// full of frame bytes is still scanned once for each of them, not once per
// byte handled.
class NextFrameByte {
 public:
  NextFrameByte(std::span<const uint8_t> bytes, uint8_t value) : bytes_(bytes), value_(value) {}

  // The first position at or after `from` that holds the byte, or the
  // read's size when none does.
  size_t From(size_t from) {
    if (from >= bytes_.size()) return bytes_.size();
    if (!searched_ || at_ < from) {
      const void* found = std::memchr(bytes_.data() + from, value_, bytes_.size() - from);
      at_ = found == nullptr
                ? bytes_.size()
                : static_cast<size_t>(static_cast<const uint8_t*>(found) - bytes_.data());
      searched_ = true;
    }
    return at_;
  }

 private:
  std::span<const uint8_t> bytes_;
  uint8_t value_;
  size_t at_ = 0;
  bool searched_ = false;
};

// What DemuxByte does with a run of bytes that holds no frame byte: inside
// an image or outside any frame they go into the image store, as far as it
// has room.
void StoreRun(ScreenImageBuffer& image, std::span<const uint8_t> run) {
  if (image.count >= ScreenImageBuffer::kCapacity) return;
  const size_t room = static_cast<size_t>(ScreenImageBuffer::kCapacity - image.count);
  const size_t n = run.size() < room ? run.size() : room;
  std::memcpy(image.bytes.get() + image.count, run.data(), n);
  image.count += static_cast<int32_t>(n);
}

}  // namespace

void RestartAfterSilence(ReceiverContext& context, const std::stop_token& stop) {
  context.state.image_mode = false;
  StartStoreOver(context);
  if (context.state.parameter_block_mode) {
    // A controller that goes quiet for seconds inside a block is not going
    // to finish it; the operator must not take the file for a backup.
    context.capture.AbandonCapture(BackupCutOff::kControllerSilent);
    context.state.parameter_block_mode = false;
  }
  context.watchdog.CountRerequest();
  RequestNextImage(context, stop);
}

void DemuxByte(ReceiverContext& context, uint8_t byte, const std::stop_token& stop) {
  ReceiverState& state = context.state;
  if (state.image_mode && byte == kImageClose) {
    EndImage(context, stop);
    // The "}" goes on through the tests below like any other byte.
  }
  if (state.parameter_block_mode) {
    if (context.capture.CaptureParameterByte(byte, context.display)) {
      state.parameter_block_mode = false;
    }
    return;
  }
  ScreenImageBuffer& image = context.image;
  if (byte == kImageOpen) {
    state.image_mode = true;
    state.parameter_block_mode = false;
    StartStoreOver(context);
  } else if (byte == kBlockOpen) {
    state.image_mode = false;
    state.parameter_block_mode = true;
    StartStoreOver(context);
  } else if (image.count < ScreenImageBuffer::kCapacity) {
    // Bytes outside a frame land here too; they are never drawn, because the
    // next "{" or "[" starts the count over.
    image.bytes[static_cast<size_t>(image.count)] = byte;
    ++image.count;
  }
}

void DemuxBytes(ReceiverContext& context, std::span<const uint8_t> bytes,
                const std::stop_token& stop) {
  NextFrameByte image_open(bytes, kImageOpen);
  NextFrameByte image_close(bytes, kImageClose);
  NextFrameByte block_open(bytes, kBlockOpen);
  size_t i = 0;
  while (i < bytes.size() && !stop.stop_requested()) {
    // Inside a block every byte counts, "]" and NUL and LF each their own
    // way, so only the image store takes whole runs.
    if (!context.state.parameter_block_mode) {
      const size_t next = std::min({image_open.From(i), image_close.From(i), block_open.From(i)});
      if (next > i) {
        StoreRun(context.image, bytes.subspan(i, next - i));
        i = next;
        continue;
      }
    }
    DemuxByte(context, bytes[i], stop);
    ++i;
  }
  if (!stop.stop_requested()) DrawWhileReceiving(context);
}

void ReceiverWorker(ReceiverContext& context, SerialPort& port, ByteStreamSinks& sinks,
                    std::stop_token stop, const PortLostHandler& port_lost) {
  RaiseWorkerPriority();
  const std::unique_ptr<uint8_t[]> buffer(new uint8_t[kReceiveBufferSize]);
  const std::span<uint8_t> receive(buffer.get(), kReceiveBufferSize);

  SilenceWatchdog& watchdog = context.watchdog;
  RequestNextImage(context, stop);
  StartStoreOver(context);
  watchdog.Restart(SilenceWatchdog::Clock::now());

  bool lost = false;
  while (!lost && !stop.stop_requested()) {
    const PortResult event = port.WaitPortEvent(watchdog.TimeLeft(SilenceWatchdog::Clock::now()));
    if (event.status == PortStatus::kClosed) break;
    if (event.status == PortStatus::kTimedOut) {
      RestartAfterSilence(context, stop);
      sinks.PublishEvent(LinkEvent::kReRequested);
      watchdog.Restart(SilenceWatchdog::Clock::now());
      continue;
    }
    if (event.status != PortStatus::kOk) {
      lost = true;
      port_lost(event);
      break;
    }
    // Everything that has arrived is read before waiting again; a wait with
    // bytes still unread would only return at once anyway.
    for (;;) {
      const PortResult read = port.ReadAvailable(receive, kReceiveBufferSize);
      if (read.status == PortStatus::kLost || read.status == PortStatus::kFailed) {
        lost = true;
        port_lost(read);
        break;
      }
      if (read.count == 0) break;
      sinks.Publish(TrafficDirection::kReceived, receive.first(read.count));
      DemuxBytes(context, receive.first(read.count), stop);
      if (stop.stop_requested()) break;
    }
    // Measured from when the bytes were handled, not when they came: the
    // pause after a block and a restore are the controller's time, not
    // silence on the line.
    watchdog.Restart(SilenceWatchdog::Clock::now());
  }

  // The next link must not pour its screen images into a backup file that
  // this link's close cut off.
  if (context.state.parameter_block_mode) {
    context.capture.AbandonCapture();
    context.state.parameter_block_mode = false;
  }
}

}  // namespace corvane
