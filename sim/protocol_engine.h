// The controller's side of the wire: splits what Corvane sends into
// commands, key codes and restore data, and produces the answers.
//
// Telling the three apart. Corvane sends each command's bytes back to back
// and key codes one byte at a time, so:
//  - "<" (60) is not a key code; it always starts a command. One or two
//    digits and ">" complete it: "<1>" screen request, "<2>" restore start,
//    "<11>" backup of all stations, "<12>".."<19>" backup of station 1..8.
//    Any other byte inside a command abandons it and is then taken on its own
//    (so a "<" restarts a command and a key code acts as a key); a complete
//    command of another number is ignored.
//  - After "<2>", everything up to "}" is restore data: records ending in
//    ";". The one exception is the key codes 128 and above (Ctrl+1..9, the
//    soft keys, the full stop), which a restore's text never holds and which
//    the keypad may slip in between restore lines; they act as keys. Key
//    codes below 128 that arrive during a restore cannot be told from data
//    and are read as part of it.
//    A restore that stops arriving before its "}" is abandoned (see
//    AbandonRestore).
//  - Outside a command and a restore, a byte is a key code; a byte that is no
//    key code is counted as stray and otherwise ignored.
//
// Answers. Every "<1>" gets exactly one screen image "{" payload "}", every
// backup command one parameter block "[" text "]", in the order asked;
// nothing else is sent unless a fault is switched on. Images are rendered
// when they are produced, so a reply shows the panel as it is when it goes
// out; parameter blocks are taken when asked for.
//
// Threads: single-threaded.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>

#include "letter_image.h"
#include "panel_model.h"

namespace corvane::sim {

// Faults to exercise Corvane's receiver. Zero switches a fault off.
struct FaultOptions {
  int garbage_bytes = 0;     // 1..N bytes (never "{" or "[") before every reply
  int drop_close_every = 0;  // every Nth image goes out without its "}"
  int bracket_every = 0;     // every Nth image has a "[" in the middle of its payload
  int stall_after = 0;       // after N images, answer nothing and ignore all input
  int hangup_after = 0;      // after N images, the simulator hangs up

  bool operator==(const FaultOptions&) const = default;
};

// Where a restore record that is longer than this goes: it is refused.
inline constexpr size_t kMaxRestoreRecordBytes = 512;

// Where screen images come from instead of the rendered panel (a
// recording being replayed).
class ImageSource {
 public:
  virtual ~ImageSource() = default;
  // The next image's payload, the bytes between "{" and "}".
  virtual void NextPayload(std::string& payload) = 0;
};

class ProtocolEngine {
 public:
  ProtocolEngine(PanelModel& model, const FaultOptions& faults, uint64_t seed);

  // From now on images come from `source` (which outlives the engine), not
  // from the panel.
  void ServeImagesFrom(ImageSource& source) { source_ = &source; }

  // Everything Corvane sent, in order, in pieces of any size.
  void Receive(std::span<const uint8_t> bytes);

  bool HasPendingReply() const { return !pending_.empty(); }
  size_t PendingReplies() const { return pending_.size(); }
  // Appends the next reply (with any injected fault) to `out`.
  void ProduceNextReply(std::string& out);

  uint64_t ImagesSent() const { return images_sent_; }
  bool Stalled() const {
    return faults_.stall_after > 0 && images_sent_ >= static_cast<uint64_t>(faults_.stall_after);
  }
  // True once the image after which the simulator hangs up has been produced.
  bool HangupDue() const {
    return faults_.hangup_after > 0 && images_sent_ >= static_cast<uint64_t>(faults_.hangup_after);
  }
  bool InRestore() const { return state_ == State::kRestore; }
  // Corvane queues a whole restore at once, so its bytes arrive without a
  // pause; a restore that goes quiet was cut off (the link closed). The poll
  // loop calls this after such a pause so that the next link's "<1>" is a
  // command again and not swallowed as restore data. Records already
  // complete stay applied.
  void AbandonRestore();

 private:
  enum class State { kIdle, kCommand, kRestore };
  struct Reply {
    bool image = true;
    std::string block;  // the text of a parameter block, taken when it was asked for
  };

  void HandleByte(uint8_t b);
  void RunCommand();
  void HandleRestoreByte(uint8_t b);
  void FinishRecord();
  void EndRestore();
  void AppendGarbage(std::string& out);
  void ProduceImage(std::string& out);
  uint32_t NextRandom();

  PanelModel& model_;
  ImageSource* source_ = nullptr;
  FaultOptions faults_;
  uint64_t rng_;
  State state_ = State::kIdle;
  std::string command_;
  std::string record_;
  bool record_overflow_ = false;
  size_t restore_applied_ = 0;
  size_t restore_rejected_ = 0;
  std::deque<Reply> pending_;
  uint64_t images_sent_ = 0;
  LetterImage image_;
  std::string payload_;
};

}  // namespace corvane::sim
