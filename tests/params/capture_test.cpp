#include "params/capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#if __has_include(<sys/resource.h>)
#include <sys/resource.h>
#endif

#include "files/path_text.h"
#include "link/protocol.h"
#include "link/transmit_queue.h"
#include "params/param_messages.h"
#include "screen/status_counters.h"
#include "support/queue_drain.h"
#include "support/scratch_dir.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::TakeAllQueued;
using testing::WriteWholeFile;

// What a cut-off backup keeps, beside the file it was meant for.
std::string Partial(const std::string& path) { return ReadWholeFile(PartialBackupPath(path)); }

class CaptureTest : public ::testing::Test {
 protected:
  CaptureTest()
      : capture_(queue_, counters_, messages_, [this](std::chrono::milliseconds d) {
          std::lock_guard lock(pause_mutex_);
          pauses_.push_back(d);
        }) {}

  // Feeds bytes as the receiver does; returns how many of them ended a block.
  int Feed(std::string_view bytes) {
    int ends = 0;
    for (const char c : bytes)
      ends += capture_.CaptureParameterByte(static_cast<uint8_t>(c), display_);
    return ends;
  }

  std::vector<std::chrono::milliseconds> Pauses() {
    std::lock_guard lock(pause_mutex_);
    return pauses_;
  }

  ScratchDir dir_;
  TransmitQueue queue_;
  StatusCounters counters_;
  testing::RecordingDisplay display_;
  testing::RecordingMessages messages_;
  std::mutex pause_mutex_;
  std::vector<std::chrono::milliseconds> pauses_;
  CaptureState capture_;
};
using BackupBlock = CaptureTest;
using BackupStart = CaptureTest;
using BackupCutOff = CaptureTest;
using BackupThreads = CaptureTest;
using BackupReplace = CaptureTest;

TEST_F(BackupBlock, StoresTheBlockWithCrLfLineEndsAndCountsParameters) {
  const std::string path = (dir_ / "station1.spb").string();
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  EXPECT_TRUE(capture_.Capturing());
  EXPECT_EQ(TakeAllQueued(queue_), "<12>");

  EXPECT_EQ(Feed("1 2 ;\n"), 0);
  EXPECT_EQ(counters_.ParametersReceived.load(), 1);
  EXPECT_EQ(display_.LastText(), "Receiving Parameters: 1             ");
  EXPECT_EQ(Feed("3 4 ;\n"), 0);
  EXPECT_EQ(counters_.ParametersReceived.load(), 2);
  EXPECT_EQ(display_.LastText(), "Receiving Parameters: 2             ");
  EXPECT_TRUE(Pauses().empty()) << "no pause before the block ends";

  counters_.ImagesShown = 17;
  EXPECT_EQ(Feed("]"), 1);
  EXPECT_FALSE(capture_.Capturing());
  EXPECT_EQ(Pauses(), std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(500)});
  EXPECT_EQ(display_.LastText(), "Images: 17, Parameters: 0  ");
  EXPECT_EQ(counters_.BlocksCompleted.load(), 1);

  const std::string on_disk = ReadWholeFile(path);
  EXPECT_EQ(on_disk, "1 2 ;\r\n3 4 ;\r\n");
  EXPECT_EQ(on_disk.size(), 14u);
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(BackupBlock, DropsNulKeepsEndOfFileByteAndDoublesTheControllersCr) {
  const std::string path = (dir_ / "odd.spb").string();
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(0)));
  EXPECT_EQ(TakeAllQueued(queue_), "<11>");
  Feed(
      std::string("a\0b\x1A"
                  "c\r\n",
                  7));
  Feed("]");
  EXPECT_EQ(ReadWholeFile(path),
            "ab\x1A"
            "c\r\r\n");
  EXPECT_EQ(counters_.ParametersReceived.load(), 0);
}

TEST_F(BackupBlock, AnEmptyBlockGivesAnEmptyFile) {
  const std::string path = (dir_ / "empty.spb").string();
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(8)));
  EXPECT_EQ(TakeAllQueued(queue_), "<19>");
  Feed("]");
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(ReadWholeFile(path), "");
}

TEST_F(BackupBlock, CountersAndTextsAcrossTwoBlocksOneOfThemUncaptured) {
  counters_.ImagesShown = 4;
  // No backup open: the block is read to its end but nothing is kept.
  EXPECT_EQ(Feed("9 9 ;\n]"), 1);
  EXPECT_EQ(counters_.ParametersReceived.load(), 0);
  EXPECT_EQ(display_.Texts(), std::vector<std::string>{"Images: 4, Parameters: 0  "});
  EXPECT_EQ(Pauses().size(), 1u) << "the pause comes at every ]";

  const std::string path = (dir_ / "second.spb").string();
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(3)));
  EXPECT_EQ(Feed("5 6 ;\n]"), 1);
  EXPECT_EQ(counters_.ParametersReceived.load(), 1);
  EXPECT_EQ(display_.LastText(), "Images: 4, Parameters: 1  ");
  EXPECT_EQ(counters_.BlocksCompleted.load(), 2);
  EXPECT_EQ(ReadWholeFile(path), "5 6 ;\r\n");

  // The next block finds no backup open again.
  Feed("7 ;]");
  EXPECT_EQ(counters_.ParametersReceived.load(), 1);
  EXPECT_EQ(ReadWholeFile(path), "5 6 ;\r\n");
}

TEST_F(BackupStart, AFileThatCannotBeCreatedSendsNothingAndSaysSo) {
  const std::string path = (dir_ / "no-such-dir" / "x.spb").string();
  EXPECT_FALSE(capture_.StartBackup(path, BackupCommand(1)));
  EXPECT_FALSE(capture_.Capturing());
  EXPECT_TRUE(queue_.IsEmpty());
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kBackupFailedCaption);
  EXPECT_NE(messages[0].text.find(path), std::string::npos);
  // A block that comes anyway is not captured.
  Feed("1 ;]");
  EXPECT_EQ(counters_.ParametersReceived.load(), 0);
}

TEST_F(BackupStart, AFullQueueLeavesNoCaptureWaitingForABlockThatWillNotCome) {
  const std::vector<uint8_t> filler(TransmitQueue::kMaxUnsent - 2, 'k');
  ASSERT_EQ(queue_.EnqueueBytes(filler), EnqueueResult::kAppended);
  EXPECT_FALSE(capture_.StartBackup((dir_ / "q.spb").string(), BackupCommand(1)));
  EXPECT_FALSE(capture_.Capturing());
  EXPECT_EQ(queue_.UnsentCount(), TransmitQueue::kMaxUnsent - 2);
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kBackupFailedCaption);
}

TEST_F(BackupStart, ASecondBackupClosesTheFirstFileBeforeOpeningItsOwn) {
  const std::string first = (dir_ / "first.spb").string();
  const std::string second = (dir_ / "second.spb").string();
  ASSERT_TRUE(capture_.StartBackup(first, BackupCommand(1)));
  Feed("1 2 ;\n3 ");
  ASSERT_TRUE(capture_.StartBackup(second, BackupCommand(2)));
  EXPECT_EQ(TakeAllQueued(queue_), "<12><13>");

  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kBackupIncompleteCaption);
  EXPECT_NE(messages[0].text.find(first), std::string::npos);
  EXPECT_EQ(Partial(first), "1 2 ;\r\n3 ") << "the first keeps what it had";

  Feed("4 ;\n]");
  EXPECT_EQ(Partial(first), "1 2 ;\r\n3 ") << "nothing more reaches the first";
  EXPECT_FALSE(std::filesystem::exists(first)) << "a block cut off never takes the name";
  EXPECT_EQ(ReadWholeFile(second), "4 ;\r\n");
  EXPECT_EQ(messages_.Count(), 1u) << "the second ended well";
}

TEST_F(BackupStart, AFailedSecondBackupLeavesNoCaptureOpen) {
  const std::string first = (dir_ / "first.spb").string();
  ASSERT_TRUE(capture_.StartBackup(first, BackupCommand(1)));
  Feed("1 ;");
  EXPECT_FALSE(capture_.StartBackup((dir_ / "missing" / "x.spb").string(), BackupCommand(2)));
  EXPECT_FALSE(capture_.Capturing());
  Feed("2 ;]");
  EXPECT_EQ(Partial(first), "1 ;");
  EXPECT_EQ(counters_.ParametersReceived.load(), 1);
  EXPECT_EQ(messages_.Count(), 2u);  // the first cut short, the second not created
}

TEST_F(BackupStart, ABackupStartedDuringThePauseAtTheBlockEndStaysOpen) {
  const std::string first = (dir_ / "first.spb").string();
  const std::string second = (dir_ / "second.spb").string();
  CaptureState* self = nullptr;
  bool started_in_pause = false;
  CaptureState capture(queue_, counters_, messages_, [&](std::chrono::milliseconds) {
    // The operator picks the next backup while the receiver sits in the pause.
    if (!started_in_pause) started_in_pause = self->StartBackup(second, BackupCommand(2));
  });
  self = &capture;
  ASSERT_TRUE(capture.StartBackup(first, BackupCommand(1)));
  for (const char c : std::string("1 ;]"))
    capture.CaptureParameterByte(static_cast<uint8_t>(c), display_);
  ASSERT_TRUE(started_in_pause);
  EXPECT_TRUE(capture.Capturing()) << "the \"]\" of the first block must not close the second file";
  EXPECT_EQ(messages_.Count(), 0u) << "the first block ended whole";
  for (const char c : std::string("2 ;]"))
    capture.CaptureParameterByte(static_cast<uint8_t>(c), display_);
  EXPECT_EQ(ReadWholeFile(first), "1 ;");
  EXPECT_EQ(ReadWholeFile(second), "2 ;");
}

TEST_F(BackupCutOff, ABackupIntoAFullDiskIsReportedIncompleteAndReplacesNothing) {
#if __has_include(<sys/resource.h>)
  // The bytes go to the ".partial", which here may grow to 4 bytes only, as
  // on a disk that is full; the failure shows only when the buffer is
  // written out at the close.
  const std::string path = (dir_ / "full.spb").string();
  WriteWholeFile(path, "earlier ;\r\n");
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(4)));
  Feed("1 2 ;\n3 4 ;\n");
  EXPECT_EQ(messages_.Count(), 0u) << "told at the end of the block, not before";
  {
    // A write past the limit fails with EFBIG instead of raising SIGXFSZ.
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Feed("]");
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);
  }
  EXPECT_FALSE(capture_.Capturing());
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kBackupIncompleteCaption);
  EXPECT_EQ(messages[0].icon, MessageIcon::kWarning);
  EXPECT_NE(messages[0].text.find(path), std::string::npos);
  EXPECT_NE(messages[0].text.find(std::make_error_code(std::errc::file_too_large).message()),
            std::string::npos);
  EXPECT_EQ(ReadWholeFile(path), "earlier ;\r\n") << "a file that failed is never put in place";
  EXPECT_EQ(display_.LastText(), "Images: 0, Parameters: 0  ") << "the block still ends";
#else
  GTEST_SKIP() << "no file size limit here";
#endif
}

TEST_F(BackupCutOff, ALinkClosedInsideTheBlockEndsTheCaptureAsIncomplete) {
  const std::string path = (dir_ / "cut.spb").string();
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  Feed("1 2 ;\n3");
  capture_.AbandonCapture();
  EXPECT_FALSE(capture_.Capturing());
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kBackupIncompleteCaption);
  Feed("{screen bytes;}");
  EXPECT_EQ(Partial(path), "1 2 ;\r\n3");
  capture_.AbandonCapture();
  EXPECT_EQ(messages_.Count(), 1u) << "nothing open, nothing to report";
}

TEST_F(BackupCutOff, ExitClosesTheFileWithWhatArrived) {
  const std::string path = (dir_ / "exit.spb").string();
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  Feed("1 2 ;\n3 4");
  capture_.CloseBackupFile();
  EXPECT_FALSE(capture_.Capturing());
  EXPECT_EQ(Partial(path), "1 2 ;\r\n3 4");
  capture_.CloseBackupFile();  // a second close does nothing
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(BackupReplace, EveryWayABlockIsCutOffLeavesTheEarlierFileAndKeepsWhatArrived) {
  const std::string path = (dir_ / "station.spb").string();
  const std::string earlier = "100 1 5 ;\r\n101 1 7 ;\r\n";
  const std::string partial = PathText(PartialBackupPath(path));
  const std::vector<std::pair<std::string, std::function<void()>>> cut_offs = {
      {"link closed", [&] { capture_.AbandonCapture(corvane::BackupCutOff::kLinkClosed); }},
      {"controller silent",
       [&] { capture_.AbandonCapture(corvane::BackupCutOff::kControllerSilent); }},
      {"another backup", [&] { capture_.StartBackup((dir_ / "other.spb").string(), "<11>"); }},
      {"exit", [&] { capture_.CloseBackupFile(); }},
  };
  for (const auto& [name, cut_off] : cut_offs) {
    SCOPED_TRACE(name);
    WriteWholeFile(path, earlier);
    ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
    const size_t told = messages_.Count();
    Feed("200 1 5 ;\n201");
    cut_off();
    capture_.CloseBackupFile();
    Feed("]");  // a late end of the block finds nothing open
    EXPECT_EQ(ReadWholeFile(path), earlier) << "byte for byte as it was";
    EXPECT_EQ(ReadWholeFile(partial), "200 1 5 ;\r\n201");
    const auto messages = messages_.Messages();
    if (name == "exit") {
      EXPECT_EQ(messages.size(), told) << "Exit reports only a failed write";
      continue;
    }
    ASSERT_EQ(messages.size(), told + 1);
    EXPECT_EQ(messages.back().caption, kBackupIncompleteCaption);
    EXPECT_NE(messages.back().text.find(std::string(kBackupKeptText) + "\n\"" + partial + "\"\n"),
              std::string::npos)
        << messages.back().text;
  }
}

TEST_F(BackupReplace, AWholeBlockReplacesTheEarlierFileAndLeavesNothingBeside) {
  const std::string path = (dir_ / "station.spb").string();
  WriteWholeFile(path, "old ;\r\n");
  // What a backup cut off earlier left: the next one starts it afresh.
  WriteWholeFile(PartialBackupPath(path), "stale stale stale");
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  EXPECT_EQ(ReadWholeFile(path), "old ;\r\n") << "untouched while the block comes in";
  Feed("1 2 ;\n]");
  EXPECT_EQ(ReadWholeFile(path), "1 2 ;\r\n");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"station.spb"});
  EXPECT_EQ(messages_.Count(), 0u);

  // A second backup of the same file, started before the first block
  // ended, takes its ".partial" over, so the message sends nobody there.
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  Feed("3 ;");
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  Feed("4 ;]");
  EXPECT_EQ(ReadWholeFile(path), "4 ;");
  EXPECT_FALSE(std::filesystem::exists(PartialBackupPath(path)));
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text.find(kBackupKeptText), std::string::npos) << messages[0].text;
}

TEST_F(BackupReplace, AFileThatCannotBePutInPlaceIsReportedAndKeptAsPartial) {
  const std::string path = (dir_ / "blocked.spb").string();
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  Feed("1 2 ;\n");
  // Something else took the name while the block came in: a rename cannot
  // replace a directory on either system.
  std::filesystem::create_directory(path);
  WriteWholeFile(std::filesystem::path(path) / "inside", "x");
  Feed("]");
  EXPECT_FALSE(capture_.Capturing());
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kBackupIncompleteCaption);
  EXPECT_NE(messages[0].text.find("could not take the place"), std::string::npos);
  EXPECT_NE(messages[0].text.find(PathText(PartialBackupPath(path))), std::string::npos);
  EXPECT_EQ(Partial(path), "1 2 ;\r\n");
  EXPECT_EQ(ReadWholeFile(std::filesystem::path(path) / "inside"), "x");
}

TEST_F(BackupReplace, AChosenNameThatIsNoFileIsRefusedBeforeAnythingIsSent) {
  const std::string path = (dir_ / "folder.spb").string();
  std::filesystem::create_directory(path);
  EXPECT_FALSE(capture_.StartBackup(path, BackupCommand(1)));
  EXPECT_TRUE(queue_.IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(PartialBackupPath(path)));
  const auto messages = messages_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, kBackupFailedCaption);
  // A full queue refuses too, and leaves no ".partial" behind.
  const std::string queued = (dir_ / "queued.spb").string();
  const std::vector<uint8_t> filler(TransmitQueue::kMaxUnsent, 'k');
  ASSERT_EQ(queue_.EnqueueBytes(filler), EnqueueResult::kAppended);
  EXPECT_FALSE(capture_.StartBackup(queued, BackupCommand(1)));
  EXPECT_FALSE(std::filesystem::exists(PartialBackupPath(queued)));
  EXPECT_FALSE(std::filesystem::exists(queued));
}

TEST_F(BackupThreads, BackupsStartedWhileTheReceiverWritesNeverMeetOnAFile) {
  // The UI thread starts backup after backup while the receiver thread
  // writes a block that never ends. Every ";" that was counted must be in
  // exactly one of the files, and nothing may reach a closed file.
  // A jthread: stopped and joined even when an assertion ends the test.
  std::jthread receiver([&](std::stop_token stop) {
    while (!stop.stop_requested()) Feed("x;");
  });
  std::vector<std::string> paths;
  for (int i = 0; i < 40; ++i) {
    paths.push_back((dir_ / ("b" + std::to_string(i) + ".spb")).string());
    ASSERT_TRUE(capture_.StartBackup(paths.back(), BackupCommand(1)));
    // Let the receiver get some bytes in before the next switch.
    display_.WaitForTexts(display_.TextCount() + 3);
  }
  capture_.CloseBackupFile();
  receiver.request_stop();
  receiver.join();
  int64_t semicolons = 0;
  for (const auto& p : paths) {
    const std::string bytes = Partial(p);  // every block was cut off
    semicolons += std::count(bytes.begin(), bytes.end(), ';');
    EXPECT_EQ(bytes.find_first_not_of("x;"), std::string::npos);
    EXPECT_EQ(bytes.find(";;"), std::string::npos) << "no byte may go astray";
    EXPECT_EQ(bytes.find("xx"), std::string::npos) << "no byte may go astray";
  }
  EXPECT_GE(semicolons, 40 * 2);
  EXPECT_EQ(semicolons, counters_.ParametersReceived.load());
  EXPECT_EQ(messages_.Count(), 39u) << "each replaced backup is reported once";
}

TEST_F(BackupReplace, ALinkPlantedAsThePartialIsRemovedNeverWrittenThrough) {
  const std::filesystem::path other = dir_ / "other.txt";
  WriteWholeFile(other, "not a backup\r\n");
  const std::filesystem::path path = dir_ / "x.spb";
  std::error_code error;
  std::filesystem::create_symlink(other, PartialBackupPath(path), error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  Feed("1 2 ;\n]");
  EXPECT_EQ(ReadWholeFile(other), "not a backup\r\n");
  EXPECT_EQ(std::filesystem::symlink_status(path).type(), std::filesystem::file_type::regular);
  EXPECT_EQ(ReadWholeFile(path), "1 2 ;\r\n");
  EXPECT_EQ(messages_.Count(), 0u);
}

// Names in the Windows code page and outside it: each file is found on the
// disk under exactly its name, and the messages name it as it is.
TEST_F(BackupReplace, KeepsTheExactNameWhateverItsLetters) {
  for (const std::string name : {"Sicherung J\u00fcrgen.spb", "Param\u00e8tres.spb",
                                 "\u0394\u03bf\u03ba\u03b9\u03bc\u03ae.spb", "\u8a66\u9a13.spb"}) {
    SCOPED_TRACE(name);
    const std::filesystem::path path = dir_.Path() / PathFromText(name);
    ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
    Feed("1 2 ;\n");
    // A second backup cuts the first off: the message names both files.
    ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
    Feed("3 4 ;\n]");
    const auto messages = messages_.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().text.find(name + "\"\n"), std::string::npos) << messages.back().text;
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
      names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::filesystem::path>{PathFromText(name)});
    EXPECT_EQ(ReadWholeFile(path), "3 4 ;\r\n");
    std::filesystem::remove(path);
  }
}

}  // namespace
}  // namespace corvane
