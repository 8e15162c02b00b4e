#include "app/program.h"

#include "app/captions.h"
#include "app/connection_message.h"
#include "app/menu_table.h"
#include "app/network_port_entry.h"

namespace corvane {

// A device server's address is opened on the link's opener thread, which
// may spend up to the connect limit on a server that does not answer; its
// result comes back through the scheduler. Each open and each release
// starts a new series, so a result that arrives after either is told as
// cancelled, never as the link's state.
class Program::LinkAdapter : public LinkControl {
 public:
  LinkAdapter(SerialLink& link, const PortSetting& port, UiScheduler& scheduler)
      : link_(link), port_(port), scheduler_(scheduler) {}
  void OpenLink(Opened opened) override {
    // Its result is not looked at: an open that finds the close signal
    // missing prepares it itself.
    link_.PrepareLinkEvents();
    opened_address_ = port_.NetworkAddress();
    const uint64_t series = ++series_;
    if (opened_address_.empty()) {
      opening_ = false;
      opened(link_.OpenLink(port_.Port()));
      return;
    }
    opening_ = true;
    // On the opener thread: only the scheduler is touched there.
    link_.BeginOpenLinkDevice(opened_address_, [this, series, opened](std::error_code result) {
      scheduler_.Post([this, series, opened, result] { Answer(series, opened, result); });
    });
  }
  void ReleaseLink() override {
    ++series_;
    opening_ = false;
    link_.ReleaseLink();
  }
  bool LinkUp() const override { return link_.IsConnected(); }
  bool Opening() const override { return opening_; }
  // UI thread: the device server's address the last open was for; empty
  // when it was for a COM port.
  const std::string& OpenedAddress() const { return opened_address_; }

 private:
  void Answer(uint64_t series, const Opened& opened, std::error_code result) {
    if (series != series_) {
      opened(MakeErrorCode(NetworkError::kCancelled));
      return;
    }
    opening_ = false;
    // Opened, then closed or lost before the UI heard of it: a loss says so
    // itself, and a close was someone's choice.
    if (!result && !link_.IsConnected()) result = MakeErrorCode(NetworkError::kCancelled);
    opened(result);
  }

  SerialLink& link_;
  const PortSetting& port_;
  UiScheduler& scheduler_;
  std::string opened_address_;
  uint64_t series_ = 0;   // UI thread
  bool opening_ = false;  // UI thread
};

class Program::PortAdapter : public PortSetting {
 public:
  PortAdapter(AppConfig& config, std::filesystem::path base)
      : config_(config), base_(std::move(base)) {}
  int Port() const override { return config_.ComPort(); }
  void SetPort(int port) override { config_.SetComPort(port); }
  std::string NetworkAddress() const override { return address_; }
  void SetNetworkAddress(std::string address) override { address_ = std::move(address); }
  std::error_code Save() override { return WriteConfig(config_, base_); }
  std::filesystem::path FilePath() const override { return base_ / kConfigFileName; }

 private:
  AppConfig& config_;
  const std::filesystem::path base_;
  std::string address_;
};

Program::Program(std::filesystem::path base_directory, std::chrono::milliseconds quiet_time)
    : base_directory_(std::move(base_directory)),
      config_read_(ReadConfig(config_, base_directory_)),
      quiet_time_(quiet_time),
      keypad_(queue_) {}

Program::~Program() {
  // The workers draw into the view and write the capture: they end first.
  Shutdown();
}

void Program::Attach(const FrontEnd& front) {
  front_.emplace(front);
  OperatorMessages& messages = front.messages;
  display_switch_ = std::make_unique<DisplaySwitch>(front.display);
  records_ = std::make_unique<ReceiverRecords>(queue_, *display_switch_, messages,
                                               ReceiverOptions{quiet_time_, {}});
  // On the worker that found the device gone: a COM port's box is shown at
  // once (the seam takes any thread), the tries to reconnect start on the
  // UI thread. A device server's link has no port number (0): which
  // address it was on is the UI thread's to say, so its box comes from
  // there.
  link_ = std::make_unique<SerialLink>(
      records_->context,
      [this](int port_number) {
        if (port_number != 0) front_->messages.Show(ConnectionLostMessage(port_number));
        front_->scheduler.Post([this, port_number] {
          if (shut_down_) return;
          const std::string address = link_control_->OpenedAddress();
          if (port_number == 0) front_->messages.Show(NetworkConnectionLostMessage(address));
          reconnector_->LinkLost(port_number, address);
        });
      },
      base_directory_);
  port_setting_ = std::make_unique<PortAdapter>(config_, base_directory_);
  // A device server's address the operator chose in an earlier run wins
  // over config.dpm's COM port, which stays as it is for a return to it.
  if (const std::optional<std::string> address =
          UsableNetworkAddress(front.settings.ReadSetting(kNetworkPortSettingKey))) {
    port_setting_->SetNetworkAddress(*address);
  }
  link_control_ = std::make_unique<LinkAdapter>(*link_, *port_setting_, front.scheduler);
  replay_caption_ = std::make_unique<ReplayCaption>(front.window);
  caption_ = std::make_unique<RecordingCaption>(*replay_caption_);
  recording_ = std::make_unique<SessionRecording>(
      link_->Sinks(), messages, front.chooser, front.picture, *caption_, front.scheduler, [this] {
        const std::string address = port_setting_->NetworkAddress();
        return address.empty() ? "COM" + std::to_string(config_.ComPort())
                               : NetworkAddressName(address);
      });
  reconnector_ =
      std::make_unique<Reconnector>(*link_control_, *port_setting_, *caption_, front.scheduler);
  dispatch_ = std::make_unique<CommandDispatch>(CommandParts{
      records_->counters,
      records_->capture,
      records_->restore,
      messages,
      *link_control_,
      *port_setting_,
      front.chooser,
      front.port_dialog,
      *caption_,
      front.picture,
      front.clipboard,
      front.settings,
      {},
      [this] { return RerequestsText(records_->watchdog.Rerequests()); },
      {},
      [this](bool on) { records_->drawing.while_receiving.store(on, std::memory_order_relaxed); },
      [this] {
        // A recording starts from the picture on the window, which must be
        // the controller's.
        if (replay_->Replaying()) {
          front_->messages.Show({std::string(kWindowTitle),
                                 "Choose Back to Live before you start a recording.",
                                 MessageIcon::kNone});
          return;
        }
        recording_->RecordSession();
      },
      [this] { recording_->StopRecording(); }});
  replay_ = std::make_unique<ReplaySession>(ReplayParts{
      *display_switch_, keypad_, front.chooser, messages, *replay_caption_, front.scheduler});
  export_ = std::make_unique<ReplayExport>(
      ReplayExportParts{*replay_, front.chooser, messages, *replay_caption_, front.scheduler});
  using namespace command_id;
  dispatch_->Add(kOpenRecording, [this] { replay_->OpenRecording(); });
  dispatch_->Add(kBackToLive, [this] { replay_->BackToLive(); });
  dispatch_->Add(kReplayPlayPause, [this] { replay_->PlayPause(); });
  dispatch_->Add(kReplaySpeed1, [this] { replay_->SetSpeed(1); });
  dispatch_->Add(kReplaySpeed10, [this] { replay_->SetSpeed(10); });
  dispatch_->Add(kReplaySpeed100, [this] { replay_->SetSpeed(100); });
  dispatch_->Add(kReplayMarkStart, [this] { replay_->MarkStart(); });
  dispatch_->Add(kReplayMarkEnd, [this] { replay_->MarkEnd(); });
  dispatch_->Add(kExportClip, [this] { export_->ExportClip(); });
}

bool Program::Start() {
  // The window opens at the zoom it was left at.
  dispatch_->RestoreZoom();
  dispatch_->RestoreDrawWhileReceiving();
  front_->window.ShowWindow();
  const std::string address = port_setting_->NetworkAddress();
  // A COM port answers within the call; a device server after it, while
  // the window is already up.
  const auto failed_now = std::make_shared<bool>(false);
  link_control_->OpenLink([this, address, failed_now](std::error_code failed) {
    *failed_now = static_cast<bool>(failed);
    if (!failed) {
      caption_->SetCaption(LinkCaption(config_.ComPort(), address));
    } else if (!OpenCancelled(failed)) {
      ShowLinkOpenFailed(front_->messages, address, failed);
    }
  });
  return !*failed_now;
}

void Program::Shutdown() {
  if (shut_down_ || !front_) return;
  shut_down_ = true;
  reconnector_->Stop();
  // An export in progress is given up, its clip not left half written.
  export_->Cancel();
  // The replay draws into the view: it ends before the window goes.
  replay_->BackToLive();
  // Whatever ended the program, a backup in progress is flushed and closed.
  records_->capture.CloseBackupFile();
  link_->ReleaseLink();
  // After the link's close, so the recording ends with it.
  recording_->StopRecording();
}

}  // namespace corvane
