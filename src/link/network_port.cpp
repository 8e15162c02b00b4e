#include "link/network_port.h"

#include <algorithm>

namespace corvane {

namespace {

// One read from the socket: the receiver's own buffer is larger, and a
// Telnet stream never decodes to more than it was.
constexpr size_t kRawChunk = 16384;
// Room for a few blocks of the sender and the replies in between; grows
// only if the server stops reading while the receiver still answers it.
constexpr size_t kOutReserve = 4096;

}  // namespace

NetworkPort::NetworkPort() : raw_(kRawChunk) { out_.reserve(kOutReserve); }

std::error_code NetworkPort::Open(const NetworkAddress& address, std::chrono::milliseconds limit,
                                  std::stop_token cancel) {
  if (IsOpen()) return std::make_error_code(std::errc::device_or_resource_busy);
  socket_.ResetWake();
  // After the reset, so that a stop that came before it still wakes: the
  // callback then runs here and now.
  const std::stop_callback wake_on_cancel(std::move(cancel), [this] { socket_.Wake(); });
  {
    std::lock_guard lock(out_mutex_);
    codec_ = TelnetCodec();
    out_.clear();
    out_head_ = 0;
    sent_total_ = queued_total_ = 0;
  }
  telnet_ = address.kind == NetworkAddress::Kind::kRfc2217;
  if (const std::error_code error = socket_.Connect(address.host, address.port, limit)) {
    return error;
  }
  if (telnet_) {
    std::lock_guard lock(out_mutex_);
    codec_.Start(out_);
    queued_total_ = out_.size();
    // A fresh socket takes these few bytes at once; what it would not take
    // goes out ahead of the first block.
    const PortResult sent = FlushLocked();
    if (sent.status != PortStatus::kOk) {
      socket_.Close();
      return sent.error ? sent.error : std::make_error_code(std::errc::connection_reset);
    }
  }
  // Taken by another client: the same answer as a COM port that another
  // program holds.
  if (socket_.ServerHangsUpWithin(kRefusalWatch)) {
    socket_.Close();
    return std::make_error_code(std::errc::device_or_resource_busy);
  }
  return {};
}

void NetworkPort::Close() {
  if (!IsOpen()) return;
  socket_.Close();
}

std::string NetworkPort::Unanswered() const {
  if (!telnet_) return {};
  std::lock_guard lock(out_mutex_);
  return codec_.Unanswered();
}

PortResult NetworkPort::FlushLocked() {
  while (out_head_ < out_.size()) {
    const PortResult sent =
        socket_.Send(std::span<const uint8_t>(out_.data() + out_head_, out_.size() - out_head_));
    if (sent.status != PortStatus::kOk) return sent;
    if (sent.count == 0) break;
    out_head_ += sent.count;
    sent_total_ += sent.count;
  }
  if (out_head_ == out_.size()) {
    out_.clear();
    out_head_ = 0;
  }
  return {};
}

PortResult NetworkPort::Read(std::span<uint8_t> buffer, uint32_t maximum) {
  const size_t room = std::min<size_t>({buffer.size(), maximum, raw_.size()});
  if (room == 0) return {};
  if (!telnet_) return socket_.Receive(buffer.first(room));

  const PortResult got = socket_.Receive(std::span<uint8_t>(raw_.data(), room));
  if (got.status != PortStatus::kOk || got.count == 0) return got;
  std::lock_guard lock(out_mutex_);
  const size_t before = out_.size();
  const size_t n = codec_.Decode(std::span<const uint8_t>(raw_.data(), got.count), buffer, out_);
  if (out_.size() != before) {
    queued_total_ += out_.size() - before;
    // The answers go now if the socket takes them, else behind the
    // sender's block; the receiver never waits to send.
    const PortResult sent = FlushLocked();
    if (sent.status != PortStatus::kOk) return sent;
  }
  return {PortStatus::kOk, static_cast<uint32_t>(n)};
}

PortResult NetworkPort::Write(std::span<const uint8_t> bytes) {
  uint64_t end = 0;
  {
    std::lock_guard lock(out_mutex_);
    const size_t before = out_.size();
    if (telnet_) {
      codec_.Encode(bytes, out_);
    } else {
      out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
    queued_total_ += out_.size() - before;
    end = queued_total_;
  }
  for (;;) {
    {
      std::lock_guard lock(out_mutex_);
      PortResult sent = FlushLocked();
      if (sent.status != PortStatus::kOk) return sent;
      if (sent_total_ >= end) return {PortStatus::kOk, static_cast<uint32_t>(bytes.size())};
    }
    // The server holds its input back: wait for room without the lock, so
    // the receiver keeps reading and answering meanwhile.
    const PortResult room = socket_.WaitWritable();
    if (room.status != PortStatus::kOk) return room;
  }
}

}  // namespace corvane
