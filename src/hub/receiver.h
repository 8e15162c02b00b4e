// The receiver: the worker that listens to the controller, and the frame
// demultiplexer that splits what it hears into screen images and parameter
// blocks.
//
// Threads: DemuxByte, DemuxBytes and ReceiverWorker run on the receiver
// thread only. ReceiverState and the ScreenImageBuffer belong to that
// thread; they outlive each worker, and the link hands them from one worker
// to the next only across a join, so they need no lock.
#pragma once

#include <cstdint>
#include <span>
#include <stop_token>

#include "hub/image_drawing.h"
#include "hub/silence_watchdog.h"
#include "link/byte_stream.h"
#include "link/serial_port.h"

namespace corvane {

class CaptureState;
class OperatorMessages;
class RestoreRequest;
class ScreenDisplay;
class TransmitQueue;
struct ScreenImageBuffer;
struct StatusCounters;

// Where the demultiplexer stands between two bytes. Never both set.
struct ReceiverState {
  bool image_mode = false;            // inside "{" ... "}"
  bool parameter_block_mode = false;  // inside "[" ... "]"
};

// Everything the receiver drives, built once by the composition root.
struct ReceiverContext {
  TransmitQueue& queue;
  ScreenImageBuffer& image;
  ImageDrawing& drawing;
  StatusCounters& counters;
  ScreenDisplay& display;
  OperatorMessages& messages;
  CaptureState& capture;
  RestoreRequest& restore;
  ReceiverState& state;
  SilenceWatchdog& watchdog;
};

// One read takes at most this many bytes.
inline constexpr uint32_t kReceiveBufferSize = 10'000;

// Runs one received byte through the demultiplexer. `stop` is the link's
// close: it ends a restore that is waiting for the queue. Taken by
// reference: a copy is a pair of atomic count changes, for every byte.
void DemuxByte(ReceiverContext& context, uint8_t byte, const std::stop_token& stop);

// Runs one read through the demultiplexer: byte for byte what DemuxByte
// does for each in turn, but a run that holds no frame byte goes into the
// image store in one copy. Stops before the next byte once `stop` is
// requested: a screen request queued after the close would only reach the
// next link as a stray. With drawing while receiving on, an image still
// open after the read is drawn as far as it came, once its interval has
// passed since the picture last went to the display.
void DemuxBytes(ReceiverContext& context, std::span<const uint8_t> bytes,
                const std::stop_token& stop);

// What the receiver does when the line has been silent for the watchdog's
// quiet time: an unfinished image is dropped, a parameter block that is
// still open is ended (its backup reported as incomplete), and the screen is
// asked for again.
void RestartAfterSilence(ReceiverContext& context, const std::stop_token& stop);

// Thread entry. Queues the link's first screen request, then reads and
// demultiplexes until `stop` is requested or the port reports the close or
// the loss of its device, starting over whenever the line stays silent for
// the quiet time. A parameter block that the close cut off is closed as
// incomplete, so the next link starts outside it.
// Every read goes to `sinks` as read, and a screen asked for again after
// silence as LinkEvent::kReRequested.
void ReceiverWorker(ReceiverContext& context, SerialPort& port, ByteStreamSinks& sinks,
                    std::stop_token stop, const PortLostHandler& port_lost);

}  // namespace corvane
