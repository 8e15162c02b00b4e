// The sender: the worker that drains the transmit queue to the port.
//
// Threads: SenderWorker is the sender thread's entry; the queue guards
// itself and the port allows one writer beside one reader.
#pragma once

#include <stop_token>

#include "link/byte_stream.h"
#include "link/serial_port.h"

namespace corvane {

class TransmitQueue;

// Sleeps while the queue is empty and wakes at once when bytes are appended
// or `stop` is requested. Writes 32 bytes at a time while at least 32 wait,
// otherwise one, and pauses 1 ms after every write: the controller takes its
// input at its own pace. A block whose write fails is dropped. Ends when
// `stop` is requested or the port reports the close or the loss of its
// device; what is still queued then is the link's to drop. Every block
// written goes to `sinks` as written.
void SenderWorker(TransmitQueue& queue, SerialPort& port, ByteStreamSinks& sinks,
                  std::stop_token stop, const PortLostHandler& port_lost);

}  // namespace corvane
