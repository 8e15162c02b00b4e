#include "app/replay_export.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "app/captions.h"
#include "app/menu_table.h"
#include "files/path_text.h"

namespace corvane {

namespace {

constexpr ClipFormat kClipFormats[] = {ClipFormat::kMp4, ClipFormat::kGif, ClipFormat::kPngFrames};

FileFilter ClipFilter(ClipFormat format) {
  switch (format) {
    case ClipFormat::kMp4: return {"MP4 Video (*.mp4)", "*.mp4", "mp4"};
    case ClipFormat::kGif: return {"Animated GIF (*.gif)", "*.gif", "gif"};
    case ClipFormat::kPngFrames: break;
  }
  return FilterFor(FileKind::kClip);
}

std::string ClipFormatName(ClipFormat format) {
  switch (format) {
    case ClipFormat::kMp4: return "an .mp4";
    case ClipFormat::kGif: return "a .gif";
    case ClipFormat::kPngFrames: break;
  }
  return "a new folder of PNG frames (a name without an extension)";
}

// "an .mp4, a .gif or a new folder ...": what this build writes.
std::string WritableFormatsText() {
  std::vector<std::string> names;
  for (const ClipFormat format : kClipFormats) {
    if (ClipFormatWritable(format)) names.push_back(ClipFormatName(format));
  }
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}

std::string SecondsText(uint64_t time_us) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(time_us) / 1e6);
  return text;
}

// "clip/" is the folder "clip", as the dialog may hand it back.
std::filesystem::path ClipPath(const std::filesystem::path& file) {
  return file.has_filename() ? file : file.parent_path();
}

}  // namespace

std::vector<FileFilter> FiltersFor(FileKind kind) {
  if (kind != FileKind::kClip) return {FilterFor(kind)};
  std::vector<FileFilter> filters;
  for (const ClipFormat format : kClipFormats) {
    if (ClipFormatWritable(format)) filters.push_back(ClipFilter(format));
  }
  return filters;
}

std::optional<std::string> ClipStretchRefusal(ReplayStretch stretch) {
  if (stretch.to_us > stretch.from_us) return std::nullopt;
  return "The marked stretch is empty (" + ReplayStretchText(stretch) +
         "): mark its start, then its end further on, on the replay's timeline.";
}

std::optional<ClipFormat> ChosenClipFormat(const std::filesystem::path& file,
                                           std::string& refusal) {
  const std::filesystem::path clip = ClipPath(file);
  const std::optional<ClipFormat> format = ClipFormatOf(clip);
  if (format && ClipFormatWritable(*format)) return format;
  refusal = PathText(clip) + ": a clip is " + WritableFormatsText() + ".";
  return std::nullopt;
}

OperatorMessage ClipExportMessage(ClipOutcome outcome, const ClipSummary& summary,
                                  const std::filesystem::path& file, const std::string& error) {
  const std::string name = PathText(ClipPath(file));
  switch (outcome) {
    case ClipOutcome::kWritten: {
      std::string text = "The clip (" + std::to_string(summary.frames) + " frames, " +
                         SecondsText(summary.length_us) + ") was saved to " + name + ".";
      if (summary.ends_early)
        text += "\n\nThe recording ends before the stretch: the clip stops with it.";
      return {std::string(kWindowTitle), text, MessageIcon::kNone};
    }
    case ClipOutcome::kCancelled:
      return {std::string(kWindowTitle),
              "The export was stopped; no clip was written to " + name + ".", MessageIcon::kNone};
    case ClipOutcome::kFailed: break;
  }
  return {std::string(kWindowTitle), "The clip cannot be written to " + name + ":\n" + error,
          MessageIcon::kWarning};
}

void ReplayExport::Tell(std::string text) {
  parts_.messages.Show({std::string(kWindowTitle), std::move(text), MessageIcon::kWarning});
}

void ReplayExport::ExportClip() {
  if (!parts_.replay.RecordingShown()) {
    Tell(
        "Export Clip writes a stretch of the recording the window shows: open one first with "
        "Open Recording...");
    return;
  }
  if (Running()) {
    Tell("A clip is being written to " + PathText(file_) +
         " already.\n\nExport Clip again once it is done.");
    return;
  }
  // The stretch and the file as they are now: the operator may go on
  // marking, or open another recording, while the clip is written.
  const ReplayStretch stretch = parts_.replay.Model().Stretch();
  if (const std::optional<std::string> refusal = ClipStretchRefusal(stretch)) {
    Tell(*refusal);
    return;
  }
  const std::filesystem::path recording = parts_.replay.File();
  const std::string default_name = PathText(recording.stem());
  const std::optional<FileChoice> choice = parts_.chooser.ChooseSaveFile(
      {MenuTextOf(command_id::kExportClip), default_name, FileKind::kClip});
  if (!choice) return;
  std::string refusal;
  const std::optional<ClipFormat> format = ChosenClipFormat(choice->path, refusal);
  if (!format) {
    Tell(refusal);
    return;
  }
  ClipRequest request;
  request.recording = recording;
  request.from_us = stretch.from_us;
  request.to_us = stretch.to_us;
  request.file = ClipPath(choice->path);
  request.format = *format;
  file_ = request.file;
  cancelled_ = false;
  parts_.caption.SetExportProgress(0);
  const uint64_t generation = ++generation_;
  thread_ = std::thread(&ReplayExport::Run, this, std::move(request), generation);
}

void ReplayExport::Run(ClipRequest request, uint64_t generation) {
  const auto post = [this, alive = std::weak_ptr<int>(alive_), generation](auto task) {
    parts_.scheduler.Post([this, alive, generation, task = std::move(task)] {
      if (alive.lock() && generation == generation_) task();
    });
  };
  request.cancelled = [this] { return cancelled_.load(); };
  int shown_percent = 0;
  request.progress = [&](uint64_t done_us, uint64_t length_us) {
    const int percent = static_cast<int>(done_us * 100 / (length_us > 0 ? length_us : 1));
    if (percent == shown_percent) return;
    shown_percent = percent;
    post([this, percent] { parts_.caption.SetExportProgress(percent); });
  };
  ClipSummary summary;
  std::string error;
  const ClipOutcome outcome = corvane::ExportClip(request, summary, error);
  // The last thing this thread does: the UI joins it when this runs.
  post([this, generation, outcome, summary, error = std::move(error)] {
    Finished(generation, outcome, summary, error);
  });
}

void ReplayExport::Finished(uint64_t generation, ClipOutcome outcome, const ClipSummary& summary,
                            const std::string& error) {
  if (generation != generation_ || !thread_.joinable()) return;
  thread_.join();
  parts_.caption.SetExportProgress(std::nullopt);
  parts_.messages.Show(ClipExportMessage(outcome, summary, file_, error));
}

void ReplayExport::Cancel() {
  if (!thread_.joinable()) return;
  cancelled_ = true;
  thread_.join();
  // What the thread posted since finds another generation. The caption
  // keeps its note: Cancel ends the program's export as the window goes.
  ++generation_;
}

}  // namespace corvane
