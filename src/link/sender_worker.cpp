#include "link/sender_worker.h"

#include <chrono>
#include <thread>

#include "link/transmit_queue.h"
#include "link/worker_priority.h"

namespace corvane {

void SenderWorker(TransmitQueue& queue, SerialPort& port, ByteStreamSinks& sinks,
                  std::stop_token stop, const PortLostHandler& port_lost) {
  RaiseWorkerPriority();
  uint8_t block[TransmitQueue::kBlockSize];
  while (queue.WaitUntilNotEmpty(stop)) {
    const int length = queue.TakeSendBlock(block);
    const PortResult result =
        port.WriteBlock(std::span<const uint8_t>(block, static_cast<size_t>(length)));
    // Written or not, the block is gone: a failed block is never retried.
    queue.ConsumeSendBlock(length);
    if (result.status == PortStatus::kClosed) break;
    if (result.status == PortStatus::kLost) {
      port_lost(result);
      break;
    }
    if (result.status == PortStatus::kOk) {
      sinks.Publish(TrafficDirection::kSent, std::span<const uint8_t>(block, result.count));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace corvane
