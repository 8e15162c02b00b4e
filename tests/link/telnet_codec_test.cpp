#include "link/telnet_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace corvane {
namespace {

using namespace telnet;
using Bytes = std::vector<uint8_t>;

struct Decoded {
  Bytes data;
  Bytes replies;
};

// Decodes `in` in pieces that end after each index of `cuts`.
Decoded DecodeSplit(TelnetCodec& codec, const Bytes& in, const std::vector<size_t>& cuts = {}) {
  Decoded out;
  size_t from = 0;
  std::vector<size_t> ends = cuts;
  ends.push_back(in.size());
  for (const size_t end : ends) {
    Bytes data(end - from);
    const size_t n = codec.Decode(std::span(in).subspan(from, end - from), data, out.replies);
    out.data.insert(out.data.end(), data.begin(), data.begin() + static_cast<long>(n));
    from = end;
  }
  return out;
}

Bytes AllByteValuesTwice() {
  Bytes all;
  for (int round = 0; round < 2; ++round) {
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<uint8_t>(b));
  }
  all.insert(all.end(), {kIac, kIac, kCr, kNul, kCr, '\n', kCr});
  return all;
}

// What ser2net says first on a telnet(rfc2217) accepter.
const Bytes kServerGreeting = {kIac, kWill, kSuppressGoAhead, kIac, kDo,   kSuppressGoAhead,
                               kIac, kWill, 1 /* ECHO */,     kIac, kDont, 1,
                               kIac, kDo,   kBinary,          kIac, kWill, kBinary,
                               kIac, kDo,   kComPortOption};

TEST(TelnetCodecSession, OpensWithOffersDtrAndPurgeAndAnswersOnlyWhatItDidNotAsk) {
  TelnetCodec codec;
  Bytes out;
  codec.Start(out);
  EXPECT_EQ(out, (Bytes{kIac,
                        kWill,
                        kBinary,
                        kIac,
                        kDo,
                        kBinary,
                        kIac,
                        kWill,
                        kSuppressGoAhead,
                        kIac,
                        kDo,
                        kSuppressGoAhead,
                        kIac,
                        kWill,
                        kComPortOption,
                        kIac,
                        kSb,
                        kComPortOption,
                        kSetControl,
                        kControlDtrOn,
                        kIac,
                        kSe,
                        kIac,
                        kSb,
                        kComPortOption,
                        kPurgeData,
                        kPurgeBoth,
                        kIac,
                        kSe}));
  EXPECT_EQ(codec.Unanswered(),
            "WILL BINARY, DO BINARY, SUPPRESS-GO-AHEAD, COM-PORT-OPTION, "
            "DTR on, the purge");

  // The greeting grants what we asked (no answers owed) and offers ECHO,
  // which is refused once, however often it comes.
  Bytes greeting = kServerGreeting;
  greeting.insert(greeting.end(), {kIac, kWill, 1, kIac, kDo, kSuppressGoAhead});
  const Decoded d = DecodeSplit(codec, greeting);
  EXPECT_TRUE(d.data.empty());
  EXPECT_EQ(d.replies, (Bytes{kIac, kDont, 1}));
  EXPECT_TRUE(codec.SendsBinary());
  EXPECT_TRUE(codec.ReceivesBinary());
  EXPECT_EQ(codec.Unanswered(), "DTR on, the purge");

  // Acknowledgements with values of the server's choosing (ser2net answers
  // DTR with 0); an escaped IAC inside a subnegotiation is no data.
  const Decoded acks =
      DecodeSplit(codec, {kIac, kSb, kComPortOption, 105, 0, kIac, kIac, kIac, kSe,           'x',
                          kIac, kSb, kComPortOption, 112, 3, kIac, kSe,  kIac, 241 /* NOP */, 'y'});
  EXPECT_EQ(acks.data, (Bytes{'x', 'y'}));
  EXPECT_TRUE(acks.replies.empty());
  EXPECT_EQ(codec.Unanswered(), "");

  // A change the server starts later is confirmed, and only once.
  const Decoded change = DecodeSplit(codec, {kIac, kDont, kSuppressGoAhead, kIac, kDont,
                                             kSuppressGoAhead, kIac, kDo, 24, kIac, kDo, 24});
  EXPECT_EQ(change.replies, (Bytes{kIac, kWont, kSuppressGoAhead, kIac, kWont, 24}));
}

TEST(TelnetCodecData, AnySplitOfTheStreamDecodesToTheSameBytes) {
  TelnetCodec sender;
  Bytes ignored;
  sender.Start(ignored);
  Bytes stream = kServerGreeting;
  sender.Encode(AllByteValuesTwice(), stream);
  // Each 0xFF of the data went out doubled.
  EXPECT_EQ(stream.size(), kServerGreeting.size() + AllByteValuesTwice().size() + 4);

  TelnetCodec whole_codec;
  const Decoded whole = DecodeSplit(whole_codec, stream);
  EXPECT_EQ(whole.data, AllByteValuesTwice());
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    for (const size_t second : {cut + 1, cut + 7, stream.size() - 1}) {
      TelnetCodec codec;
      std::vector<size_t> cuts = {cut};
      if (second > cut && second < stream.size()) cuts.push_back(second);
      const Decoded split = DecodeSplit(codec, stream, cuts);
      ASSERT_EQ(split.data, whole.data) << "cut after " << cut << " and " << second;
      ASSERT_EQ(split.replies, whole.replies) << "cut after " << cut;
    }
  }
}

TEST(TelnetCodecData, AServerThatRefusesBinaryGetsTextModeCarriageReturns) {
  TelnetCodec codec;
  Bytes out;
  codec.Start(out);
  const Decoded refusal = DecodeSplit(codec, {kIac, kDont, kBinary, kIac, kWont, kBinary});
  EXPECT_TRUE(refusal.replies.empty()) << "a refusal of our own request needs no answer";
  EXPECT_FALSE(codec.SendsBinary());
  EXPECT_FALSE(codec.ReceivesBinary());

  out.clear();
  codec.Encode(Bytes{'a', kCr, '\n', kCr, kIac, kCr}, out);
  EXPECT_EQ(out, (Bytes{'a', kCr, kNul, '\n', kCr, kNul, kIac, kIac, kCr, kNul}));
  // CR NUL is a CR, also split between reads; CR LF and CR with anything
  // else stay as they came.
  const Decoded in = DecodeSplit(codec, {kCr, kNul, kCr, '\n', kCr, kCr, kNul, 'b', kCr}, {5, 6});
  EXPECT_EQ(in.data, (Bytes{kCr, kCr, '\n', kCr, kCr, 'b', kCr}));
  // The CR that ended the last read swallows a NUL that starts the next.
  EXPECT_EQ(DecodeSplit(codec, {kNul, 'c'}).data, (Bytes{'c'}));

  // Round trip in text mode: what we encode, a text-mode peer decodes back.
  TelnetCodec text_sender, text_receiver;
  Bytes wire;
  text_sender.Encode(AllByteValuesTwice(), wire);
  EXPECT_EQ(DecodeSplit(text_receiver, wire).data, AllByteValuesTwice());
}

}  // namespace
}  // namespace corvane
