// Telnet with the COM-PORT-OPTION, as a serial device server speaks it on an
// rfc2217:// address: the controller's bytes travel inside a Telnet session,
// where 0xFF (IAC) starts a command and is doubled when it is data.
//
// We ask for BINARY both ways and SUPPRESS-GO-AHEAD, offer the COM-PORT-
// OPTION, raise DTR and purge the server's buffers, all in the bytes that
// open the session, and then never wait for an answer: device servers exist
// that acknowledge late, wrongly or never, and the controller's link must
// not hang on them. What the server did not answer is kept for the log.
//
// Until the server refuses BINARY, what we send is taken to travel in
// binary (a server that agrees starts reading binary the moment it sends
// its DO, before we can see it). What it sends us is binary from its WILL
// BINARY on, which the stream itself tells exactly. Without BINARY the
// text-mode rule holds: a CR that is data goes out as CR NUL, and an
// incoming CR NUL is a CR.
//
// Plain data, no threads of its own: the caller serialises Decode and
// Encode (they share the option states) and owns the buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane {

namespace telnet {
inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;
inline constexpr uint8_t kBinary = 0;
inline constexpr uint8_t kSuppressGoAhead = 3;
inline constexpr uint8_t kComPortOption = 44;
// COM-PORT-OPTION commands (client to server; the server answers +100).
inline constexpr uint8_t kSetControl = 5;
inline constexpr uint8_t kPurgeData = 12;
inline constexpr uint8_t kServerOffset = 100;
inline constexpr uint8_t kControlDtrOn = 8;
inline constexpr uint8_t kPurgeBoth = 3;
inline constexpr uint8_t kCr = 13;
inline constexpr uint8_t kNul = 0;
}  // namespace telnet

class TelnetCodec {
 public:
  // Encoding can at most double the data (IAC IAC, CR NUL).
  static constexpr size_t kMaxEncodedGrowth = 2;

  // Starts a session: appends the opening requests to `out`.
  void Start(std::vector<uint8_t>& out);

  // Decodes bytes the server sent: the controller's data go to `data`
  // (never more than `in` holds, so a buffer of in.size() is enough);
  // answers the session owes the server are appended to `replies`. Any
  // split of the stream into calls gives the same data and replies.
  // Returns the number of data bytes.
  size_t Decode(std::span<const uint8_t> in, std::span<uint8_t> data,
                std::vector<uint8_t>& replies);

  // Encodes the controller's data for the server, appending to `out`.
  void Encode(std::span<const uint8_t> in, std::vector<uint8_t>& out) const;

  bool SendsBinary() const { return local_[kBinarySlot] != Option::kOff; }
  bool ReceivesBinary() const { return remote_[kBinarySlot] == Option::kOn; }

  // What the server has left unanswered so far, for the log: empty when it
  // answered everything we asked. E.g. "BINARY, the purge".
  std::string Unanswered() const;

 private:
  enum class State { kData, kCr, kIac, kOption, kSub, kSubIac };
  // kAsked: requested by us, not answered yet; treated as granted for what
  // we send, as not yet for what we receive.
  enum class Option : uint8_t { kOff, kAsked, kOn };
  static constexpr int kBinarySlot = 0;
  static constexpr int kSgaSlot = 1;
  static constexpr int kComPortSlot = 2;
  static constexpr int kSlots = 3;
  static constexpr size_t kSubLimit = 64;

  void Negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& replies);
  void EndSubnegotiation();

  State state_ = State::kData;
  uint8_t verb_ = 0;
  Option local_[kSlots] = {};   // we WILL
  Option remote_[kSlots] = {};  // they WILL
  // Per option, the refusals already sent (1: WONT, 2: DONT): a server that
  // repeats a request it knows we refuse gets no answer loop.
  uint8_t refused_[256] = {};
  std::vector<uint8_t> sub_;  // the subnegotiation being read, bounded
  bool dtr_acked_ = false;
  bool purge_acked_ = false;
};

}  // namespace corvane
