#include "app/commands.h"

#include <thread>
#include <vector>

#include "app/app_config.h"
#include "app/captions.h"
#include "app/connection_message.h"
#include "app/menu_table.h"
#include "app/network_port_entry.h"
#include "app/view_messages.h"
#include "link/protocol.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/png_file.h"
#include "screen/status_counters.h"

namespace corvane {

CommandDispatch::CommandDispatch(CommandParts parts) : parts_(std::move(parts)) {
  if (!parts_.pause) {
    parts_.pause = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
  }
  if (!parts_.local_time) {
    parts_.local_time = [] {
      // std::localtime's result is shared by every caller in the process:
      // only the UI thread calls it, and takes a copy at once.
      const std::time_t now = std::time(nullptr);
      const std::tm* local = std::localtime(&now);
      return local != nullptr ? *local : std::tm{};
    };
  }
  using namespace command_id;
  table_[kAbout] = [this] {
    parts_.window.ShowAbout(parts_.about_details ? parts_.about_details() : std::string());
  };
  table_[kExit] = [this] { Exit(); };
  table_[kCommPort] = [this] { CommPort(); };
  table_[kNetworkPort] = [this] { NetworkPort(); };
  table_[kBackupAll] = [this] { Backup(0, kBackupAll); };
  for (int station = 1; station <= 8; ++station) {
    const int command = kBackupStation1 + station - 1;
    table_[command] = [this, station, command] { Backup(station, command); };
  }
  table_[kRestoreAll] = [this] { Restore(kRestoreAll, std::nullopt); };
  for (uint16_t index = 0; index < 8; ++index) {
    const int command = kRestoreStation[index];
    table_[command] = [this, command, index] { Restore(command, index); };
  }
  table_[kSaveScreenImage] = [this] { SaveScreenImage(); };
  table_[kCopyScreenImage] = [this] { CopyScreenImage(); };
  for (ZoomMode mode : kZoomModes) {
    table_[ZoomCommand(mode)] = [this, mode] { ChooseZoom(mode); };
  }
  table_[kRecordSession] = [this] {
    if (parts_.record_session) parts_.record_session();
  };
  table_[kStopRecording] = [this] {
    if (parts_.stop_recording) parts_.stop_recording();
  };
  table_[kDrawWhileReceiving] = [this] {
    SetDrawWhileReceiving(!draw_while_receiving_);
    parts_.settings.WriteSetting(kDrawWhileReceivingSettingKey,
                                 draw_while_receiving_ ? kSettingOn : kSettingOff);
  };
}

bool CommandDispatch::Run(int command) {
  const auto entry = table_.find(command);
  if (entry == table_.end()) return false;
  entry->second();
  return true;
}

bool CommandDispatch::RefuseWhileDown(std::string_view refused) {
  if (parts_.link.LinkUp()) return false;
  // Refused before any dialog: a file chosen now would be created (or a
  // restore armed) for a controller that cannot be asked, and a command
  // queued now would be dropped when the link comes back.
  const std::string address = parts_.port.NetworkAddress();
  parts_.messages.Show(NotConnectedMessage(
      address.empty() ? "COM" + std::to_string(parts_.port.Port()) : NetworkAddressName(address),
      refused));
  return true;
}

void CommandDispatch::Backup(int station, int command) {
  if (RefuseWhileDown("The backup was not started.")) return;
  // Reset before the dialog, so a cancelled backup also starts the count
  // afresh.
  parts_.counters.ParametersReceived.store(0);
  const std::optional<FileChoice> choice =
      parts_.chooser.ChooseSaveFile({MenuTextOf(command), kDefaultParameterFileName});
  if (!choice) return;
  // The caption names the file even when it then cannot be created: the
  // capture tells the operator about that itself.
  parts_.window.SetCaption(FileCaption(kParameterApplicationName, choice->title));
  parts_.capture.StartBackup(choice->path, BackupCommand(station));
}

void CommandDispatch::Restore(int command, std::optional<uint16_t> station_index) {
  if (RefuseWhileDown("The restore was not started.")) return;
  const std::optional<FileChoice> choice =
      parts_.chooser.ChooseOpenFile({MenuTextOf(command), kDefaultParameterFileName});
  if (!choice) return;
  parts_.window.SetCaption(FileCaption(kParameterApplicationName, choice->title));
  parts_.counters.LinesSent.store(0);
  parts_.restore.ArmRestore(choice->path, station_index.has_value(), station_index.value_or(0));
}

void CommandDispatch::CommPort() {
  const std::optional<std::string> text = parts_.port_dialog.AskPortNumber(parts_.port.Port());
  if (text) ApplyPortNumber(*text);
}

void CommandDispatch::ApplyPortNumber(std::string_view text) {
  const std::optional<uint32_t> number = ParseDialogPortNumber(text);
  if (!number || *number < static_cast<uint32_t>(kDialogPortMinimum) ||
      *number > static_cast<uint32_t>(kDialogPortMaximum)) {
    return;
  }
  const int port = static_cast<int>(*number);
  // OK here goes back to the COM port from a device server, and the store
  // forgets the address, so the next start opens the COM port too.
  const bool leaves_network = !parts_.port.NetworkAddress().empty();
  if (leaves_network) {
    parts_.port.SetNetworkAddress({});
    parts_.settings.WriteSetting(kNetworkPortSettingKey, {});
  }
  if (port != parts_.port.Port()) {
    parts_.port.SetPort(port);
    ReopenLink();
    // Saved whether or not the new port opened: the operator chose it.
    if (const std::error_code error = parts_.port.Save()) {
      parts_.messages.Show(ConfigNotSavedMessage(parts_.port.FilePath(), error, port));
    }
  } else if (leaves_network || !parts_.link.LinkUp()) {
    // The same number brings back a link that went down (or never opened).
    ReopenLink();
  }
  parts_.window.SetCaption(PortCaption(port));
}

void CommandDispatch::NetworkPort() {
  const std::optional<std::string> chosen =
      parts_.port_dialog.AskNetworkAddress(parts_.port.NetworkAddress());
  if (chosen) ApplyNetworkAddress(*chosen);
}

void CommandDispatch::ApplyNetworkAddress(const std::string& address) {
  if (!UsableNetworkAddress(address)) return;
  if (address != parts_.port.NetworkAddress()) {
    parts_.port.SetNetworkAddress(address);
    // Remembered whether or not it answers now, as a COM port is: the
    // operator chose it, and the server may only be switched off.
    parts_.settings.WriteSetting(kNetworkPortSettingKey, address);
    ReopenLink();
  } else if (!parts_.link.LinkUp()) {
    ReopenLink();
  }
  parts_.window.SetCaption(NetworkPortCaption(address));
}

void CommandDispatch::ReopenLink() {
  parts_.link.ReleaseLink();
  parts_.pause(kReopenPause);
  // A device server answers after this returns; by then the operator may
  // have chosen again, which cancels this open without a word.
  parts_.link.OpenLink([this, address = parts_.port.NetworkAddress()](std::error_code failed) {
    if (failed && !OpenCancelled(failed)) ShowLinkOpenFailed(parts_.messages, address, failed);
  });
}

void CommandDispatch::SaveScreenImage() {
  // The picture is taken when the operator asks, not when the dialog
  // closes: the mirror runs on behind the dialog.
  std::vector<Pixel> pixels;
  if (!parts_.picture.CopyShownPicture(pixels)) {
    parts_.messages.Show(NoPictureYetMessage(kSaveScreenImageTitle));
    return;
  }
  const std::string default_name = ScreenImageFileName(parts_.local_time());
  const std::optional<FileChoice> choice =
      parts_.chooser.ChooseSaveFile({kSaveScreenImageTitle, default_name, FileKind::kScreenImage});
  if (!choice) return;
  if (const std::error_code error =
          WritePngFile(choice->path, pixels, Surface::kWidth, Surface::kHeight)) {
    parts_.messages.Show(PictureNotSavedMessage(choice->path, error));
  }
}

void CommandDispatch::CopyScreenImage() {
  std::vector<Pixel> pixels;
  if (!parts_.picture.CopyShownPicture(pixels)) {
    parts_.messages.Show(NoPictureYetMessage(kCopyScreenImageTitle));
    return;
  }
  if (const std::error_code error =
          parts_.clipboard.PutPicture(pixels, Surface::kWidth, Surface::kHeight)) {
    parts_.messages.Show(PictureNotCopiedMessage(error));
  }
}

void ApplyZoom(PictureView& view, ZoomMode mode) {
  view.ShowZoom(mode);
  if (mode != ZoomMode::kFit && view.WindowShown()) view.SizeWindowToPicture();
}

void CommandDispatch::ChooseZoom(ZoomMode mode) {
  ApplyZoom(parts_.picture, mode);
  parts_.settings.WriteSetting(kZoomSettingKey, ZoomName(mode));
}

void CommandDispatch::RestoreZoom() {
  const std::optional<std::string> stored = parts_.settings.ReadSetting(kZoomSettingKey);
  const std::optional<ZoomMode> chosen = stored ? ParseZoomName(*stored) : std::nullopt;
  // The monitor's zoom is not stored: only the operator's choice is, so a
  // later start on another monitor fits that one.
  ApplyZoom(parts_.picture, chosen ? *chosen : ZoomForScale(parts_.picture.WindowMonitor()));
}

void CommandDispatch::SetDrawWhileReceiving(bool on) {
  draw_while_receiving_ = on;
  if (parts_.draw_while_receiving) parts_.draw_while_receiving(on);
  parts_.picture.CheckDrawWhileReceiving(on);
}

void CommandDispatch::RestoreDrawWhileReceiving() {
  const std::optional<std::string> stored =
      parts_.settings.ReadSetting(kDrawWhileReceivingSettingKey);
  SetDrawWhileReceiving(stored && *stored == kSettingOn);
}

void CommandDispatch::Exit() {
  // Nothing of a backup in progress is left unflushed.
  parts_.capture.CloseBackupFile();
  parts_.window.CloseWindow();
}

}  // namespace corvane
