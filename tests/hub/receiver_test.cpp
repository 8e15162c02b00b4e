#include "hub/receiver.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace corvane
