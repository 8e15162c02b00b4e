// Small pieces the commands share: how they name stations, times and the
// moment a log starts, and the check that a file's folder exists.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace corvane::cli {

// "all stations" for 0, else "station N".
std::string StationName(int station);
// "2.5 s".
std::string Seconds(std::chrono::milliseconds time);
// A file can only be written where its folder exists: checked before the
// port is touched, so a typing error costs no wait for the controller.
bool FolderExists(const std::filesystem::path& file);
// The local time now, "2024-05-02 14:03:11". Any thread.
std::string LocalTimeNow();
// The local time now, formatted by strftime. Any thread: the C library's
// one shared result of localtime is read under a lock, since a fleet run
// starts several logs at once.
std::string LocalTimeNow(const char* format);

}  // namespace corvane::cli
