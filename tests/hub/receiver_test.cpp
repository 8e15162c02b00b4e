#include "hub/receiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stop_token>
#include <string>

#include "link/protocol.h"
#include "support/patience.h"
#include "support/queue_drain.h"
#include "support/receiver_rig.h"
#include "support/scratch_dir.h"

namespace corvane {
namespace {

using testing::DrainingSender;
using testing::ReceiverRig;
using testing::ScratchDir;

void Feed(ReceiverRig& rig, std::string_view bytes, std::stop_token stop = {}) {
  for (char c : bytes) DemuxByte(rig.context, static_cast<uint8_t>(c), stop);
}

TEST(DemuxImage, ImageEndRequestsTheNextImageThenDraws) {
  ReceiverRig rig;
  Feed(rig, "{AB}");
  EXPECT_EQ(rig.display.Payloads(), std::vector<std::string>{"AB"});
  // "<1>" was already queued when the picture was drawn.
  EXPECT_EQ(rig.display.QueuedAtPicture(), std::vector<int32_t>{3});
  EXPECT_EQ(rig.TakeQueued(), "<1>");
  EXPECT_EQ(rig.display.LastText(), FormatImagesStatus(0));
  EXPECT_FALSE(rig.state.image_mode);
}

TEST(DemuxImage, TwoImagesBackToBack) {
  ReceiverRig rig;
  Feed(rig, "{A1}{B2C}");
  EXPECT_EQ(rig.display.Payloads(), (std::vector<std::string>{"A1", "B2C"}));
  EXPECT_EQ(rig.display.QueuedAtPicture(), (std::vector<int32_t>{3, 6}));
  EXPECT_EQ(rig.TakeQueued(), "<1><1>");
}

TEST(DemuxImage, OpenBraceStartsTheImageAfresh) {
  ReceiverRig rig;
  Feed(rig, "{xyz{AB}");
  EXPECT_EQ(rig.display.Payloads(), std::vector<std::string>{"AB"});
}

TEST(DemuxImage, CloseBraceOutsideAnImageDoesNothing) {
  ReceiverRig rig;
  Feed(rig, "stray}}");
  EXPECT_EQ(rig.display.PictureCount(), 0);
  EXPECT_TRUE(rig.queue.IsEmpty());
  // Bytes outside a frame are never drawn: the next image starts clean.
  Feed(rig, "{C}");
  EXPECT_EQ(rig.display.Payloads(), std::vector<std::string>{"C"});
}

TEST(DemuxImage, OversizedPayloadIsDrawnFromItsFirstTwoMillionBytes) {
  ReceiverRig rig;
  DemuxByte(rig.context, '{', {});
  for (int i = 0; i < ScreenImageBuffer::kCapacity + 5; ++i) {
    DemuxByte(rig.context, static_cast<uint8_t>(i < ScreenImageBuffer::kCapacity ? 'A' : 'B'), {});
  }
  DemuxByte(rig.context, '}', {});
  const auto payloads = rig.display.Payloads();
  ASSERT_EQ(payloads.size(), 1u);
  EXPECT_EQ(payloads[0].size(), static_cast<size_t>(ScreenImageBuffer::kCapacity));
  EXPECT_EQ(payloads[0].find('B'), std::string::npos);
}

TEST(DemuxBlock, BracketAbandonsTheImageAndOpensABlock) {
  ReceiverRig rig;
  ScratchDir dir;
  ASSERT_TRUE(rig.capture.StartBackup((dir / "b.spb").string(), BackupCommand(1)));
  EXPECT_EQ(rig.TakeQueued(), "<12>");

  Feed(rig, "{A[x");
  EXPECT_TRUE(rig.state.parameter_block_mode);
  EXPECT_FALSE(rig.state.image_mode);
  Feed(rig, "]");
  EXPECT_FALSE(rig.state.parameter_block_mode);
  EXPECT_EQ(rig.display.PictureCount(), 0);
  EXPECT_TRUE(rig.queue.IsEmpty());
  EXPECT_EQ(testing::ReadWholeFile((dir / "b.spb")), "x");
  EXPECT_FALSE(rig.capture.Capturing());
}

TEST(DemuxBlock, FrameBytesInsideABlockAreText) {
  ReceiverRig rig;
  ScratchDir dir;
  ASSERT_TRUE(rig.capture.StartBackup((dir / "b.spb").string(), BackupCommand(0)));
  rig.TakeQueued();
  Feed(rig, "[1 {2} [3 ;\n]");
  EXPECT_EQ(rig.display.PictureCount(), 0);
  EXPECT_TRUE(rig.queue.IsEmpty());
  EXPECT_EQ(testing::ReadWholeFile((dir / "b.spb")), "1 {2} [3 ;\r\n");
  EXPECT_EQ(rig.counters.ParametersReceived.load(), 1);
  // After "]" the demultiplexer is outside any frame again.
  Feed(rig, "{AB}");
  EXPECT_EQ(rig.display.Payloads(), std::vector<std::string>{"AB"});
}

TEST(DemuxRestore, ArmedRestoreDrawsThenSendsInsteadOfTheScreenRequest) {
  ReceiverRig rig;
  ScratchDir dir;
  const auto file = dir / "r.spb";
  testing::WriteWholeFile(file, "1 2 ;\r\n3 4 ;\r\n");
  rig.restore.ArmRestore(file.string(), false, 0);
  DrainingSender drain(rig.queue);  // so that the restore's drain wait can end

  Feed(rig, "{AB}");
  EXPECT_EQ(rig.display.Payloads(), std::vector<std::string>{"AB"});
  // The picture came before any byte of the restore was queued.
  EXPECT_EQ(rig.display.QueuedAtPicture(), std::vector<int32_t>{0});
  // The restore waited for the drain, so everything has gone out.
  EXPECT_EQ(drain.Sent(), "<2>1 2 ;3 4 ;}<1>");
  EXPECT_FALSE(rig.restore.Armed());

  // The next image is mirrored as usual.
  Feed(rig, "{C}");
  rig.queue.WaitUntilEmpty({}, testing::kPatience);
  EXPECT_EQ(drain.Sent(), "<2>1 2 ;3 4 ;}<1><1>");
}

TEST(DemuxRestore, RestoreWhoseFileIsMissingStillRestartsTheMirror) {
  ReceiverRig rig;
  ScratchDir dir;
  rig.restore.ArmRestore((dir / "gone.spb").string(), true, 3);
  Feed(rig, "{A}");
  EXPECT_EQ(rig.display.PictureCount(), 1);
  EXPECT_EQ(rig.TakeQueued(), "<1>");
  EXPECT_EQ(rig.messages.Count(), 1u);
}

// The receiver hands whole reads to DemuxBytes; DemuxByte is the rule, one
// byte at a time. Random streams, heavy in frame bytes, cut into random
// reads, must leave both the same: pictures, requests, backup file, counts,
// the store and the mode.
TEST(DemuxReads, AReadAtOnceActsAsItsBytesOneByOne) {
  std::mt19937 random(20261207);
  const std::string alphabet = "{}[];\n" + std::string(1, '\0') + "AB12xy";
  ScratchDir dir;
  for (int round = 0; round < 30; ++round) {
    // Frame bytes now dense, now as sparse as in the controller's images.
    const unsigned density = round % 2 == 0 ? 6 : 300;
    std::string stream(std::uniform_int_distribution<size_t>(0, 3000)(random), 'A');
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    for (char& c : stream) {
      if (random() % density == 0) c = alphabet[pick(random)];
    }
    const std::string name = "b" + std::to_string(round);
    ReceiverRig bytewise;
    ReceiverRig readwise;
    ASSERT_TRUE(bytewise.capture.StartBackup((dir / (name + "-1.spb")).string(), "<11>"));
    ASSERT_TRUE(readwise.capture.StartBackup((dir / (name + "-2.spb")).string(), "<11>"));
    Feed(bytewise, stream);
    const auto* data = reinterpret_cast<const uint8_t*>(stream.data());
    for (size_t pos = 0; pos < stream.size();) {
      const size_t read = std::min(stream.size() - pos, size_t{1} + random() % 700);
      DemuxBytes(readwise.context, {data + pos, read}, {});
      pos += read;
    }
    bytewise.capture.CloseBackupFile();
    readwise.capture.CloseBackupFile();

    SCOPED_TRACE(round);
    EXPECT_EQ(readwise.display.Payloads(), bytewise.display.Payloads());
    EXPECT_EQ(readwise.display.Texts(), bytewise.display.Texts());
    EXPECT_EQ(readwise.TakeQueued(), bytewise.TakeQueued());
    EXPECT_EQ(testing::ReadWholeFile(dir / (name + "-2.spb.partial")),
              testing::ReadWholeFile(dir / (name + "-1.spb.partial")));
    EXPECT_EQ(testing::ReadWholeFile(dir / (name + "-2.spb")),
              testing::ReadWholeFile(dir / (name + "-1.spb")));
    EXPECT_EQ(readwise.counters.ParametersReceived.load(),
              bytewise.counters.ParametersReceived.load());
    EXPECT_EQ(readwise.state.image_mode, bytewise.state.image_mode);
    EXPECT_EQ(readwise.state.parameter_block_mode, bytewise.state.parameter_block_mode);
    EXPECT_EQ(readwise.image.count, bytewise.image.count);
    EXPECT_TRUE(std::ranges::equal(readwise.image.Payload(), bytewise.image.Payload()));
  }
}

TEST(DemuxReads, StoreStopsAtTwoMillionBytesAcrossReads) {
  // A run that crosses the bound in the middle of a read.
  std::string stream = "{" + std::string(ScreenImageBuffer::kCapacity - 3, 'A') + "BBBBBB}";
  ReceiverRig rig;
  const auto* data = reinterpret_cast<const uint8_t*>(stream.data());
  for (size_t pos = 0; pos < stream.size(); pos += kReceiveBufferSize) {
    DemuxBytes(rig.context, {data + pos, std::min<size_t>(kReceiveBufferSize, stream.size() - pos)},
               {});
  }
  const auto payloads = rig.display.Payloads();
  ASSERT_EQ(payloads.size(), 1u);
  EXPECT_EQ(payloads[0], stream.substr(1, ScreenImageBuffer::kCapacity));
  EXPECT_EQ(rig.image.count, ScreenImageBuffer::kCapacity);
  EXPECT_EQ(rig.TakeQueued(), "<1>");
}

TEST(DemuxReads, NothingIsHandledOnceTheLinkCloses) {
  ReceiverRig rig;
  std::stop_source close;
  close.request_stop();
  const std::string stream = "{AB}";
  DemuxBytes(rig.context, {reinterpret_cast<const uint8_t*>(stream.data()), stream.size()},
             close.get_token());
  EXPECT_EQ(rig.display.PictureCount(), 0);
  EXPECT_TRUE(rig.queue.IsEmpty());
  EXPECT_FALSE(rig.state.image_mode);
}

// A whole screen as the controller sends it: every row a few runs and a
// "9" that ends it.
std::string WholeScreen(std::mt19937& random) {
  std::string payload;
  for (int row = 0; row < Surface::kHeight; ++row) {
    for (int run = static_cast<int>(random() % 4); run > 0; --run) {
      payload += static_cast<char>('A' + random() % 16);
      payload += static_cast<char>('1' + random() % 5);
    }
    payload += static_cast<char>('A' + random() % 16);
    payload += '9';
  }
  return payload;
}

// Rows handed on since `from`: never fewer than the hand-over before.
bool RowsGrow(const std::vector<int>& rows, size_t from) {
  return std::is_sorted(rows.begin() + static_cast<std::ptrdiff_t>(from), rows.end());
}

TEST(DemuxWhileReceiving, RowsGoOutInOrderAndADroppedImageGivesWayToTheNextWholeOne) {
  std::mt19937 random(7);
  ReceiverRig whole;
  ReceiverRig partial;
  partial.drawing.while_receiving = true;
  partial.drawing.interval = std::chrono::milliseconds(0);  // at every read
  const auto feed_in_reads = [&](const std::string& bytes) {
    Feed(whole, bytes);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    for (size_t pos = 0; pos < bytes.size();) {
      const size_t read = std::min(bytes.size() - pos, size_t{1} + random() % 700);
      DemuxBytes(partial.context, {data + pos, read}, {});
      pos += read;
    }
  };
  feed_in_reads("{" + WholeScreen(random) + "}");
  std::vector<int> rows = partial.display.Rows();
  EXPECT_GT(rows.size(), 3u);
  EXPECT_TRUE(RowsGrow(rows, 0));
  EXPECT_EQ(rows.back(), Surface::kHeight);

  // Half an image, then silence: it is dropped and asked for again.
  const std::string cut = WholeScreen(random);
  feed_in_reads("{" + cut.substr(0, cut.size() / 2));
  const size_t dropped_from = rows.size();
  rows = partial.display.Rows();
  EXPECT_TRUE(RowsGrow(rows, dropped_from));
  EXPECT_LT(rows.back(), Surface::kHeight);
  RestartAfterSilence(whole.context, {});
  RestartAfterSilence(partial.context, {});

  const size_t next_from = rows.size();
  feed_in_reads("{" + WholeScreen(random) + "}");
  rows = partial.display.Rows();
  EXPECT_TRUE(RowsGrow(rows, next_from));
  EXPECT_EQ(rows.back(), Surface::kHeight);
  // Nothing of the dropped image is left, and the status line and the
  // screen requests went out as without drawing while receiving.
  EXPECT_EQ(partial.display.LastPicture(), whole.display.LastPicture());
  EXPECT_EQ(partial.display.Texts(), whole.display.Texts());
  EXPECT_EQ(partial.TakeQueued(), whole.TakeQueued());
}

}  // namespace
}  // namespace corvane
