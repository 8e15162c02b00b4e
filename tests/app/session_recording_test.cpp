// File > Record Session... and Stop Recording: the recording starts from
// the picture the window shows, and the caption says so while it runs.
#include "app/session_recording.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/menu_table.h"
#include "record/recorded_picture.h"
#include "screen/image_decoder.h"
#include "support/front_end_fakes.h"
#include "support/scratch_dir.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(SessionRecording, StartsFromTheShownPictureAndTheCaptionSaysSoUntilItStops) {
  testing::ScratchDir dir;
  testing::FakeChooser chooser;
  chooser.answers.push_back(FileChoice{dir / "night.cvr", "night.cvr"});
  testing::FakePictureView view;
  view.picture.assign(static_cast<size_t>(Surface::kWidth) * Surface::kHeight,
                      MakePixel(0, 0, 255));
  testing::FakeWindow window;
  RecordingCaption caption(window);
  caption.SetCaption("Corvane - COM3");
  testing::RecordingMessages messages;
  ByteStreamSinks sinks;
  testing::ManualScheduler scheduler;
  SessionRecording recording(sinks, messages, chooser, view, caption, scheduler,
                             [] { return "COM3"; });

  recording.RecordSession();
  ASSERT_TRUE(recording.Recording());
  ASSERT_EQ(chooser.asked.size(), 1u);
  EXPECT_EQ(chooser.asked[0].kind, FileKind::kRecording);
  EXPECT_EQ(chooser.asked[0].title, MenuTextOf(command_id::kRecordSession));
  EXPECT_EQ(window.captions.back(), "Corvane - COM3 - Recording");
  // A second one is refused with a word, and asks for no file.
  recording.RecordSession();
  EXPECT_EQ(chooser.asked.size(), 1u);
  EXPECT_EQ(messages.Count(), 1u);

  sinks.Publish(TrafficDirection::kReceived, Bytes("{B9C5}"));
  caption.SetCaption("Corvane - COM3 (reconnecting...)");
  EXPECT_EQ(window.captions.back(), "Corvane - COM3 (reconnecting...) - Recording");
  recording.StopRecording();
  EXPECT_FALSE(recording.Recording());
  EXPECT_EQ(window.captions.back(), "Corvane - COM3 (reconnecting...)");
  sinks.Publish(TrafficDirection::kReceived, Bytes("{D9}"));  // goes nowhere now

  std::vector<Pixel> expected = view.picture;
  ImageDecoder decoder;
  decoder.Begin(expected.data());
  decoder.Feed(Bytes("B9C5"));
  decoder.Finish();
  decoder.End();
  std::string error;
  auto reader = RecordingReader::Open(dir / "night.cvr", error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ(reader->Header().Field("link"), "COM3");
  RecordedPicture picture;
  ASSERT_EQ(PictureAt(*reader, UINT64_MAX, picture), PictureAtResult::kFound);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), picture.Pixels()));
  EXPECT_TRUE(reader->EndedCleanly());
}

TEST(SessionRecording, AFullDiskEndsTheRecordingAndItsCaption) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no device that is always full";
  testing::FakeChooser chooser;
  chooser.answers.push_back(FileChoice{"/dev/full", "full"});
  testing::FakePictureView view;
  testing::FakeWindow window;
  RecordingCaption caption(window);
  caption.SetCaption("Corvane - COM3");
  testing::RecordingMessages messages;
  testing::ManualScheduler scheduler;
  ByteStreamSinks sinks;
  SessionRecording recording(sinks, messages, chooser, view, caption, scheduler, {});
  recording.RecordSession();
  ASSERT_TRUE(recording.Recording());
  sinks.Publish(TrafficDirection::kReceived, Bytes("{B9}"));
  ASSERT_TRUE(messages.WaitForMessages(1));
  EXPECT_EQ(messages.Messages()[0].caption, "Recording Stopped");
  scheduler.Advance({});
  EXPECT_FALSE(recording.Recording());
  EXPECT_EQ(window.captions.back(), "Corvane - COM3");
}

}  // namespace
}  // namespace corvane
