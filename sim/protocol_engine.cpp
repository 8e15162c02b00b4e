#include "protocol_engine.h"

#include "link/protocol.h"
#include "panel_renderer.h"
#include "payload_encoder.h"

namespace corvane::sim {
namespace {

constexpr uint8_t kCommandOpen = '<';
constexpr uint8_t kCommandClose = '>';
constexpr size_t kMaxCommandDigits = 2;
constexpr uint8_t kFirstHighKeyCode = 128;

// Backup command digits "11".."19" as a station: -1 all, 0..7 one, -2 none.
int BackupStation(const std::string& digits) {
  if (digits.size() != 2 || digits[0] != '1' || digits[1] < '1') return -2;
  return digits[1] == '1' ? -1 : digits[1] - '2';
}

}  // namespace

ProtocolEngine::ProtocolEngine(PanelModel& model, const FaultOptions& faults, uint64_t seed)
    : model_(model), faults_(faults), rng_(seed * 0xD1B54A32D192ED03ull + 0x8CB92BA72F3D8DD7ull) {}

uint32_t ProtocolEngine::NextRandom() {
  rng_ ^= rng_ >> 12;
  rng_ ^= rng_ << 25;
  rng_ ^= rng_ >> 27;
  return static_cast<uint32_t>((rng_ * 0x2545F4914F6CDD1Dull) >> 32);
}

void ProtocolEngine::Receive(std::span<const uint8_t> bytes) {
  model_.Stats().bytes_received += bytes.size();
  if (Stalled()) return;
  for (const uint8_t b : bytes) HandleByte(b);
}

void ProtocolEngine::HandleByte(uint8_t b) {
  switch (state_) {
    case State::kRestore: HandleRestoreByte(b); return;
    case State::kCommand:
      if (b >= '0' && b <= '9' && command_.size() < kMaxCommandDigits) {
        command_.push_back(static_cast<char>(b));
        return;
      }
      if (b == kCommandClose && !command_.empty()) {
        state_ = State::kIdle;
        RunCommand();
        return;
      }
      // A broken command: drop it and take this byte on its own.
      ++model_.Stats().stray_bytes;
      state_ = State::kIdle;
      break;
    case State::kIdle: break;
  }
  if (b == kCommandOpen) {
    state_ = State::kCommand;
    command_.clear();
  } else if (IsKeyCode(b)) {
    model_.HandleKey(b);
  } else {
    ++model_.Stats().stray_bytes;
  }
}

void ProtocolEngine::RunCommand() {
  const std::string wire = "<" + command_ + ">";
  if (wire == kScreenRequest) {
    pending_.push_back(Reply{});
    return;
  }
  if (wire == kRestoreStart) {
    state_ = State::kRestore;
    record_.clear();
    record_overflow_ = false;
    restore_applied_ = 0;
    restore_rejected_ = 0;
    return;
  }
  const int station = BackupStation(command_);
  if (station == -2) {
    ++model_.Stats().stray_bytes;  // a command this controller does not know
    return;
  }
  Reply reply;
  reply.image = false;
  reply.block = model_.Store().BackupText(station);
  pending_.push_back(std::move(reply));
  model_.NoteBackup(station, model_.Store().RecordCount(station));
}

void ProtocolEngine::HandleRestoreByte(uint8_t b) {
  if (b == kRestoreEnd[0]) {
    EndRestore();
    return;
  }
  if (b >= kFirstHighKeyCode && IsKeyCode(b)) {
    model_.HandleKey(b);
    return;
  }
  if (b == kParameterEnd) {
    FinishRecord();
    return;
  }
  if (record_.size() < kMaxRestoreRecordBytes) {
    record_.push_back(static_cast<char>(b));
  } else {
    record_overflow_ = true;
  }
}

void ProtocolEngine::FinishRecord() {
  if (record_overflow_) {
    ++restore_rejected_;
  } else if (const auto result = model_.Store().ApplyRestoreRecord(record_)) {
    if (*result == ApplyResult::kApplied) {
      ++restore_applied_;
    } else {
      ++restore_rejected_;
    }
  }
  record_.clear();
  record_overflow_ = false;
}

void ProtocolEngine::EndRestore() {
  // Bytes after the last ";" are no record: refused if they hold anything
  // but blanks and line ends.
  if (record_overflow_ || record_.find_first_not_of(" \r\n\t") != std::string::npos)
    ++restore_rejected_;
  record_.clear();
  record_overflow_ = false;
  state_ = State::kIdle;
  LinkStats& stats = model_.Stats();
  ++stats.restores;
  stats.records_restored += restore_applied_;
  stats.records_rejected += restore_rejected_;
  model_.NoteRestore(restore_applied_, restore_rejected_);
}

void ProtocolEngine::AbandonRestore() {
  if (state_ != State::kRestore) return;
  EndRestore();
  model_.NoteRestoreCutOff();
}

void ProtocolEngine::AppendGarbage(std::string& out) {
  if (faults_.garbage_bytes <= 0) return;
  const uint32_t n = 1 + NextRandom() % static_cast<uint32_t>(faults_.garbage_bytes);
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t b;
    do {
      b = static_cast<uint8_t>(NextRandom());
    } while (b == kImageOpen || b == kBlockOpen);
    out.push_back(static_cast<char>(b));
  }
}

void ProtocolEngine::ProduceImage(std::string& out) {
  if (source_ != nullptr) {
    source_->NextPayload(payload_);
  } else {
    model_.AdvanceFrame();
    RenderPanel(model_, image_);
    EncodeScreenPayload(image_, payload_);
  }
  ++images_sent_;
  LinkStats& stats = model_.Stats();
  ++stats.frames_sent;
  stats.last_payload_bytes = static_cast<uint32_t>(payload_.size());
  if (faults_.bracket_every > 0 && !payload_.empty() &&
      images_sent_ % static_cast<uint64_t>(faults_.bracket_every) == 0) {
    payload_[payload_.size() / 2] = static_cast<char>(kBlockOpen);
  }
  out.push_back(static_cast<char>(kImageOpen));
  out += payload_;
  const bool drop_close = faults_.drop_close_every > 0 &&
                          images_sent_ % static_cast<uint64_t>(faults_.drop_close_every) == 0;
  if (!drop_close) out.push_back(static_cast<char>(kImageClose));
}

void ProtocolEngine::ProduceNextReply(std::string& out) {
  if (pending_.empty()) return;
  Reply reply = std::move(pending_.front());
  pending_.pop_front();
  AppendGarbage(out);
  if (reply.image) {
    ProduceImage(out);
    // A controller that stalls or hangs up after this image answers nothing
    // more, not even what was already asked.
    if (Stalled() || HangupDue()) pending_.clear();
    return;
  }
  ++model_.Stats().blocks_sent;
  out.push_back(static_cast<char>(kBlockOpen));
  out += reply.block;
  out.push_back(static_cast<char>(kBlockClose));
}

}  // namespace corvane::sim
