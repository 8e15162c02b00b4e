// The recorder's own reading of the link's traffic: the received stream
// split into screen images and parameter blocks by the same rules the
// receiver follows (hub/receiver.h), so an image is recorded exactly when
// the window shows one, and the sent stream split into key codes,
// commands and restores.
//
// The recorder reads the stream itself rather than asking the receiver:
// the receiver stays as it is, and what is recorded is what was on the
// wire.
//
// Threads: one instance on one thread (the recorder's writer).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/byte_stream.h"
#include "record/recording_format.h"

namespace corvane {

// Where the split pieces go.
class SplitRecords {
 public:
  virtual ~SplitRecords() = default;
  // `payload` is valid during the call only.
  virtual void Record(RecordType type, std::span<const uint8_t> payload) = 0;
};

class TrafficSplitter {
 public:
  TrafficSplitter();

  void Received(std::span<const uint8_t> bytes, SplitRecords& out);
  void Sent(std::span<const uint8_t> bytes, SplitRecords& out);
  void Event(LinkEvent event, SplitRecords& out);
  // Traffic was lost between the last call and the next: whatever was open
  // is dropped, and both streams are read as starting outside any frame.
  void Gap(SplitRecords& out);

 private:
  void EndBlock(BlockEnding ending, SplitRecords& out);
  // Block bytes [from, to), recorded a piece at a time.
  void TakeBlock(const uint8_t* from, const uint8_t* to, SplitRecords& out);
  void FlushBlock(SplitRecords& out);
  void FlushRestore(SplitRecords& out);
  void FlushKeys(SplitRecords& out);
  void EndCommand(SplitRecords& out);

  // Received, as the receiver's ReceiverState and image store.
  bool image_mode_ = false;
  bool block_mode_ = false;
  std::vector<uint8_t> image_;  // the payload so far, at most the store's capacity
  std::vector<uint8_t> block_;  // block bytes not yet recorded

  // Sent.
  enum class SentState { kOutside, kCommand, kRestore };
  SentState sent_state_ = SentState::kOutside;
  std::string command_;           // "<" and what followed, while kCommand
  std::vector<uint8_t> keys_;     // key codes not yet recorded
  std::vector<uint8_t> restore_;  // restore bytes not yet recorded
};

}  // namespace corvane
