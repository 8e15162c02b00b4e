#include "cli/command_texts.h"

#include <cstdio>
#include <ctime>
#include <mutex>

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

std::string LocalTimeNow(const char* format) {
  static std::mutex shared_result;
  const std::time_t now = std::time(nullptr);
  char text[64] = "";
  std::lock_guard lock(shared_result);
  if (const std::tm* local = std::localtime(&now)) std::strftime(text, sizeof text, format, local);
  return text;
}

std::string LocalTimeNow() { return LocalTimeNow("%Y-%m-%d %H:%M:%S"); }

}  // namespace corvane::cli
