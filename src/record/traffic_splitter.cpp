#include "record/traffic_splitter.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

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

// The first of [at, end) that is one of `wanted`, or end.
const uint8_t* FirstOf(const uint8_t* at, const uint8_t* end,
                       std::initializer_list<uint8_t> wanted) {
  for (const uint8_t byte : wanted) {
    if (at == end) break;
    if (const void* found = std::memchr(at, byte, static_cast<size_t>(end - at))) {
      end = static_cast<const uint8_t*>(found);
    }
  }
  return end;
}

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

TrafficSplitter::TrafficSplitter() { image_.reserve(ScreenImageBuffer::kCapacity); }

void TrafficSplitter::Received(std::span<const uint8_t> bytes, SplitRecords& out) {
  // The bytes between frame bytes are taken a stretch at a time: a screen
  // image is tens of kilobytes of nothing but colour letters and run
  // digits, and looking at each byte on its own cost more than the rest of
  // recording it.
  const uint8_t* at = bytes.data();
  const uint8_t* const end = at + bytes.size();
  while (at != end) {
    if (block_mode_) {
      const uint8_t* const close = FirstOf(at, end, {kBlockClose});
      TakeBlock(at, close, out);
      if (close == end) break;
      EndBlock(BlockEnding::kWhole, out);
      at = close + 1;
      continue;
    }
    const uint8_t* const frame = image_mode_
                                     ? FirstOf(at, end, {kImageClose, kImageOpen, kBlockOpen})
                                     : FirstOf(at, end, {kImageOpen, kBlockOpen});
    if (image_mode_) {
      // Past the store's capacity the receiver drops bytes; so does this.
      const size_t room = ScreenImageBuffer::kCapacity - image_.size();
      image_.insert(image_.end(), at, at + std::min(room, static_cast<size_t>(frame - at)));
    }
    if (frame == end) break;
    at = frame + 1;
    if (*frame == kImageClose) {
      image_mode_ = false;
      out.Record(RecordType::kImage, image_);
      image_.clear();
    } else if (*frame == kImageOpen) {
      image_mode_ = true;
      image_.clear();
    } else {
      image_mode_ = false;
      block_mode_ = true;
      image_.clear();
      out.Record(RecordType::kBlockStart, {});
    }
  }
  FlushBlock(out);
}

void TrafficSplitter::TakeBlock(const uint8_t* from, const uint8_t* to, SplitRecords& out) {
  while (from != to) {
    const size_t take = std::min(kPieceBytes - block_.size(), static_cast<size_t>(to - from));
    block_.insert(block_.end(), from, from + take);
    from += take;
    if (block_.size() >= kPieceBytes) FlushBlock(out);
  }
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
