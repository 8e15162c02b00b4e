#include "record/traffic_splitter.h"

#include "link/protocol.h"
#include "screen/screen_image.h"

namespace corvane {

namespace {

// Block and restore bytes are recorded in pieces of at most this many, so a
// long backup is on disk as it arrives and no record grows without bound.
constexpr size_t kPieceBytes = 64 * 1024;
// Commands are "<1>" to "<19>": a "<" with more than this after it was a
// key code that happens to be "<", and goes on as keys.
constexpr size_t kLongestCommand = 5;

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

TrafficSplitter::TrafficSplitter() { image_.reserve(ScreenImageBuffer::kCapacity); }

void TrafficSplitter::Received(std::span<const uint8_t> bytes, SplitRecords& out) {
  for (const uint8_t byte : bytes) {
    if (image_mode_ && byte == kImageClose) {
      image_mode_ = false;
      out.Record(RecordType::kImage, image_);
      image_.clear();
      continue;
    }
    if (block_mode_) {
      if (byte == kBlockClose) {
        EndBlock(BlockEnding::kWhole, out);
      } else {
        block_.push_back(byte);
        if (block_.size() >= kPieceBytes) FlushBlock(out);
      }
      continue;
    }
    if (byte == kImageOpen) {
      image_mode_ = true;
      image_.clear();
    } else if (byte == kBlockOpen) {
      image_mode_ = false;
      block_mode_ = true;
      image_.clear();
      out.Record(RecordType::kBlockStart, {});
    } else if (image_mode_ && image_.size() < ScreenImageBuffer::kCapacity) {
      // Past the store's capacity the receiver drops bytes; so does this.
      image_.push_back(byte);
    }
  }
  FlushBlock(out);
}

void TrafficSplitter::Sent(std::span<const uint8_t> bytes, SplitRecords& out) {
  for (const uint8_t byte : bytes) {
    switch (sent_state_) {
      case SentState::kOutside:
        if (byte == kScreenRequest.front()) {
          FlushKeys(out);
          command_.assign(1, static_cast<char>(byte));
          sent_state_ = SentState::kCommand;
        } else {
          keys_.push_back(byte);
        }
        break;
      case SentState::kCommand:
        command_.push_back(static_cast<char>(byte));
        if (byte == kScreenRequest.back()) {
          EndCommand(out);
        } else if (command_.size() > kLongestCommand) {
          keys_.insert(keys_.end(), command_.begin(), command_.end());
          command_.clear();
          sent_state_ = SentState::kOutside;
        }
        break;
      case SentState::kRestore:
        if (byte == static_cast<uint8_t>(kRestoreEnd.front())) {
          FlushRestore(out);
          out.Record(RecordType::kRestoreEnd, {});
          sent_state_ = SentState::kOutside;
        } else {
          restore_.push_back(byte);
          if (restore_.size() >= kPieceBytes) FlushRestore(out);
        }
        break;
    }
  }
  FlushKeys(out);
  FlushRestore(out);
}

void TrafficSplitter::EndCommand(SplitRecords& out) {
  sent_state_ = SentState::kOutside;
  if (command_ == kRestoreStart) {
    out.Record(RecordType::kRestoreStart, {});
    sent_state_ = SentState::kRestore;
  } else if (command_ != kScreenRequest) {
    // The screen request goes with every image and says nothing the images
    // do not.
    out.Record(RecordType::kCommand, Bytes(command_));
  }
  command_.clear();
}

void TrafficSplitter::Event(LinkEvent event, SplitRecords& out) {
  switch (event) {
    case LinkEvent::kOpened:
      // The receiver starts its store over; whether it is inside an image
      // carries over from the link before.
      image_.clear();
      break;
    case LinkEvent::kReRequested:
      image_mode_ = false;
      image_.clear();
      if (block_mode_) EndBlock(BlockEnding::kControllerSilent, out);
      break;
    case LinkEvent::kLost:
    case LinkEvent::kClosed:
      if (block_mode_) EndBlock(BlockEnding::kLinkEnded, out);
      break;
  }
  RecordedLinkEvent recorded = RecordedLinkEvent::kOpened;
  switch (event) {
    case LinkEvent::kOpened: recorded = RecordedLinkEvent::kOpened; break;
    case LinkEvent::kLost: recorded = RecordedLinkEvent::kLost; break;
    case LinkEvent::kClosed: recorded = RecordedLinkEvent::kClosed; break;
    case LinkEvent::kReRequested: recorded = RecordedLinkEvent::kReRequested; break;
  }
  const uint8_t payload = static_cast<uint8_t>(recorded);
  out.Record(RecordType::kLinkEvent, {&payload, 1});
}

void TrafficSplitter::Gap(SplitRecords& out) {
  image_mode_ = false;
  image_.clear();
  if (block_mode_) EndBlock(BlockEnding::kLinkEnded, out);
  FlushKeys(out);
  if (sent_state_ == SentState::kRestore) {
    FlushRestore(out);
    out.Record(RecordType::kRestoreEnd, {});
  }
  sent_state_ = SentState::kOutside;
  command_.clear();
  out.Record(RecordType::kGap, {});
}

void TrafficSplitter::EndBlock(BlockEnding ending, SplitRecords& out) {
  FlushBlock(out);
  block_mode_ = false;
  const uint8_t payload = static_cast<uint8_t>(ending);
  out.Record(RecordType::kBlockEnd, {&payload, 1});
}

void TrafficSplitter::FlushBlock(SplitRecords& out) {
  if (block_.empty()) return;
  out.Record(RecordType::kBlockData, block_);
  block_.clear();
}

void TrafficSplitter::FlushRestore(SplitRecords& out) {
  if (restore_.empty()) return;
  out.Record(RecordType::kRestoreData, restore_);
  restore_.clear();
}

void TrafficSplitter::FlushKeys(SplitRecords& out) {
  if (keys_.empty()) return;
  out.Record(RecordType::kKeys, keys_);
  keys_.clear();
}

}  // namespace corvane
