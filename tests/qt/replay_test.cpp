// File > Open Recording... in the whole program, beside a live link on a
// pseudo-terminal: the window shows the decoder's picture of a seeked
// time, keys go nowhere while replaying, Back to Live shows the controller
// again, and a damaged or foreign file is named with where it is wrong;
// the stretch marked on the bar is exported as a clip.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <utility>

#include "app/menu_table.h"
#include "qt/qt_program.h"
#include "qt/replay_bar.h"
#include "qt/screen_view.h"
#include "qt/settings_store.h"
#include "record/recorded_picture.h"
#include "record/recording_writer.h"
#include "support/device_directory.h"
#include "support/front_end_fakes.h"
#include "support/pty_pair.h"
#include "support/stepped_recording.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

using testing::PtyPair;

constexpr uint64_t kSecond = 1'000'000;

std::filesystem::path WriteRecording(const std::filesystem::path& file, int images) {
  testing::WriteSteppedRecording(file, images, int64_t{1796690710} * 1'000'000);
  return file;
}

class ReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line_.Ok());
    QSettings(kSettingsOrganisation, kSettingsApplication).remove("Zoom");
    ASSERT_TRUE(dir_.MapPort(5, line_.SlavePath()));
    testing::WriteWholeFile(dir_.Path() / "config.dpm", "COM Port=5\r\n");
    program_ = std::make_unique<QtProgram>(
        QtProgramOptions{dir_.Path(), &chooser_, &port_dialog_, &messages_});
    ASSERT_TRUE(program_->Start());
    line_.ReadUntil("<1>");
  }
  ReplaySession& Replay() { return program_->App().Replay(); }
  void Open(const std::filesystem::path& file) {
    chooser_.answers.push_back(FileChoice{file, file.filename().string()});
    program_->Window().ActionFor(command_id::kOpenRecording)->trigger();
  }
  // The window after the player has shown the picture of `time_us`.
  QImage SeekAndWait(uint64_t time_us) {
    Replay().Seek(time_us);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Replay().ShownTime() == time_us; }, 10000));
    QTest::qWait(0);
    return program_->View().Picture();
  }

  testing::DeviceDirectory dir_;
  PtyPair line_;
  testing::FakeChooser chooser_;
  testing::FakePortDialog port_dialog_;
  testing::RecordingMessages messages_;
  std::unique_ptr<QtProgram> program_;
};

TEST_F(ReplayTest, ShowsTheDecodersPictureOfASeekedTimeAndHoldsTheKeys) {
  const std::filesystem::path file = WriteRecording(dir_.Path() / "night.cvr", 40);
  line_.Write("{B9B9B9B9B9B9B9B9B9B9}");  // the controller's own picture: red rows
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return program_->View().Picture().pixel(100, 8) == qRgb(255, 0, 0); }, 10000));
  Open(file);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Replay().Model().Length() == 39 * kSecond; }, 10000));
  EXPECT_FALSE(program_->Window().Replay()->isHidden());
  EXPECT_EQ(program_->Window().windowTitle(), "Corvane - COM5 - Replay of night.cvr");

  std::string error;
  auto reader = RecordingReader::Open(file, error);
  ASSERT_TRUE(reader) << error;
  // Backwards as well as forwards, between images and on one.
  for (uint64_t time_us : {uint64_t{27'500'000}, uint64_t{3 * kSecond}, uint64_t{39 * kSecond}}) {
    SCOPED_TRACE(time_us);
    RecordedPicture expected;
    ASSERT_EQ(PictureAt(*reader, time_us, expected), PictureAtResult::kFound);
    const QImage shown = SeekAndWait(time_us);
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(0, std::memcmp(shown.constBits(), expected.Pixels(),
                             static_cast<size_t>(Surface::kWidth) * Surface::kHeight * 4));
  }
  EXPECT_TRUE(program_->Window().Replay()->RecordedTime()->text().endsWith("local time"));

  // F3 while replaying goes nowhere; F4 after Back to Live reaches the
  // controller, with nothing before it. The controller's picture is back.
  program_->View().setFocus();
  QTest::keyClick(&program_->View(), Qt::Key_F3);
  QTest::mouseClick(&program_->View(), Qt::LeftButton, Qt::NoModifier, QPoint(160, 50));
  program_->Window().ActionFor(command_id::kBackToLive)->trigger();
  EXPECT_FALSE(Replay().Replaying());
  EXPECT_EQ(program_->Window().windowTitle(), "Corvane - COM5");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return program_->View().Picture().pixel(100, 8) == qRgb(255, 0, 0); }, 10000));
  QTest::keyClick(&program_->View(), Qt::Key_F4);
  const std::string sent = line_.ReadUntil("s");
  EXPECT_EQ(sent.find('r'), std::string::npos) << sent;
  EXPECT_EQ(sent.find('\x8c'), std::string::npos) << sent;
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(ReplayTest, ADamagedOrForeignFileIsNamedWithWhereItIsWrong) {
  const std::filesystem::path foreign = dir_.Path() / "notes.cvr";
  testing::WriteWholeFile(foreign, "just some text\n");
  Open(foreign);
  ASSERT_TRUE(QTest::qWaitFor([&] { return messages_.Count() == 1; }, 10000));
  EXPECT_NE(messages_.Messages().back().text.find("notes.cvr: not a Corvane recording"),
            std::string::npos);
  EXPECT_FALSE(Replay().Replaying());

  // A record's frame spoilt a few images in: replayed up to there.
  const std::filesystem::path file = WriteRecording(dir_.Path() / "spoilt.cvr", 12);
  std::string bytes = testing::ReadWholeFile(file);
  std::string error;
  uint64_t spoilt = 0;
  {
    auto reader = RecordingReader::Open(file, error);
    RecordedItem item;
    while (reader->Next(item) && item.time_us < 6 * kSecond) spoilt = item.offset;
  }
  bytes[spoilt + 2] = 1;  // a reserved byte
  testing::WriteWholeFile(file, bytes);
  Open(file);
  ASSERT_TRUE(QTest::qWaitFor([&] { return messages_.Count() == 2; }, 10000));
  EXPECT_NE(messages_.Messages().back().text.find("spoilt.cvr: damaged at byte " +
                                                  std::to_string(spoilt)),
            std::string::npos)
      << messages_.Messages().back().text;
  EXPECT_TRUE(Replay().Replaying());
  EXPECT_LT(Replay().Model().Length(), 6 * kSecond);
}

// ffprobe's frame count and length of a clip, as "frames seconds".
std::pair<int, double> Probe(const std::filesystem::path& clip) {
  std::FILE* pipe = popen((std::string(CORVANE_FFPROBE_PATH) +
                           " -v error -count_frames -show_entries stream=nb_read_frames:format="
                           "duration -of csv=p=0 '" +
                           clip.string() + "'")
                              .c_str(),
                          "r");
  std::pair<int, double> probed{-1, -1};
  if (pipe == nullptr) return probed;
  if (std::fscanf(pipe, "%d %lf", &probed.first, &probed.second) != 2) probed = {-1, -1};
  pclose(pipe);
  return probed;
}

TEST_F(ReplayTest, TheMarkedStretchIsExportedOffTheWindowAndBackToLiveIsGreyWhileLive) {
  ASSERT_TRUE(std::filesystem::exists(CORVANE_FFPROBE_PATH)) << "ffprobe (Debian's ffmpeg)";
  MainWindow& window = program_->Window();
  QAction* live = window.ActionFor(command_id::kBackToLive);
  QAction* export_clip = window.ActionFor(command_id::kExportClip);
  EXPECT_FALSE(live->isEnabled());
  EXPECT_FALSE(export_clip->isEnabled());

  Open(WriteRecording(dir_.Path() / "night.cvr", 40));
  ASSERT_TRUE(QTest::qWaitFor([&] { return export_clip->isEnabled(); }, 10000));
  EXPECT_TRUE(live->isEnabled());
  SeekAndWait(10 * kSecond);
  window.Replay()->ButtonFor(command_id::kReplayMarkStart)->click();
  SeekAndWait(20 * kSecond);
  window.Replay()->ButtonFor(command_id::kReplayMarkEnd)->click();
  EXPECT_EQ(window.Replay()->findChild<QLabel*>("ReplayStretch")->text(),
            "Clip 0:00:10 to 0:00:20");

  const std::filesystem::path clip = dir_.Path() / "night.gif";
  chooser_.answers.push_back(FileChoice{clip, "night.gif"});
  export_clip->trigger();
  ASSERT_EQ(chooser_.asked.back().kind, FileKind::kClip);
  ASSERT_TRUE(QTest::qWaitFor([&] { return messages_.Count() == 1; }, 30000));
  EXPECT_EQ(messages_.Messages().back().text,
            "The clip (10 frames, 10.000 s) was saved to " + clip.string() + ".");
  EXPECT_EQ(window.windowTitle(), "Corvane - COM5 - Replay of night.cvr");
  // One frame a second from 10 s to 20 s: the stretch, not the 39 s recorded.
  const auto [frames, seconds] = Probe(clip);
  EXPECT_EQ(frames, 10);
  EXPECT_NEAR(seconds, 10.0, 0.0015);

  // Into a folder that is not there: the box names the clip and why.
  const std::filesystem::path lost = dir_.Path() / "gone" / "night.mp4";
  chooser_.answers.push_back(FileChoice{lost, "night.mp4"});
  export_clip->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return messages_.Count() == 2; }, 30000));
  EXPECT_EQ(messages_.Messages().back().text.rfind(
                "The clip cannot be written to " + lost.string() + ":\n", 0),
            0u)
      << messages_.Messages().back().text;
  EXPECT_FALSE(std::filesystem::exists(lost.parent_path()));

  live->trigger();
  EXPECT_FALSE(live->isEnabled());
  EXPECT_FALSE(export_clip->isEnabled());
}

}  // namespace
}  // namespace corvane
