#include "cli/command_texts.h"

#include <cstdio>
#include <ctime>

namespace corvane::cli {

std::string StationName(int station) {
  return station == 0 ? "all stations" : "station " + std::to_string(station);
}

std::string Seconds(std::chrono::milliseconds time) {
  const double seconds = std::chrono::duration<double>(time).count();
  char text[32];
  std::snprintf(text, sizeof text, "%g s", seconds);
  return text;
}

bool FolderExists(const std::filesystem::path& file) {
  std::error_code error;
  const std::filesystem::path folder = file.parent_path();
  return folder.empty() || std::filesystem::is_directory(folder, error);
}

std::string LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* local = std::localtime(&now)) {
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  }
  return text;
}

}  // namespace corvane::cli
