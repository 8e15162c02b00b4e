#include "app/captions.h"

#include "app/network_port_entry.h"

namespace corvane {

std::string PortCaption(int port) {
  return std::string(kWindowTitle) + " - COM" + std::to_string(port);
}

std::string NetworkPortCaption(std::string_view address) {
  return std::string(kWindowTitle) + " - " + NetworkAddressName(address);
}

std::string LinkCaption(int port, std::string_view address) {
  return address.empty() ? PortCaption(port) : NetworkPortCaption(address);
}

std::string ReconnectingCaption(int port, std::string_view address) {
  return LinkCaption(port, address) + " (reconnecting...)";
}

std::string FileCaption(std::string_view application_name, std::string_view file_title) {
  std::string caption(application_name);
  caption += " - ";
  caption += file_title.empty() ? std::string_view("(untitled)") : file_title;
  return caption;
}

std::string RecordingCaptionText(std::string_view caption) {
  return std::string(caption) + " - Recording";
}

std::string RerequestsText(int32_t rerequests) {
  return "Screen requests repeated after a silence: " + std::to_string(rerequests);
}

std::string AboutText() { return std::string(kWindowTitle) + " Version " CORVANE_VERSION; }

}  // namespace corvane
