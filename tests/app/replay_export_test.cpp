// What Export Clip... refuses before and after its dialog, and the box that
// ends an export.
#include "app/replay_export.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr uint64_t kSecond = 1'000'000;

TEST(ReplayExport, AnEmptyStretchOrAFormatTheBuildCannotWriteIsRefused) {
  EXPECT_FALSE(ClipStretchRefusal({10 * kSecond, 11 * kSecond}));
  const std::optional<std::string> empty = ClipStretchRefusal({20 * kSecond, 20 * kSecond});
  ASSERT_TRUE(empty);
  EXPECT_NE(empty->find("0:00:20 to 0:00:20"), std::string::npos) << *empty;

  std::string refusal;
  // A folder's name, as a dialog may hand it back, is the folder.
  EXPECT_EQ(ChosenClipFormat("/clips/night/", refusal), ClipFormat::kPngFrames);
  EXPECT_FALSE(ChosenClipFormat("/clips/night.avi", refusal));
  EXPECT_NE(refusal.find("/clips/night.avi: a clip is "), std::string::npos) << refusal;
  // Video is taken, and offered in the dialog, exactly where the build
  // writes it; a folder of PNG frames everywhere.
  const bool video = ClipFormatWritable(ClipFormat::kMp4) && ClipFormatWritable(ClipFormat::kGif);
  EXPECT_EQ(ChosenClipFormat("/clips/n.MP4", refusal).has_value(), video);
  EXPECT_EQ(ChosenClipFormat("/clips/n.gif", refusal).has_value(), video);
  EXPECT_EQ(FiltersFor(FileKind::kClip).size(), video ? 3u : 1u);
  EXPECT_EQ(FiltersFor(FileKind::kClip).back().suffix, "");
}

TEST(ReplayExport, TheEndingBoxNamesTheClipAndOnAFailureWhy) {
  ClipSummary summary;
  summary.frames = 10;
  summary.length_us = 10 * kSecond;
  const OperatorMessage written =
      ClipExportMessage(ClipOutcome::kWritten, summary, "/clips/night.gif", "");
  EXPECT_EQ(written.icon, MessageIcon::kNone);
  EXPECT_EQ(written.text, "The clip (10 frames, 10.000 s) was saved to /clips/night.gif.");
  summary.ends_early = true;
  EXPECT_NE(ClipExportMessage(ClipOutcome::kWritten, summary, "/clips/night.gif", "")
                .text.find("ends before the stretch"),
            std::string::npos);
  const OperatorMessage failed =
      ClipExportMessage(ClipOutcome::kFailed, summary, "/clips/night/", "no space left on device");
  EXPECT_EQ(failed.icon, MessageIcon::kWarning);
  EXPECT_EQ(failed.text, "The clip cannot be written to /clips/night:\nno space left on device");
}

}  // namespace
}  // namespace corvane
