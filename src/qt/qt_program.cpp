#include "qt/qt_program.h"

#include "qt/replay_bar.h"
#include "qt/screen_view.h"

namespace corvane {

QtProgram::QtProgram(QtProgramOptions options)
    : program_(std::move(options.base_directory), options.quiet_time),
      window_(std::make_unique<MainWindow>(program_.KeypadRecord())) {
  OperatorMessages* messages = options.messages;
  if (!messages) {
    own_messages_ = std::make_unique<MessageBoxes>(window_.get());
    messages = own_messages_.get();
  }
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
  scheduler_ = std::make_unique<QtUiScheduler>(window_.get());
  program_.Attach(FrontEnd{*window_, window_->View()->Display(), *chooser, *port_dialog, *messages,
                           *scheduler_, *window_, clipboard_, settings_});
  window_->SetCommandHandler([this](int command) { program_.Dispatch().Run(command); });
  ReplayBar& bar = *window_->Replay();
  program_.Replay().SetControls(&bar);
  program_.Replay().SetMenu(window_.get());
  bar.SetCommandHandler([this](int command) { program_.Dispatch().Run(command); });
  bar.SetSeekHandler([this](uint64_t position_us) { program_.Replay().Seek(position_us); });
  window_->SetCloseHandler([this] { program_.Shutdown(); });
}

QtProgram::~QtProgram() {
  // The workers draw into the view and tell the boxes: they end first.
  program_.Shutdown();
}

}  // namespace corvane
