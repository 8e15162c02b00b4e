// File > Record Session... and Stop Recording: the window's recording of
// what the controller showed (record/session_recorder.h), and the caption
// that says so for as long as it runs.
//
// The recording starts from the picture the window shows, so it reads
// right from its first image, and it is a sink of the link's byte stream,
// so it goes on across a lost and reconnected link. It never stops the
// mirror: a failed write stops the recording with its own message.
//
// Threads: UI thread, but for the recorder's sink calls and its message,
// which come from the link's workers and the recorder's writer.
#pragma once

#include <memory>
#include <string>

#include "app/front_end.h"
#include "link/byte_stream.h"
#include "link/operator_messages.h"
#include "record/session_recorder.h"

namespace corvane {

// Stands between the core and the window's caption: every caption set
// while a recording runs says so.
class RecordingCaption : public WindowControl {
 public:
  explicit RecordingCaption(WindowControl& window) : window_(window) {}

  void ShowWindow() override { window_.ShowWindow(); }
  void SetCaption(const std::string& caption) override;
  void ShowAbout(const std::string& details) override { window_.ShowAbout(details); }
  void CloseWindow() override { window_.CloseWindow(); }

  void SetRecording(bool recording);

 private:
  WindowControl& window_;
  std::string caption_;  // the last one set, without the note
  bool recording_ = false;
};

class SessionRecording {
 public:
  SessionRecording(ByteStreamSinks& sinks, OperatorMessages& messages, FileChooser& chooser,
                   PictureView& picture, RecordingCaption& caption, UiScheduler& scheduler,
                   std::function<std::string()> link_name);
  ~SessionRecording();
  SessionRecording(const SessionRecording&) = delete;
  SessionRecording& operator=(const SessionRecording&) = delete;

  // Asks for the file and starts recording into it. While one runs, the
  // operator is told where it goes instead.
  void RecordSession();
  // Ends the recording, its file whole. Nothing while none runs. A
  // recording that a failed write stopped ends so by itself, its caption
  // with it.
  void StopRecording();
  bool Recording() const { return recorder_ != nullptr; }

 private:
  ByteStreamSinks& sinks_;
  OperatorMessages& messages_;
  FileChooser& chooser_;
  PictureView& picture_;
  RecordingCaption& caption_;
  UiScheduler& scheduler_;
  std::function<std::string()> link_name_;
  // Tasks posted by the recorder's writer look at it: they find nothing to
  // do once this is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::unique_ptr<SessionRecorder> recorder_;
  std::unique_ptr<ScopedSink> sink_;  // removed before the recorder stops
};

}  // namespace corvane
