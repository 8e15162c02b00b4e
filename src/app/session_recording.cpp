#include "app/session_recording.h"

#include <vector>

#include "app/captions.h"
#include "app/menu_table.h"
#include "files/path_text.h"

namespace corvane {

namespace {

constexpr std::string_view kDefaultRecordingName = "Corvane Session";

}  // namespace

void RecordingCaption::SetCaption(const std::string& caption) {
  caption_ = caption;
  window_.SetCaption(recording_ ? RecordingCaptionText(caption) : caption);
}

void RecordingCaption::SetRecording(bool recording) {
  recording_ = recording;
  window_.SetCaption(recording_ ? RecordingCaptionText(caption_) : caption_);
}

SessionRecording::SessionRecording(ByteStreamSinks& sinks, OperatorMessages& messages,
                                   FileChooser& chooser, PictureView& picture,
                                   RecordingCaption& caption, UiScheduler& scheduler,
                                   std::function<std::string()> link_name)
    : sinks_(sinks),
      messages_(messages),
      chooser_(chooser),
      picture_(picture),
      caption_(caption),
      scheduler_(scheduler),
      link_name_(std::move(link_name)) {}

SessionRecording::~SessionRecording() { StopRecording(); }

void SessionRecording::RecordSession() {
  if (recorder_) {
    messages_.Show({std::string(kWindowTitle),
                    "A recording is running already, into " + PathText(recorder_->CurrentFile()) +
                        ".\n\nChoose Stop Recording before you start another one.",
                    MessageIcon::kNone});
    return;
  }
  const std::optional<FileChoice> choice = chooser_.ChooseSaveFile(
      {MenuTextOf(command_id::kRecordSession), kDefaultRecordingName, FileKind::kRecording});
  if (!choice) return;
  RecordingSettings settings;
  settings.file = choice->path;
  settings.link_name = link_name_ ? link_name_() : std::string();
  // The images that come draw on what the window shows now.
  std::vector<Pixel> shown;
  const bool has_picture = picture_.CopyShownPicture(shown) &&
                           shown.size() == static_cast<size_t>(Surface::kWidth) * Surface::kHeight;
  std::unique_ptr<SessionRecorder> recorder =
      SessionRecorder::Create(settings, &messages_, has_picture ? shown.data() : nullptr);
  // The writer found the disk full: the caption stops saying Recording.
  recorder->OnFailure([this, alive = std::weak_ptr<int>(alive_), failed = recorder.get()] {
    scheduler_.Post([this, alive, failed] {
      if (alive.lock() && recorder_.get() == failed) StopRecording();
    });
  });
  if (const std::error_code error = recorder->Begin()) {
    messages_.Show(
        {std::string(kWindowTitle),
         "The recording cannot be written to " + PathText(choice->path) + ":\n" + error.message(),
         MessageIcon::kWarning});
    return;
  }
  recorder_ = std::move(recorder);
  sink_ = std::make_unique<ScopedSink>(sinks_, *recorder_);
  caption_.SetRecording(true);
}

void SessionRecording::StopRecording() {
  if (!recorder_) return;
  sink_.reset();
  // A failure has been told by the recorder itself, as it happened.
  recorder_->Stop();
  recorder_.reset();
  caption_.SetRecording(false);
}

}  // namespace corvane
