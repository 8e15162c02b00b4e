#include "clip/clip_export.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

#include "files/path_text.h"
#include "files/temporary_file.h"
#include "record/recorded_picture.h"
#include "record/recording_reader.h"

namespace corvane {

namespace {

std::string SecondsText(uint64_t time_us) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(time_us) / 1e6);
  return text;
}

// The clip while it is written: a file (or, for PNG frames, a folder)
// created new beside the final name, removed unless Keep renamed it over
// that name.
class ClipFile {
 public:
  ClipFile(std::filesystem::path final_path, bool folder)
      : final_path_(std::move(final_path)), folder_(folder) {}
  ~ClipFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!temporary_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(temporary_, ignored);
    }
  }
  ClipFile(const ClipFile&) = delete;
  ClipFile& operator=(const ClipFile&) = delete;

  bool Create(std::string& error) {
    std::error_code code;
    if (folder_) {
      if (!CreateTemporaryFolderBeside(final_path_, temporary_, code)) temporary_.clear();
    } else {
      file_ = CreateTemporaryBeside(final_path_, temporary_, code);
      if (file_ == nullptr) temporary_.clear();
    }
    if (temporary_.empty()) {
      error = "cannot create a file beside " + PathText(final_path_) + ": " + code.message();
    }
    return !temporary_.empty();
  }
  std::FILE* Stream() const { return file_; }
  const std::filesystem::path& TemporaryPath() const { return temporary_; }

  // Closes the whole file and gives it its name (a file replaces an
  // earlier one; a folder never replaces anything).
  bool Keep(std::string& error) {
    std::error_code code;
    if (file_ != nullptr) {
      errno = 0;
      const int closed = std::fclose(file_);
      file_ = nullptr;
      if (closed != 0) code = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
    }
    if (!code && folder_ && std::filesystem::exists(final_path_, code)) {
      code = std::make_error_code(std::errc::file_exists);
    }
    if (!code) std::filesystem::rename(temporary_, final_path_, code);
    if (code) {
      error = "cannot write " + PathText(final_path_) + ": " + code.message();
      return false;
    }
    temporary_.clear();
    return true;
  }

 private:
  const std::filesystem::path final_path_;
  const bool folder_;
  std::filesystem::path temporary_;
  std::FILE* file_ = nullptr;
};

}  // namespace

std::optional<ClipFormat> ClipFormatOf(const std::filesystem::path& file) {
  std::string extension = PathText(file.extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".mp4") return ClipFormat::kMp4;
  if (extension == ".gif") return ClipFormat::kGif;
  if (extension.empty()) return ClipFormat::kPngFrames;
  return std::nullopt;
}

ClipOutcome ExportClip(const ClipRequest& request, ClipSummary& summary, std::string& error) {
  summary = {};
  const uint64_t from = request.from_us;
  const uint64_t to = request.to_us;
  if (to <= from) {
    error =
        "the stretch ends (" + SecondsText(to) + ") before it starts (" + SecondsText(from) + ")";
    return ClipOutcome::kFailed;
  }
  // Declared first so that the encoder lets go of the file before it goes.
  const bool folder = request.format == ClipFormat::kPngFrames;
  // "clip/" is the folder "clip", its temporary one beside it, not in it.
  const std::filesystem::path target =
      request.file.has_filename() ? request.file : request.file.parent_path();
  ClipFile file(target, folder);
  if (folder && std::filesystem::exists(target)) {
    error = PathText(target) + " is there already: PNG frames go into a new folder";
    return ClipOutcome::kFailed;
  }
  const std::unique_ptr<ClipEncoder> encoder = CreateClipEncoder(request.format, error);
  if (!encoder) return ClipOutcome::kFailed;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(request.recording, error);
  if (!reader) return ClipOutcome::kFailed;
  const std::string name = PathText(request.recording);
  const std::string stretch = "from " + SecondsText(from) + " to " + SecondsText(to);
  if (!reader->SeekToKey(from)) {
    error = reader->Damage() ? reader->Damage()->Message() + "; no picture can be rebuilt"
                             : name + " shows no screen image";
    return ClipOutcome::kFailed;
  }

  bool started = false;
  StretchFrames frames(from, to, encoder->Timing());
  RecordedPicture picture;
  // The encoder starts with the first frame, once the stretch is known to
  // show a picture, so a stretch with none creates no file at all.
  const std::string clip_name = PathText(target);
  auto write = [&](const ClipFrame& frame) {
    if (!started) {
      if (!file.Create(error)) return false;
      if (!encoder->Begin(file.Stream(), file.TemporaryPath(), error)) {
        error = clip_name + ": " + error;
        return false;
      }
      started = true;
    }
    if (!encoder->AddFrame(picture.Pixels(), frame, error)) {
      error = clip_name + ": " + error;
      return false;
    }
    ++summary.frames;
    if (request.progress) request.progress(frame.start_us + frame.duration_us, frames.LengthUs());
    return true;
  };

  RecordedItem item;
  uint64_t last_time = 0;
  bool reached_end = false;
  while (reader->Next(item)) {
    if (item.time_us >= to) {
      reached_end = true;
      break;
    }
    last_time = item.time_us;
    if (item.type == RecordType::kImage && item.time_us > from && picture.HasPicture()) {
      if (request.cancelled && request.cancelled()) return ClipOutcome::kCancelled;
      if (const std::optional<ClipFrame> frame = frames.BeforeImage(item.time_us)) {
        if (!write(*frame)) return ClipOutcome::kFailed;
      }
    }
    if (!picture.Apply(item)) {
      error = name + ": damaged at byte " + std::to_string(item.offset) +
              ": a key picture that holds no picture";
      return ClipOutcome::kFailed;
    }
  }
  // A recording cut off while it was written ends with its last whole
  // record; other damage inside the stretch leaves its pictures unknown.
  if (!reached_end && reader->Damage() && !reader->Damage()->cut_off) {
    error = reader->Damage()->Message() + "; the stretch " + stretch + " cannot be rebuilt";
    return ClipOutcome::kFailed;
  }
  if (!picture.HasPicture()) {
    error = name + " shows no screen image " + stretch;
    return ClipOutcome::kFailed;
  }
  if (!reached_end && last_time <= from) {
    error = name + " ends at " + SecondsText(last_time) + ", before " + SecondsText(from);
    return ClipOutcome::kFailed;
  }
  const ClipFrame last = frames.Finish(reached_end ? to : last_time);
  if (!write(last)) return ClipOutcome::kFailed;
  if (!encoder->Finish(error)) {
    error = clip_name + ": " + error;
    return ClipOutcome::kFailed;
  }
  if (!file.Keep(error)) return ClipOutcome::kFailed;
  summary.length_us = last.start_us + last.duration_us;
  summary.ends_early = !reached_end;
  return ClipOutcome::kWritten;
}

}  // namespace corvane
