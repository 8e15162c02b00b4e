#include <memory>
#include <string>

#include "cli/command_texts.h"
#include "cli/commands.h"
#include "files/path_text.h"
#include "record/recorded_picture.h"
#include "record/recording_reader.h"
#include "screen/png_file.h"

namespace corvane::cli {

namespace {

std::string SecondsText(std::chrono::microseconds time) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(time.count()) / 1e6);
  return text;
}

}  // namespace

ExitCode RunExport(const std::filesystem::path& recording, std::chrono::microseconds at,
                   const std::filesystem::path& file, Reporter& reporter) {
  if (!FolderExists(file)) {
    reporter.Error("corvane-cli: cannot write " + PathText(file) + ": no such folder");
    return ExitCode::kFileError;
  }
  std::string error;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(recording, error);
  if (!reader) {
    reporter.Error("corvane-cli: " + error);
    return ExitCode::kFileError;
  }
  RecordedPicture picture;
  switch (PictureAt(*reader, static_cast<uint64_t>(at.count()), picture)) {
    case PictureAtResult::kFound: break;
    case PictureAtResult::kNothingYet:
      reporter.Error("corvane-cli: " + PathText(recording) + " shows no screen image by " +
                     SecondsText(at));
      return ExitCode::kFileError;
    case PictureAtResult::kDamaged:
      reporter.Error("corvane-cli: " +
                     (reader->Damage() ? reader->Damage()->Message()
                                       : PathText(recording) + ": a key picture is damaged") +
                     "; the picture at " + SecondsText(at) + " cannot be rebuilt");
      return ExitCode::kFileError;
  }
  const std::span<const Pixel> pixels(picture.Pixels(),
                                      static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
  if (const std::error_code write_error =
          WritePngFile(file, pixels, Surface::kWidth, Surface::kHeight)) {
    reporter.Error("corvane-cli: cannot write " + PathText(file) + ": " + write_error.message());
    return ExitCode::kFileError;
  }
  reporter.Note("The picture of " + SecondsText(std::chrono::microseconds(picture.TimeUs())) +
                " saved to " + PathText(file));
  return ExitCode::kSuccess;
}

}  // namespace corvane::cli
