// The pieces the recorder's writer runs for every image: the split of the
// received stream, the delta against the image before, and the test of
// whether an image leaves anything of the picture before it.
#include "record/recording_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "record/deferred_picture.h"
#include "record/traffic_splitter.h"
#include "screen/image_decoder.h"

namespace corvane {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(DeltaEncoder, RebuildsEveryImageFromTheOneBefore) {
  std::mt19937 random(7);
  const auto text = [&](size_t length) {
    std::string s;
    for (size_t i = 0; i < length; ++i) s += "AB9EP1F"[random() % 7];
    return s;
  };
  const std::string base = text(40'000);
  // Changed in place, shifted by inserts and cuts, shorter than a block,
  // empty on either side, and nothing in common.
  std::vector<std::pair<std::string, std::string>> pairs = {
      {base, base},        {"", base},
      {base, ""},          {"", ""},
      {base, "AB9"},       {"AB9", "AB9E"},
      {base, text(5'000)}, {base, base.substr(17) + base.substr(0, 17)}};
  std::string edited = base;
  for (int k = 0; k < 200; ++k) {
    const size_t at = random() % edited.size();
    if (k % 3 == 0) edited.insert(at, text(1 + random() % 9));
    if (k % 3 == 1) edited.erase(at, 1 + random() % 9);
    if (k % 3 == 2) edited[at] = 'Q';
  }
  pairs.emplace_back(base, edited);
  DeltaEncoder encoder;
  std::vector<uint8_t> ops;
  std::vector<uint8_t> back;
  for (const auto& [previous, next] : pairs) {
    encoder.Encode(Bytes(previous), Bytes(next), ops);
    ASSERT_TRUE(ApplyDelta(Bytes(previous), ops, next.size(), back)) << next.size();
    EXPECT_EQ(back, Bytes(next));
  }
  // What is mostly the image before is mostly copied.
  encoder.Encode(Bytes(base), Bytes(edited), ops);
  EXPECT_LT(ops.size(), edited.size() / 4);
}

TEST(DeferredPicture, AnImageCoversThePictureExactlyWhenTheDecoderPassesItsLastRow) {
  // Whole rows up to near the end, then a tail of runs, letters that draw
  // only before another letter, and bytes that draw nothing.
  std::mt19937 random(11);
  const std::string tail_bytes = "123456789ABFPAFF ;x";
  std::vector<Pixel> picture(static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
  ImageDecoder decoder;
  int covering = 0;
  for (int k = 0; k < 400; ++k) {
    std::string payload(598 + random() % 2, '9');
    const size_t tail = random() % 60;
    for (size_t i = 0; i < tail; ++i) payload += tail_bytes[random() % tail_bytes.size()];
    decoder.Begin(picture.data());
    decoder.Feed(Bytes(payload));
    const bool passed = decoder.RowsDecoded() == Surface::kHeight;
    decoder.Finish();
    decoder.End();
    EXPECT_EQ(PayloadCoversPicture(Bytes(payload)), passed) << payload.substr(598);
    covering += passed;
  }
  // Both answers were asked for.
  EXPECT_GT(covering, 50);
  EXPECT_LT(covering, 350);
}

class Collected : public SplitRecords {
 public:
  void Record(RecordType type, std::span<const uint8_t> payload) override {
    // Block and restore data come in pieces as the traffic did: their
    // bytes are compared, not their pieces.
    const bool piece = type == RecordType::kBlockData || type == RecordType::kRestoreData;
    if (!piece || last_ != type) text += "|" + std::to_string(static_cast<int>(type)) + ":";
    text.append(payload.begin(), payload.end());
    last_ = type;
  }
  std::string text;

 private:
  RecordType last_ = RecordType::kEnd;
};

TEST(TrafficSplitter, TheSameRecordsWhateverPiecesTheTrafficCameIn) {
  const std::string wire = "junk}{B9C5{D1E9}noise[1 2 {x} ;\n" + std::string(70'000, '7') +
                           "]after{F9" + std::string(3'000, '3') + "}{cut[3 4 ]{A9";
  Collected whole;
  TrafficSplitter once;
  once.Received(Bytes(wire), whole);
  EXPECT_EQ(whole.text.substr(0, 26), "|2:D1E9|5:|6:1 2 {x} ;\n777");
  const std::string ending = "|2:F9" + std::string(3'000, '3') + "|5:|6:3 4 |7:";
  EXPECT_EQ(whole.text.substr(whole.text.size() - ending.size() - 1), ending + '\0');
  for (const size_t piece : {1, 2, 3, 5, 64, 4095}) {
    Collected pieces;
    TrafficSplitter splitter;
    for (size_t at = 0; at < wire.size(); at += piece) {
      splitter.Received(Bytes(wire.substr(at, piece)), pieces);
    }
    EXPECT_EQ(pieces.text, whole.text) << piece;
  }
}

}  // namespace
}  // namespace corvane
