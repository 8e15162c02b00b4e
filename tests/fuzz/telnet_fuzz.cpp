// The Telnet/RFC 2217 codec of the network port.
//
// Input: a switch byte (bit 0: the round trip in binary, else in text
// mode; bits 1-7 seed the cutting into reads), then a stream as a device
// server might send it, any IAC sequence included.
//
// Properties: any cutting of the stream into reads decodes to the same data
// and the same answers as one read, and never to more bytes than came; and
// what the encoder makes of the stream as data decodes back to it.

#include <vector>

#include "fuzz/fuzz_support.h"
#include "link/telnet_codec.h"

namespace corvane::fuzz {
namespace {

using Bytes = std::vector<uint8_t>;

struct Decoded {
  Bytes data;
  Bytes replies;
};

Decoded Decode(TelnetCodec& codec, std::span<const uint8_t> stream, ReadSplitter* splitter) {
  Decoded out;
  Bytes piece;
  while (!stream.empty()) {
    const size_t size = splitter != nullptr ? splitter->Next(stream.size()) : stream.size();
    piece.assign(size, 0);
    const size_t n = codec.Decode(stream.first(size), piece, out.replies);
    FUZZ_REQUIRE(n <= size, "a read decodes to more bytes than it held");
    out.data.insert(out.data.end(), piece.begin(), piece.begin() + static_cast<long>(n));
    stream = stream.subspan(size);
  }
  return out;
}

}  // namespace
}  // namespace corvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  std::span<const uint8_t> data(bytes, size);
  const uint8_t flags = TakeFlags(data);

  TelnetCodec whole_codec;
  const Decoded whole = Decode(whole_codec, data, nullptr);
  TelnetCodec split_codec;
  ReadSplitter splitter(flags >> 1, 64);
  const Decoded split = Decode(split_codec, data, &splitter);
  FUZZ_REQUIRE(split.data == whole.data, "a cutting into reads changes the data");
  FUZZ_REQUIRE(split.replies == whole.replies, "a cutting into reads changes the answers");
  FUZZ_REQUIRE(split_codec.Unanswered() == whole_codec.Unanswered(),
               "a cutting into reads changes what counts as answered");

  const bool binary = (flags & 1) != 0;
  TelnetCodec sender, receiver;
  Bytes wire, ignored;
  if (binary) {
    sender.Start(ignored);
    const Bytes will_binary = {telnet::kIac, telnet::kWill, telnet::kBinary};
    Decode(receiver, will_binary, nullptr);
  }
  sender.Encode(data, wire);
  ReadSplitter wire_splitter(flags, 64);
  const Decoded back = Decode(receiver, wire, &wire_splitter);
  FUZZ_REQUIRE(back.data == Bytes(data.begin(), data.end()), "encode then decode changes data");
  FUZZ_REQUIRE(back.replies.empty(), "encoded data made the receiver answer");
  return 0;
}
