#include "shell/program.h"

#include "shell/captions.h"
#include "shell/connection_message.h"
#include "shell/screen_view.h"

namespace corvane {

class Program::LinkAdapter : public LinkControl {
 public:
  LinkAdapter(SerialLink& link, const AppConfig& config) : link_(link), config_(config) {}
  bool OpenLink() override {
    // Its result is not looked at: an open that finds the close signal
    // missing prepares it itself.
    link_.PrepareLinkEvents();
    return link_.OpenLink(config_.ComPort());
  }
  void ReleaseLink() override { link_.ReleaseLink(); }
  bool LinkUp() const override { return link_.IsConnected(); }

 private:
  SerialLink& link_;
  const AppConfig& config_;
};

class Program::PortAdapter : public PortSetting {
 public:
  PortAdapter(AppConfig& config, std::filesystem::path base) : config_(config), base_(std::move(base)) {}
  int Port() const override { return config_.ComPort(); }
  void SetPort(int port) override { config_.SetComPort(port); }
  bool Save() override { return WriteConfig(config_, base_); }

 private:
  AppConfig& config_;
  const std::filesystem::path base_;
};

Program::Program(ProgramOptions options)
    : base_directory_(std::move(options.base_directory)),
      config_read_(ReadConfig(config_, base_directory_)),
      keypad_(queue_),
      window_(std::make_unique<MainWindow>(keypad_)) {
  if (options.messages) {
    messages_ = options.messages;
  } else {
    message_boxes_ = std::make_unique<MessageBoxes>(window_.get());
    messages_ = message_boxes_.get();
  }
  capture_ = std::make_unique<CaptureState>(queue_, counters_, *messages_);
  receiver_context_ = std::make_unique<ReceiverContext>(ReceiverContext{
      queue_, image_, surface_, counters_, *window_->View(), *messages_, *capture_, restore_,
      receiver_state_});
  link_ = std::make_unique<SerialLink>(*receiver_context_, base_directory_);
  link_control_ = std::make_unique<LinkAdapter>(*link_, config_);
  port_setting_ = std::make_unique<PortAdapter>(config_, base_directory_);
  FileChooser* chooser = options.chooser;
  if (!chooser) {
    own_chooser_ = std::make_unique<QtFileChooser>(window_.get());
    chooser = own_chooser_.get();
  }
  PortDialog* port_dialog = options.port_dialog;
  if (!port_dialog) {
    own_port_dialog_ = std::make_unique<QtPortDialog>(window_.get());
    port_dialog = own_port_dialog_.get();
  }
  dispatch_ = std::make_unique<CommandDispatch>(CommandParts{
      counters_, *capture_, restore_, *messages_, *link_control_, *port_setting_, *chooser,
      *port_dialog, *window_, {}});
  window_->SetCommandHandler([this](int command) { dispatch_->Run(command); });
  window_->SetCloseHandler([this] { Shutdown(); });
}

Program::~Program() {
  // The workers draw into the view and write the capture: they end first.
  Shutdown();
}

bool Program::Start() {
  // Sized before it is shown, so the window manager places it whole at once.
  window_->FitToView();
  window_->show();
  const bool opened = link_control_->OpenLink();
  if (opened) {
    window_->SetCaption(PortCaption(config_.ComPort()));
  } else {
    ShowConnectionFailed(*messages_);
  }
  return opened;
}

void Program::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  // Whatever ended the program, a backup in progress is flushed and closed.
  capture_->CloseBackupFile();
  link_->ReleaseLink();
}

}  // namespace corvane
