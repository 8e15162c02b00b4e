#include "link/telnet_codec.h"

namespace corvane {

using namespace telnet;

namespace {

constexpr int kNoSlot = -1;

int SlotOf(uint8_t option) {
  switch (option) {
    case kBinary: return 0;
    case kSuppressGoAhead: return 1;
    case kComPortOption: return 2;
    default: return kNoSlot;
  }
}

void Put(std::vector<uint8_t>& out, uint8_t verb, uint8_t option) {
  out.insert(out.end(), {kIac, verb, option});
}

void PutComPortCommand(std::vector<uint8_t>& out, uint8_t command, uint8_t value) {
  out.insert(out.end(), {kIac, kSb, kComPortOption, command, value, kIac, kSe});
}

}  // namespace

void TelnetCodec::Start(std::vector<uint8_t>& out) {
  Put(out, kWill, kBinary);
  Put(out, kDo, kBinary);
  Put(out, kWill, kSuppressGoAhead);
  Put(out, kDo, kSuppressGoAhead);
  Put(out, kWill, kComPortOption);
  // Sent behind the offer, not after its acceptance: a server that takes
  // the option reads them in order after saying DO, one that refuses it
  // drops them. The line speed is left as the server has it, as the serial
  // layer leaves a local port's.
  PutComPortCommand(out, kSetControl, kControlDtrOn);
  PutComPortCommand(out, kPurgeData, kPurgeBoth);
  local_[kBinarySlot] = local_[kSgaSlot] = local_[kComPortSlot] = Option::kAsked;
  remote_[kBinarySlot] = remote_[kSgaSlot] = Option::kAsked;
}

void TelnetCodec::Negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& replies) {
  const int slot = SlotOf(option);
  // The server offers or asks for something we do not do (ECHO, LINEMODE,
  // or the COM-PORT-OPTION the wrong way round): refused once.
  const bool theirs = verb == kWill || verb == kWont;
  if (slot == kNoSlot || (theirs && slot == kComPortSlot)) {
    if (verb == kWill && (refused_[option] & 2) == 0) {
      refused_[option] |= 2;
      Put(replies, kDont, option);
    } else if (verb == kDo && (refused_[option] & 1) == 0) {
      refused_[option] |= 1;
      Put(replies, kWont, option);
    }
    return;
  }
  Option& state = theirs ? remote_[slot] : local_[slot];
  const bool enable = verb == kWill || verb == kDo;
  // An answer to our own request needs no answer; a change the server
  // starts is confirmed; a repeat of the current state is ignored, which
  // is what keeps two sides from answering each other for ever.
  const bool asked = state == Option::kAsked;
  if (enable ? state == Option::kOn : state == Option::kOff) return;
  state = enable ? Option::kOn : Option::kOff;
  if (asked) return;
  if (theirs) {
    Put(replies, enable ? kDo : kDont, option);
  } else {
    Put(replies, enable ? kWill : kWont, option);
  }
}

void TelnetCodec::EndSubnegotiation() {
  if (sub_.size() < 2 || sub_[0] != kComPortOption) return;
  // Only that an answer came is noted: its value is the server's business,
  // and servers exist that answer with the wrong one.
  if (sub_[1] == kServerOffset + kSetControl) dtr_acked_ = true;
  if (sub_[1] == kServerOffset + kPurgeData) purge_acked_ = true;
}

size_t TelnetCodec::Decode(std::span<const uint8_t> in, std::span<uint8_t> data,
                           std::vector<uint8_t>& replies) {
  size_t n = 0;
  size_t i = 0;
  while (i < in.size()) {
    const uint8_t b = in[i];
    switch (state_) {
      case State::kCr:
        // Text mode: CR NUL is a CR alone, CR LF and CR with anything else
        // stay as they came (the serial line carries raw bytes).
        state_ = State::kData;
        if (b == kNul) {
          ++i;
          continue;
        }
        continue;  // the same byte again, as data
      case State::kData:
        if (b == kIac) {
          state_ = State::kIac;
        } else {
          if (n < data.size()) data[n++] = b;
          if (b == kCr && !ReceivesBinary()) state_ = State::kCr;
        }
        break;
      case State::kIac:
        if (b == kIac) {
          if (n < data.size()) data[n++] = b;
          state_ = State::kData;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          state_ = State::kOption;
        } else if (b == kSb) {
          sub_.clear();
          state_ = State::kSub;
        } else {
          state_ = State::kData;  // NOP, GA, DM, a break...: nothing for the controller
        }
        break;
      case State::kOption:
        Negotiate(verb_, b, replies);
        state_ = State::kData;
        break;
      case State::kSub:
        if (b == kIac) {
          state_ = State::kSubIac;
        } else if (sub_.size() < kSubLimit) {
          sub_.push_back(b);
        }
        break;
      case State::kSubIac:
        if (b == kIac) {
          if (sub_.size() < kSubLimit) sub_.push_back(b);
          state_ = State::kSub;
          break;
        }
        EndSubnegotiation();
        state_ = State::kData;
        if (b == kSe) break;
        // A server that forgot the SE: the command it sent instead counts.
        state_ = State::kIac;
        continue;
    }
    ++i;
  }
  return n;
}

void TelnetCodec::Encode(std::span<const uint8_t> in, std::vector<uint8_t>& out) const {
  const bool binary = SendsBinary();
  for (const uint8_t b : in) {
    out.push_back(b);
    if (b == kIac) {
      out.push_back(kIac);
    } else if (b == kCr && !binary) {
      out.push_back(kNul);
    }
  }
}

std::string TelnetCodec::Unanswered() const {
  std::string text;
  auto note = [&text](bool missing, const char* what) {
    if (!missing) return;
    if (!text.empty()) text += ", ";
    text += what;
  };
  note(local_[kBinarySlot] == Option::kAsked, "WILL BINARY");
  note(remote_[kBinarySlot] == Option::kAsked, "DO BINARY");
  note(local_[kSgaSlot] == Option::kAsked || remote_[kSgaSlot] == Option::kAsked,
       "SUPPRESS-GO-AHEAD");
  note(local_[kComPortSlot] == Option::kAsked, "COM-PORT-OPTION");
  // A server that refused the option owes no answers to its commands.
  const bool com_port = local_[kComPortSlot] != Option::kOff;
  note(com_port && !dtr_acked_, "DTR on");
  note(com_port && !purge_acked_, "the purge");
  return text;
}

}  // namespace corvane
