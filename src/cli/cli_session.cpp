#include "cli/cli_session.h"

#include <algorithm>
#include <span>

#include "link/network_address.h"
#include "params/param_messages.h"
#include "screen/kept_picture_display.h"

namespace corvane::cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at Ctrl+C and redraws the progress line when no
// worker has woken it.
constexpr auto kWakeInterval = std::chrono::milliseconds(200);
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
}  // namespace

// ---- the seams ----

class CliSession::Display : public KeptPictureDisplay {
 public:
  explicit Display(CliSession& session) : session_(session) {}
  void ShowStatusText(std::string_view) override { session_.NoteEvent(); }

 protected:
  void PictureKept(const Pixel* picture, const ChangedRegion&, int) override {
    session_.NotePicture(picture);
  }

 private:
  CliSession& session_;
};

class CliSession::Messages : public OperatorMessages {
 public:
  explicit Messages(CliSession& session) : session_(session) {}
  void Show(const OperatorMessage& message) override { session_.NoteMessage(message); }

 private:
  CliSession& session_;
};

CliSession::CliSession(SessionSettings settings, Reporter& reporter)
    : settings_(std::move(settings)),
      reporter_(reporter),
      display_(std::make_unique<Display>(*this)),
      message_seam_(std::make_unique<Messages>(*this)),
      records_(queue_, *display_, *message_seam_) {
  link_ = std::make_unique<SerialLink>(
      records_.context, [this](int) { NoteLinkLost(); }, settings_.device_directory);
  link_->Sinks().Add(*this);
}

CliSession::~CliSession() {
  Close();
  link_->ReleaseLink();
  // A capture the command left open (it never is, but an exception could)
  // must not pass for a whole backup.
  records_.capture.AbandonCapture(BackupCutOff::kLinkClosed);
}

void CliSession::NoteEvent() {
  {
    std::lock_guard lock(mutex_);
    ++events_;
  }
  event_.notify_all();
}

void CliSession::NotePicture(const Pixel* pixels) {
  {
    std::lock_guard lock(mutex_);
    ++pictures_;
    ++events_;
    if (picture_wanted_) {
      picture_.assign(pixels, pixels + static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
      picture_wanted_ = false;
    }
  }
  event_.notify_all();
}

void CliSession::NoteMessage(const OperatorMessage& message) {
  {
    std::lock_guard lock(mutex_);
    if (mute_messages_) return;
    messages_.push_back(message);
    ++events_;
  }
  reporter_.Error(message.caption + ": " + message.text);
  event_.notify_all();
}

void CliSession::NoteLinkLost() {
  {
    std::lock_guard lock(mutex_);
    link_lost_ = true;
    ++events_;
  }
  event_.notify_all();
}

void CliSession::OnTraffic(Clock::time_point, TrafficDirection direction,
                           std::span<const uint8_t> bytes) {
  (direction == TrafficDirection::kSent ? bytes_sent_ : bytes_received_)
      .fetch_add(bytes.size(), std::memory_order_relaxed);
}

int64_t CliSession::PicturesShown() const {
  std::lock_guard lock(mutex_);
  return pictures_;
}

bool CliSession::LinkWasLost() const {
  std::lock_guard lock(mutex_);
  return link_lost_;
}

bool CliSession::HadMessage(std::string_view caption) const {
  std::lock_guard lock(mutex_);
  return std::any_of(messages_.begin(), messages_.end(),
                     [&](const OperatorMessage& m) { return m.caption == caption; });
}

bool CliSession::Interrupted() const { return settings_.interrupted && settings_.interrupted(); }

std::string CliSession::LinkName() const {
  if (settings_.target.device.empty()) {
    const std::string com = "COM" + std::to_string(settings_.target.port);
    return link_->DevicePath().empty() ? com : com + " (" + link_->DevicePath() + ")";
  }
  return settings_.target.device;
}

ExitCode CliSession::Open() {
  const std::error_code error = settings_.target.device.empty()
                                    ? link_->OpenLink(settings_.target.port)
                                    : link_->OpenLinkDevice(settings_.target.device);
  if (!error) return ExitCode::kSuccess;
  std::string text = "corvane-cli: cannot open " + LinkName() + ": " + error.message();
  // A port held elsewhere reads as busy on Linux and as access denied on
  // Windows. A device server serves one client a line and hangs up on the
  // next.
  const bool network = IsNetworkAddress(settings_.target.device);
  if (network && error == std::errc::device_or_resource_busy) {
    text += ".\nThe device server's line is in use by another client.";
  } else if (!network && (error == std::errc::device_or_resource_busy ||
                          error == std::errc::permission_denied)) {
    text += ".\nThe port is in use by another program (Corvane, or another corvane-cli?).";
  }
  reporter_.Error(text);
  return ExitCode::kNotConnected;
}

void CliSession::Close() {
  const bool was_open = link_->IsOpen();
  link_->CloseLink();
  reporter_.EndProgress();
  if (!was_open) return;
  // A device server that leaves the opening's requests unanswered is worth
  // knowing of when a link misbehaves, but is no error: ser2net, for one,
  // never confirms DTR on some lines.
  const std::string unanswered = link_->UnansweredRequests();
  if (!unanswered.empty()) {
    reporter_.Note("Note: the device server at " + LinkName() + " did not answer: " + unanswered +
                   ".");
  }
}

void CliSession::SleepUnlessLost(Clock::time_point until) {
  std::unique_lock lock(mutex_);
  event_.wait_until(lock, until, [&] { return link_lost_; });
}

CliSession::WaitEnd CliSession::Await(const std::function<bool()>& done,
                                      const std::function<int64_t()>& progress,
                                      const std::function<std::string()>& progress_text) {
  int64_t last_progress = progress();
  Clock::time_point deadline = Clock::now() + settings_.timeout;
  Clock::time_point next_draw = Clock::now();
  for (;;) {
    uint64_t seen = 0;
    {
      std::lock_guard lock(mutex_);
      seen = events_;
    }
    // The records are asked outside mutex_: their own locks are taken by the
    // workers on the way into the seams, which take mutex_.
    if (done()) return WaitEnd::kDone;
    if (LinkWasLost()) return WaitEnd::kLinkLost;
    if (Interrupted()) return WaitEnd::kInterrupted;
    const Clock::time_point now = Clock::now();
    if (const int64_t p = progress(); p != last_progress) {
      last_progress = p;
      deadline = now + settings_.timeout;
    }
    if (now >= deadline) return WaitEnd::kTimedOut;
    if (progress_text && now >= next_draw) {
      reporter_.Progress(progress_text());
      next_draw = now + kProgressInterval;
    }
    std::unique_lock lock(mutex_);
    event_.wait_until(lock, std::min(deadline, now + kWakeInterval),
                      [&] { return events_ != seen; });
  }
}

ExitCode CliSession::ReportWaitEnd(WaitEnd end, const WaitWords& words) {
  switch (end) {
    case WaitEnd::kDone: return ExitCode::kSuccess;
    case WaitEnd::kTimedOut:
      reporter_.Error("corvane-cli: " + words.timed_out);
      return words.timed_out_status;
    case WaitEnd::kLinkLost:
      reporter_.Error("corvane-cli: the connection to " + LinkName() + " was lost");
      return words.begun ? ExitCode::kIncomplete : ExitCode::kNotConnected;
    case WaitEnd::kInterrupted:
      reporter_.Error("corvane-cli: interrupted; " + words.interrupted);
      return ExitCode::kIncomplete;
  }
  return ExitCode::kIncomplete;
}

void CliSession::MuteMessages() {
  std::lock_guard lock(mutex_);
  mute_messages_ = true;
}

void CliSession::KeepNextPicture() {
  std::lock_guard lock(mutex_);
  picture_wanted_ = true;
  picture_.clear();
}

bool CliSession::HasPicture() const {
  std::lock_guard lock(mutex_);
  return !picture_.empty();
}

}  // namespace corvane::cli
