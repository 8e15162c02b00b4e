// What the recorder's writer runs for every image.
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
  std::string base;
  for (int i = 0; i < 40'000; ++i) base += "AB9EP1F"[random() % 7];
  std::string edited = base;  // changed in place, and shifted by inserts and cuts
  for (int k = 0; k < 200; ++k) {
    const size_t at = random() % edited.size();
    k % 2 ? edited.insert(at, base.substr(k, k % 9)) : edited.erase(at, k % 9 + 1);
  }
  DeltaEncoder encoder;
  std::vector<uint8_t> ops, back;
  for (const auto& [previous, next] : std::vector<std::pair<std::string, std::string>>{
           {base, edited}, {"", base}, {base, ""}, {"AB9", "AB9E"}}) {
    encoder.Encode(Bytes(previous), Bytes(next), ops);
    ASSERT_TRUE(ApplyDelta(Bytes(previous), ops, next.size(), back));
    EXPECT_EQ(back, Bytes(next));
  }
  encoder.Encode(Bytes(base), Bytes(edited), ops);
  EXPECT_LT(ops.size(), edited.size() / 4);  // mostly copied
}

TEST(DeferredPicture, AnImageCoversThePictureExactlyWhenTheDecoderPassesItsLastRow) {
  // Rows to near the end, then runs, letters and bytes that draw nothing.
  std::mt19937 random(11);
  std::vector<Pixel> picture(static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
  ImageDecoder decoder;
  for (int k = 0; k < 400; ++k) {
    std::string payload(598 + random() % 2, '9');
    for (size_t i = random() % 60; i > 0; --i) payload += "123456789ABFPAFF ;x"[random() % 19];
    decoder.Begin(picture.data());
    decoder.Feed(Bytes(payload));
    EXPECT_EQ(PayloadCoversPicture(Bytes(payload)), decoder.RowsDecoded() == Surface::kHeight)
        << payload.substr(598);
  }
}

// The records as text; block data compared by its bytes, not its pieces.
struct Collected : SplitRecords {
  void Record(RecordType type, std::span<const uint8_t> payload) override {
    if (type != RecordType::kBlockData || last != type)
      text += "|" + std::to_string(static_cast<int>(type));
    text.append(payload.begin(), payload.end());
    last = type;
  }
  std::string text;
  RecordType last = RecordType::kEnd;
};

TEST(TrafficSplitter, TheSameRecordsWhateverPiecesTheTrafficCameIn) {
  const std::string wire = "junk}{B9C5{D1E9}noise[1 2 {x} ;\n" + std::string(70'000, '7') +
                           "]after{F9" + std::string(3'000, '3') + "}{cut[3 4 ]{A9";
  Collected whole;
  TrafficSplitter().Received(Bytes(wire), whole);
  EXPECT_EQ(whole.text.substr(0, 21), "|2D1E9|5|61 2 {x} ;\n7");
  const std::string end = "|2F9" + std::string(3'000, '3') + "|5|63 4 |7" + '\0';
  EXPECT_EQ(whole.text.substr(whole.text.size() - end.size()), end);
  for (const size_t piece : {1, 2, 3, 5, 64, 4095}) {
    Collected pieces;
    TrafficSplitter splitter;
    for (size_t at = 0; at < wire.size(); at += piece)
      splitter.Received(Bytes(wire.substr(at, piece)), pieces);
    EXPECT_EQ(pieces.text, whole.text) << piece;
  }
}

}  // namespace
}  // namespace corvane
