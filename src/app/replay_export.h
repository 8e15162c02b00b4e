// File > Export Clip...: the stretch marked on the replay's timeline (the
// whole recording when none is) written as a clip, as corvane-cli's export
// writes one (clip/clip_export.h), on a thread of its own so that the
// window stays with the operator meanwhile. The caption says how far it is;
// a message box ends it, naming the clip and, on a failure, the reason.
//
// The export reads the recording's file by itself: Back to Live or another
// recording opened meanwhile do not disturb it. Exit cancels it, and a
// cancelled or failed export leaves no clip behind.
//
// Threads: the command, Running and Cancel on the UI thread; the export on
// its own thread, which only posts its progress and its end to the UI.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/front_end.h"
#include "app/replay_model.h"
#include "app/replay_session.h"
#include "clip/clip_export.h"
#include "link/operator_messages.h"

namespace corvane {

// Why the stretch cannot be exported, or none when it can.
std::optional<std::string> ClipStretchRefusal(ReplayStretch stretch);

// The format the name chosen in the save dialog asks for, when this build
// writes it; none, with the reason for the operator in `refusal`, when not.
std::optional<ClipFormat> ChosenClipFormat(const std::filesystem::path& file, std::string& refusal);

// The message box that ends an export into `file`.
OperatorMessage ClipExportMessage(ClipOutcome outcome, const ClipSummary& summary,
                                  const std::filesystem::path& file, const std::string& error);

struct ReplayExportParts {
  const ReplaySession& replay;
  FileChooser& chooser;
  OperatorMessages& messages;
  ReplayCaption& caption;
  UiScheduler& scheduler;
};

class ReplayExport {
 public:
  explicit ReplayExport(ReplayExportParts parts) : parts_(parts) {}
  ~ReplayExport() { Cancel(); }
  ReplayExport(const ReplayExport&) = delete;
  ReplayExport& operator=(const ReplayExport&) = delete;

  // File > Export Clip...: asks for the clip's name and starts writing it.
  // Refused with a message while no recording is shown, while the marked
  // stretch is empty and while another export runs.
  void ExportClip();
  bool Running() const { return thread_.joinable(); }
  // Ends a running export at its next image, leaving no clip, and waits
  // for its thread. No message follows.
  void Cancel();

 private:
  void Run(ClipRequest request, uint64_t generation);
  void Finished(uint64_t generation, ClipOutcome outcome, const ClipSummary& summary,
                const std::string& error);
  void Tell(std::string text);

  ReplayExportParts parts_;
  std::thread thread_;
  std::atomic<bool> cancelled_{false};
  std::filesystem::path file_;  // the clip being written; UI thread
  // Posts of an export since cancelled find another generation.
  uint64_t generation_ = 0;
  // Tasks posted by the export look at it: they find nothing to do once
  // this is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace corvane
