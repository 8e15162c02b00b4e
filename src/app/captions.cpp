#include "app/captions.h"

namespace corvane {

std::string PortCaption(int port) {
  return std::string(kWindowTitle) + " - COM" + std::to_string(port);
}

std::string FileCaption(std::string_view application_name, std::string_view file_title) {
  std::string caption(application_name);
  caption += " - ";
  caption += file_title.empty() ? std::string_view("(untitled)") : file_title;
  return caption;
}

std::string AboutText() { return std::string(kWindowTitle) + " Version " CORVANE_VERSION; }

}  // namespace corvane
