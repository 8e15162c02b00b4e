#include "hub/serial_link.h"

#include <system_error>

#include "link/sender_worker.h"
#include "link/transmit_queue.h"

namespace corvane {

namespace {

// Drops every queued byte, as the sender would after failed writes.
void DropQueuedBytes(TransmitQueue& queue) {
  uint8_t block[TransmitQueue::kBlockSize];
  while (!queue.IsEmpty()) queue.ConsumeSendBlock(queue.TakeSendBlock(block));
}

}  // namespace

SerialLink::SerialLink(ReceiverContext& receiver, LinkLostHandler link_lost,
                       std::filesystem::path device_directory)
    : receiver_(receiver),
      device_directory_(std::move(device_directory)),
      port_lost_([this](const PortResult& result) { PortLost(result); }),
      link_lost_(std::move(link_lost)) {}

SerialLink::~SerialLink() { ReleaseLink(); }

bool SerialLink::PrepareLinkEvents() {
  // The port is the opener's while it runs.
  EndOpener();
  return port_.PrepareLinkEvents();
}

bool SerialLink::IsConnected() const { return IsOpen() && !LinkLost(); }

std::error_code SerialLink::OpenLink(int port_number) {
  // A link that is still open, or whose device went away, is ended first:
  // its workers must be gone before new ones start.
  CloseLink();
  lost_.store(false, std::memory_order_release);
  port_number_ = port_number;
  if (const std::error_code error = port_.OpenSerialPort(port_number, device_directory_)) {
    return error;
  }
  return StartWorkers();
}

std::error_code SerialLink::OpenLinkDevice(const std::string& device_path) {
  CloseLink();
  lost_.store(false, std::memory_order_release);
  port_number_ = 0;
  return OpenDevicePart(device_path, {});
}

void SerialLink::BeginOpenLinkDevice(const std::string& address, LinkOpenedHandler opened) {
  CloseLink();
  lost_.store(false, std::memory_order_release);
  port_number_ = 0;
  try {
    opener_thread_ = std::jthread([this, address, opened](std::stop_token cancel) {
      opened(OpenDevicePart(address, std::move(cancel)));
    });
  } catch (const std::system_error& error) {
    opened(error.code());
  }
}

std::error_code SerialLink::OpenDevicePart(const std::string& device_path, std::stop_token cancel) {
  if (const std::error_code error = port_.OpenSerialDevice(device_path, cancel)) return error;
  // Stopped after the connect was made: no workers for a link that is
  // being closed.
  if (cancel.stop_requested()) {
    port_.CloseSerialPort();
    return MakeErrorCode(NetworkError::kCancelled);
  }
  return StartWorkers();
}

void SerialLink::EndOpener() {
  if (!opener_thread_.joinable()) return;
  opener_thread_.request_stop();
  opener_thread_.join();
}

std::error_code SerialLink::StartWorkers() {
  // Keys pressed while an earlier link was down go nowhere: replayed minutes
  // later on the controller they would be a hazard. (The close drops what
  // that link left; this drops what came after, during failed reopens.)
  // Keys queued before any link was up do go out, oldest first.
  if (had_link_) DropQueuedBytes(receiver_.queue);
  had_link_ = true;

  stop_ = std::stop_source();
  connected_.store(true, std::memory_order_release);
  // Before the workers, so a sink sees the link open before its first byte.
  sinks_.PublishEvent(LinkEvent::kOpened);
  try {
    receiver_thread_ = std::thread(ReceiverWorker, std::ref(receiver_), std::ref(port_),
                                   std::ref(sinks_), stop_.get_token(), std::cref(port_lost_));
  } catch (const std::system_error& error) {
    StopLink();
    return error.code();
  }
  port_.RaiseDtr();  // refused by devices without modem lines; they work all the same
  try {
    sender_thread_ = std::thread(SenderWorker, std::ref(receiver_.queue), std::ref(port_),
                                 std::ref(sinks_), stop_.get_token(), std::cref(port_lost_));
  } catch (const std::system_error& error) {
    // A link that can receive but never send would never ask for an image.
    StopLink();
    return error.code();
  }
  return {};
}

void SerialLink::CloseLink() {
  // First: until it has ended, the port, the workers and the stop are the
  // opener's.
  EndOpener();
  StopLink();
}

void SerialLink::StopLink() {
  connected_.store(false, std::memory_order_release);
  port_.SignalClose();
  stop_.request_stop();
  const bool had_workers = receiver_thread_.joinable() || sender_thread_.joinable();
  if (receiver_thread_.joinable()) receiver_thread_.join();
  if (sender_thread_.joinable()) sender_thread_.join();
  port_.CloseSerialPort();
  // What the old link left queued would have failed on its closed port.
  // Dropped only now, with both workers gone: a restore that is cut off
  // must find its bytes still unsent, not emptied away as if written. The
  // UI thread is in here, so nothing the operator queues is lost this way;
  // keys queued while no link was open are kept for the next one.
  if (had_workers) {
    DropQueuedBytes(receiver_.queue);
    sinks_.PublishEvent(LinkEvent::kClosed);
  }
}

void SerialLink::ReleaseLink() {
  CloseLink();
  port_.ReleaseLinkEvents();
}

void SerialLink::PortLost(const PortResult&) {
  // A close that the operator asked for is not a lost device.
  if (stop_.stop_requested()) return;
  const bool first = !lost_.exchange(true, std::memory_order_acq_rel);
  // Both workers stop before the operator hears of it: by then the link is
  // down for everyone who looks.
  port_.SignalClose();
  stop_.request_stop();
  if (first) sinks_.PublishEvent(LinkEvent::kLost);
  if (first && link_lost_) link_lost_(port_number_);
}

}  // namespace corvane
