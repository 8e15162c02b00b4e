#include "params/restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "link/protocol.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/param_messages.h"
#include "params/text_file.h"
#include "screen/status_counters.h"
#include "support/queue_drain.h"
#include "support/scratch_dir.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

using testing::DrainingSender;
using testing::ScratchDir;
using testing::TakeAllQueued;
using testing::WriteWholeFile;

constexpr uint32_t Address(uint32_t type, uint32_t group, uint32_t station, uint32_t index) {
  return type * 65536u + group * 256u + station * 16u + index;
}
std::string A(uint32_t type, uint32_t group, uint32_t station, uint32_t index) {
  return std::to_string(Address(type, group, station, index));
}

class RestoreRun : public ::testing::Test {
 protected:
  RestoreContext Context(std::chrono::milliseconds redraw = std::chrono::milliseconds(5)) {
    return RestoreContext{queue_, counters_, display_, messages_, request_, redraw};
  }

  std::string File(std::string_view name, std::string_view bytes) {
    const std::string path = (dir_ / name).string();
    WriteWholeFile(path, bytes);
    return path;
  }

  RestoreSnapshot Arm(const std::string& path, bool partial = false, uint16_t target = 0) {
    request_.ArmRestore(path, partial, target);
    return request_.SnapshotIfArmed().value();
  }

  // Runs the restore the way the receiver does, with a sender draining the
  // queue meanwhile; returns every byte that went out.
  std::string RunWithSender(const RestoreSnapshot& snapshot, bool* result = nullptr) {
    DrainingSender sender(queue_);
    RestoreContext context = Context();
    const bool ok = RunRestore(snapshot, context, std::stop_token());
    if (result != nullptr) *result = ok;
    EXPECT_TRUE(queue_.IsEmpty()) << "a finished run leaves the queue drained";
    return sender.StopAndTake();
  }

  ScratchDir dir_;
  TransmitQueue queue_;
  StatusCounters counters_;
  testing::RecordingDisplay display_;
  testing::RecordingMessages messages_;
  RestoreRequest request_;
};
using FullRestore = RestoreRun;
using PartialRestore = RestoreRun;
using RestoreFileBytes = RestoreRun;
using RestoreQueueing = RestoreRun;
using RestoreCutOff = RestoreRun;
using RestoreProgress = RestoreRun;
using RestoreArmedDuringARun = RestoreRun;

TEST_F(FullRestore, SendsEveryLineUnchangedBetweenTheFrameBytes) {
  const std::string line1 = A(108, 3, 2, 5) + " 12 ;";
  const std::string path = File("full.spb", line1 + "\r\n4 5 ;\r\nABC;\r\n");
  bool ok = false;
  EXPECT_EQ(RunWithSender(Arm(path), &ok), "<2>" + line1 + "4 5 ;ABC;}<1>");
  EXPECT_TRUE(ok);
  EXPECT_EQ(counters_.LinesSent.load(), 3);
  EXPECT_FALSE(request_.Armed());
  EXPECT_EQ(queue_.PendingCount(), 0);
  EXPECT_EQ(messages_.Count(), 0u);
  for (const std::string& text : display_.Texts()) {
    EXPECT_EQ(text.rfind("Sending Parameters: 3, ", 0), 0u) << text;
  }
}

TEST_F(FullRestore, OfAReadOnlyFileSendsIt) {
  const std::string path = File("ro.spb", "1 2 ;\r\n");
  testing::MakeReadOnly(path);
  bool ok = false;
  EXPECT_EQ(RunWithSender(Arm(path), &ok), "<2>1 2 ;}<1>");
  EXPECT_TRUE(ok);
}

TEST_F(FullRestore, OfACapturedBackupSendsTheSameBytes) {
  // The controller's block: many records, type-200 texts, a CR LF of its own
  // and lines far beyond 255 bytes.
  std::string block;
  for (int i = 0; i < 500; ++i) {
    block += A(108 + static_cast<uint32_t>(i % 300), 1, static_cast<uint32_t>(i % 8), 3) + " " +
             std::to_string(i * 7) + " ;";
    if (i % 50 == 0) block += " " + std::string(300 + static_cast<size_t>(i), 'L');
    if (i % 77 == 0) block += "\r";
    block += "\n";
  }
  ASSERT_EQ(block.find('\x1A'), std::string::npos);
  const std::string path = (dir_ / "roundtrip.spb").string();
  CaptureState capture(queue_, counters_, messages_, [](std::chrono::milliseconds) {});
  ASSERT_TRUE(capture.StartBackup(path, BackupCommand(0)));
  for (const char c : block) capture.CaptureParameterByte(static_cast<uint8_t>(c), display_);
  capture.CaptureParameterByte(kBlockClose, display_);
  TakeAllQueued(queue_);

  std::string expected = block;
  expected.erase(std::remove(expected.begin(), expected.end(), '\n'), expected.end());
  EXPECT_EQ(RunWithSender(Arm(path)), "<2>" + expected + "}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), 500);
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(PartialRestore, RetargetsForwardedRecordsAndCountsEveryLine) {
  const std::string path = File("partial.spb", A(108, 3, 2, 5) + " 12 ;\r\n" + A(200, 0, 0, 1) +
                                                   " 1,ABC;\r\n" + A(150, 0, 2, 0) + " 9 ;\r\n" +
                                                   A(108, 3, 15, 5) + " 0012 ;\r\n" + "\r\n");
  EXPECT_EQ(RunWithSender(Arm(path, true, 3)), "<2>" + A(108, 3, 3, 5) + " 12 ;\n" +
                                                   A(200, 0, 3, 1) + " 1 ABC;" + A(108, 3, 3, 5) +
                                                   " 12 ;\n}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), 5);
}

TEST_F(RestoreFileBytes, ALastLineWithoutLineEndIsNeitherSentNorCounted) {
  const std::string path = File("tail.spb", "1 2 ;\r\n" + A(108, 0, 0, 0) + " 3 ;");
  EXPECT_EQ(RunWithSender(Arm(path)), "<2>1 2 ;}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), 1);
  counters_.LinesSent = 0;
  EXPECT_EQ(RunWithSender(Arm(path, true, 1)), "<2>}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), 1);
}

TEST_F(RestoreFileBytes, EmptyFileAndFileWithNothingToForwardSendOnlyTheFrame) {
  EXPECT_EQ(RunWithSender(Arm(File("empty.spb", ""))), "<2>}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), 0);
  const std::string path =
      File("hw.spb", A(150, 0, 0, 0) + " 1 ;\r\n" + A(1, 0, 0, 0) + " 2 ;\r\n");
  EXPECT_EQ(RunWithSender(Arm(path, true, 5)), "<2>}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), 2);
}

TEST_F(RestoreFileBytes, NulIsDroppedAndTheEndOfFileByteEndsTheReading) {
  const std::string path = File("odd.spb", std::string("1\0 2 ;\r\n3 4 ;\r\r\n\x1A"
                                                       "5 6 ;\r\n",
                                                       21));
  EXPECT_EQ(RunWithSender(Arm(path)), "<2>1 2 ;3 4 ;\r}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), 2);
}

TEST_F(RestoreQueueing, LargerThanTheQueueWaitsForRoomAndLosesNothing) {
  std::string file;
  std::string full;
  std::string partial;
  int lines = 0;
  while (full.size() < 3 * 1000 * 1000) {
    const std::string value = std::to_string(lines);
    const std::string line =
        A(200 + static_cast<uint32_t>(lines % 3), 2, 1, 4) + " " + value + ",T" + value;
    file += line + "\r\n";
    full += line;
    partial += (lines % 3 == 0
                    ? A(200, 2, 6, 4) + " " + value + " T" + value
                    : A(200 + static_cast<uint32_t>(lines % 3), 2, 6, 4) + " " + value + " ;\n");
    ++lines;
  }
  const std::string path = File("big.spb", file);
  EXPECT_EQ(RunWithSender(Arm(path)), "<2>" + full + "}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), lines);
  counters_.LinesSent = 0;
  EXPECT_EQ(RunWithSender(Arm(path, true, 6)), "<2>" + partial + "}<1>");
  EXPECT_EQ(counters_.LinesSent.load(), lines);
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(RestoreQueueing, KeyCodesQueuedDuringARunLandBetweenRecordsNeverInsideOne) {
  // More than the queue holds, so the run is still queueing while the sender
  // drains, and the key codes the sender's thread adds meanwhile fall inside
  // the restore frame.
  std::string file;
  std::string expected;
  for (int i = 0; expected.size() < 3 * 1000 * 1000; ++i) {
    file += A(108, 0, 0, 0) + " " + std::to_string(i) + " ;\r\n";
    expected += A(108, 0, 2, 0) + " " + std::to_string(i) + " ;\n";
  }
  const RestoreSnapshot snapshot = Arm(File("keys.spb", file), true, 2);
  int keys = 0;
  DrainingSender sender(queue_, std::chrono::microseconds(0), [&](size_t blocks) {
    if (blocks % 500 == 0 && keys < 40 && queue_.EnqueueByte('K') == EnqueueResult::kAppended)
      ++keys;
  });
  RestoreContext context = Context();
  EXPECT_TRUE(RunRestore(snapshot, context, std::stop_token()));
  std::string sent = sender.StopAndTake();
  ASSERT_EQ(keys, 40);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), 'K'), 40);
  const size_t frame_end = sent.find('}');
  ASSERT_NE(frame_end, std::string::npos);
  EXPECT_LT(sent.find('K'), frame_end) << "key codes went out during the run";
  // Every K stands where a record ends, never inside one.
  for (size_t k = sent.find('K'); k != std::string::npos; k = sent.find('K', k + 1)) {
    const char before = sent[k - 1];
    EXPECT_TRUE(before == '\n' || before == 'K' || before == '>' || before == '}') << k;
  }
  sent.erase(std::remove(sent.begin(), sent.end(), 'K'), sent.end());
  EXPECT_EQ(sent, "<2>" + expected + "}<1>");
}

TEST_F(RestoreCutOff, AFileThatCannotBeOpenedKeepsTheMirrorGoingAndTellsTheOperator) {
  counters_.LinesSent = 0;
  const std::string path = (dir_ / "gone.spb").string();
  const RestoreSnapshot snapshot = Arm(path, true, 2);
  RestoreContext context = Context();
  EXPECT_FALSE(RunRestore(snapshot, context, std::stop_token()));
  EXPECT_EQ(TakeAllQueued(queue_), std::string(kScreenRequest));
  EXPECT_FALSE(request_.Armed()) << "not tried again at every image";
  EXPECT_EQ(counters_.LinesSent.load(), 0);
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kRestoreFailedCaption);
  EXPECT_NE(messages[0].text.find(path), std::string::npos);
}

TEST_F(RestoreCutOff, AReadErrorClosesTheFrameAndTellsTheOperator) {
  // A directory opens for reading here but fails at the first read.
  std::error_code error;
  if (!TextFileReader::Open(dir_.Path(), error)) GTEST_SKIP() << "a directory does not open here";
  bool ok = true;
  EXPECT_EQ(RunWithSender(Arm(dir_.Path().string()), &ok), "<2>}<1>");
  EXPECT_FALSE(ok);
  EXPECT_FALSE(request_.Armed());
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kRestoreIncompleteCaption);
}

TEST_F(RestoreCutOff, TheDrainWaitRedrawsAndEndsWhenTheLinkCloses) {
  // No sender: the queue never drains by itself.
  const RestoreSnapshot snapshot = Arm(File("stuck.spb", "1 2 ;\r\n"));
  bool ok = true;
  std::jthread run([&](std::stop_token stop) {
    RestoreContext context = Context(std::chrono::milliseconds(2));
    ok = RunRestore(snapshot, context, stop);
  });
  display_.WaitForTexts(3);  // the text is redrawn while the wait goes on
  run.request_stop();
  run.join();
  EXPECT_FALSE(ok);
  const std::string expected_text = FormatSendingStatus(1, 3 + 5 + 1 + 3);
  for (const std::string& text : display_.Texts()) EXPECT_EQ(text, expected_text);
  EXPECT_FALSE(request_.Armed());
  EXPECT_EQ(queue_.UnsentCount(), 12) << "the bytes stay for the sender";
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kRestoreIncompleteCaption);
}

TEST_F(RestoreCutOff, AWaitForRoomEndsWhenTheLinkCloses) {
  const std::vector<uint8_t> filler(TransmitQueue::kMaxUnsent - 10, 'k');
  ASSERT_EQ(queue_.EnqueueBytes(filler), EnqueueResult::kAppended);
  std::string file;
  for (int i = 0; i < 1000; ++i) file += "100 " + std::to_string(i) + " ;\r\n";
  const RestoreSnapshot snapshot = Arm(File("full-queue.spb", file));
  bool ok = true;
  std::jthread run([&](std::stop_token stop) {
    RestoreContext context = Context();
    ok = RunRestore(snapshot, context, stop);
  });
  run.request_stop();
  run.join();
  EXPECT_FALSE(ok);
  const std::string queued = TakeAllQueued(queue_);
  // Nothing of the file squeezed in; only the frame's end, which fits.
  EXPECT_EQ(queued.size(), filler.size() + 1);
  EXPECT_EQ(queued.back(), '}');
  EXPECT_EQ(messages_.Count(), 1u);
}

TEST_F(RestoreProgress, TheSendingTextIsRedrawnAtASteadyPaceNotInATightLoop) {
  std::string file;
  for (int i = 0; i < 800; ++i) file += "1 " + std::to_string(i) + " ;\r\n";
  const RestoreSnapshot snapshot = Arm(File("paced.spb", file));
  // About 300 blocks at 0.5 ms each: a drain of some 150 ms.
  DrainingSender sender(queue_, std::chrono::microseconds(500));
  const std::chrono::milliseconds interval(20);
  RestoreContext context = Context(interval);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(RunRestore(snapshot, context, std::stop_token()));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  sender.StopAndTake();
  const auto most = static_cast<size_t>(elapsed / interval) + 2;
  EXPECT_GE(display_.TextCount(), 2u);
  EXPECT_LE(display_.TextCount(), most);
}

TEST(RestoreRequest, KeepsItsOwnCopyAndTheNewestRequest) {
  RestoreRequest request;
  EXPECT_FALSE(request.SnapshotIfArmed());
  std::string chooser_buffer = "first.spb";
  request.ArmRestore(chooser_buffer, true, 5);
  chooser_buffer = "Mirelon Parameters";  // the file chooser reuses its buffer
  EXPECT_EQ(request.SnapshotIfArmed()->path, "first.spb");

  request.ArmRestore("second.spb", false, 2);  // full: the target stays 5
  const RestoreSnapshot snapshot = request.SnapshotIfArmed().value();
  EXPECT_EQ(snapshot.path, "second.spb");
  EXPECT_FALSE(snapshot.partial);
  EXPECT_EQ(snapshot.target_station, 5);

  request.ArmRestore("third.spb", true, 7);
  request.DisarmIfUnchanged(snapshot);
  ASSERT_TRUE(request.Armed()) << "armed while the run was going: kept for the next image";
  const RestoreSnapshot next = request.SnapshotIfArmed().value();
  EXPECT_EQ(next.path, "third.spb");
  EXPECT_TRUE(next.partial);
  EXPECT_EQ(next.target_station, 7);
  request.DisarmIfUnchanged(next);
  EXPECT_FALSE(request.Armed());
}

TEST_F(RestoreArmedDuringARun, RunsAtTheNextImage) {
  const RestoreSnapshot first = Arm(File("a.spb", "1 ;\r\n"));
  request_.ArmRestore(File("b.spb", A(108, 0, 0, 0) + " 2 ;\r\n"), true, 4);
  EXPECT_EQ(RunWithSender(first), "<2>1 ;}<1>");
  const auto second = request_.SnapshotIfArmed();
  ASSERT_TRUE(second);
  EXPECT_EQ(RunWithSender(*second), "<2>" + A(108, 0, 4, 0) + " 2 ;\n}<1>");
  EXPECT_FALSE(request_.Armed());
}

TEST_F(RestoreArmedDuringARun, IsSafeWhileTheRunReads) {
  std::string file;
  for (int i = 0; i < 50000; ++i) file += "1 2 ;\r\n";
  const RestoreSnapshot snapshot = Arm(File("long.spb", file));
  std::jthread ui([&](std::stop_token stop) {
    for (int i = 0; i < 500 && !stop.stop_requested(); ++i) {
      request_.ArmRestore("other" + std::to_string(i) + ".spb", i % 2 == 0,
                          static_cast<uint16_t>(i % 8));
    }
  });
  const std::string sent = RunWithSender(snapshot);
  ui.join();
  EXPECT_EQ(sent.size(), 3 + 50000u * 5 + 4) << "the run kept its own request";
  EXPECT_TRUE(request_.Armed());
  EXPECT_EQ(request_.SnapshotIfArmed()->path, "other499.spb");
}

}  // namespace
}  // namespace corvane
