// A link: the time during which the COM port is open and the two workers
// run over it. The receiver reads and demultiplexes what the controller
// sends; the sender drains the transmit queue to the port.
//
// Threads: OpenLink, CloseLink, ReleaseLink and PrepareLinkEvents run on the
// UI thread. A device server may take seconds to answer, so its address can
// be opened on an opener thread of the link's own (BeginOpenLinkDevice),
// which owns the port and the workers until it has ended; every call of the
// UI thread that changes the link first stops it and joins it. The workers
// run on their own threads; they report a device that went away through
// PortLost, which may run on either of them. IsConnected, LinkLost and
// IsOpen may be read from any thread.
//
// Every close joins both workers before the port is touched, so the workers
// of one link have always ended before the next link starts and before the
// port's descriptors are given up. The link's stop ends every wait a worker
// can be in: the port wait, the sender's wait for bytes, and a restore's
// waits for room and for the queue to drain.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>

#include "hub/receiver.h"
#include "link/byte_stream.h"
#include "link/serial_port.h"

namespace corvane {

class TransmitQueue;

// Told, once per link, that the link's device went away; runs on the
// worker that found it, after both workers were told to stop.
using LinkLostHandler = std::function<void(int port_number)>;
// Told how an open begun by BeginOpenLinkDevice ended, as OpenLinkDevice
// would return it; runs once, on the opener thread.
using LinkOpenedHandler = std::function<void(std::error_code)>;

class SerialLink {
 public:
  // `device_directory` is where "com<n>" entries are looked up (the working
  // directory in the program).
  SerialLink(ReceiverContext& receiver, LinkLostHandler link_lost,
             std::filesystem::path device_directory = std::filesystem::path("."));
  ~SerialLink();  // releases the link
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // UI thread. Prepares the port's close signal, after stopping an open
  // under way. False on failure; an OpenLink after a failure prepares it
  // again itself.
  bool PrepareLinkEvents();

  // UI thread. Opens COM `port_number` and starts the receiver, then raises
  // DTR and starts the sender. A link that is still open, or that went down,
  // is closed first, so choosing the same port again reconnects. Bytes
  // queued since an earlier link went down are dropped; bytes queued before
  // the first link go out on it. Empty when the link runs; else why the
  // port cannot be opened or a worker cannot be started, and nothing is
  // left running.
  [[nodiscard]] std::error_code OpenLink(int port_number);
  // UI thread. The same for a device named by its path or a device
  // server's address (corvane-cli's --device); PortNumber() is 0 for such a
  // link.
  [[nodiscard]] std::error_code OpenLinkDevice(const std::string& device_path);
  // UI thread. OpenLinkDevice on the opener thread, for an address that may
  // take up to kConnectLimit to reach while the window goes on: the link
  // is closed here, the rest runs there and ends in `opened`. A CloseLink,
  // ReleaseLink or another open before then ends a connect under way at
  // once (`opened` hears NetworkError::kCancelled) and waits for the
  // opener. Until it is joined only the flags below may be read. When the
  // thread cannot be started, `opened` runs here with the reason.
  void BeginOpenLinkDevice(const std::string& address, LinkOpenedHandler opened);

  // Whatever watches this link's byte stream (link/byte_stream.h): add and
  // remove sinks from any thread, also while the link runs. They see every
  // link this object opens, and its opened, lost and closed events.
  ByteStreamSinks& Sinks() { return sinks_; }

  // UI thread. Signals the close, joins both workers, closes the port and
  // drops the bytes the old link left queued, as writes to its closed port
  // would have. Nothing happens when no link is open: bytes queued then wait
  // for the next link.
  void CloseLink();

  // UI thread. CloseLink, then gives up the close signal.
  void ReleaseLink();

  // True while a link is open and its device has not gone away.
  bool IsConnected() const;
  // True when the device of the current link went away; OpenLink clears it.
  bool LinkLost() const { return lost_.load(std::memory_order_acquire); }
  // True from a successful OpenLink until CloseLink, lost or not.
  bool IsOpen() const { return connected_.load(std::memory_order_acquire); }

  // UI thread, with no open under way.
  int PortNumber() const { return port_number_; }
  const std::string& DevicePath() const { return port_.DevicePath(); }
  // UI thread, with no open under way: see SerialPort::UnansweredRequests.
  std::string UnansweredRequests() const { return port_.UnansweredRequests(); }

 private:
  // Either worker, when the port reports its device gone: marks the link
  // down, stops both workers, and reports the loss once.
  void PortLost(const PortResult& result);
  // The part of an open after the close: on the UI thread, or on the
  // opener, where a stop of `cancel` ends it.
  std::error_code OpenDevicePart(const std::string& device_path, std::stop_token cancel);
  // UI thread (or the opener), with the port just opened: starts both
  // workers.
  std::error_code StartWorkers();
  // UI thread: stops an open under way and joins its thread.
  void EndOpener();
  // CloseLink's work after that, also for the opener when a worker cannot
  // be started.
  void StopLink();

  ReceiverContext& receiver_;
  const std::filesystem::path device_directory_;
  SerialPort port_;
  ByteStreamSinks sinks_;
  // The connected flag: written on the UI thread only.
  std::atomic<bool> connected_{false};
  std::atomic<bool> lost_{false};
  // A fresh stop per link, replaced only while no worker runs.
  std::stop_source stop_;
  std::thread receiver_thread_;
  std::thread sender_thread_;
  // Started and joined on the UI thread; its stop cancels the connect.
  std::jthread opener_thread_;
  int port_number_ = 0;
  bool had_link_ = false;  // UI thread: some link has been open before
  PortLostHandler port_lost_;
  const LinkLostHandler link_lost_;
};

}  // namespace corvane
