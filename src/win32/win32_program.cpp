#include "win32/win32_program.h"

namespace corvane {

Win32Program::Win32Program(HINSTANCE instance, int show_command,
                           std::filesystem::path base_directory)
    : port_dialog_(instance),
      program_(std::move(base_directory)),
      window_(instance, show_command,
              MainWindowParts{program_.KeypadRecord(), view_, messages_, tasks_, replay_bar_}) {}

Win32Program::~Win32Program() {
  // The workers draw into the view and tell the boxes: they end first.
  program_.Shutdown();
}

bool Win32Program::Create() {
  if (!window_.Create()) return false;
  const HWND window = window_.Handle();
  view_.Attach(window);
  messages_.Attach(window);
  tasks_.Attach(window);
  file_dialogs_.Attach(window);
  port_dialog_.Attach(window);
  clipboard_.Attach(window);
  program_.Attach(FrontEnd{window_, view_.Display(), file_dialogs_, port_dialog_, messages_, tasks_,
                           window_, clipboard_, settings_});
  window_.SetCommandHandler([this](int command) { return program_.Dispatch().Run(command); });
  window_.SetCloseHandler([this] { program_.Shutdown(); });
  replay_bar_.Attach(window);
  program_.Replay().SetControls(&replay_bar_);
  program_.Replay().SetMenu(&window_);
  replay_bar_.SetSeekHandler([this](uint64_t position_us) { program_.Replay().Seek(position_us); });
  // The picture gives the bar its strip, and a window at a fixed zoom grows
  // by it.
  replay_bar_.SetShownHandler([this] {
    view_.SetBottomStrip(replay_bar_.Shown() ? ReplayBar::kHeight : 0);
    if (window_.WindowShown() && !IsZoomed(window_.Handle())) window_.SizeWindowToPicture();
    InvalidateRect(window_.Handle(), nullptr, TRUE);
  });
  return true;
}

}  // namespace corvane
