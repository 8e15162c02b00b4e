// A file name as the operator reads it, and back. Texts inside the program
// are UTF-8; a std::filesystem::path holds the system's own form of a name
// (bytes on Linux, UTF-16 on Windows). These two are the one place where a
// name crosses between the two, so no layer converts a name twice and a
// name whose letters are not ASCII stays exactly the name chosen.
//
// Threads: pure functions, any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

// UTF-8 text of `path`, for captions, messages and reports. On Linux the
// name's bytes unchanged; on Windows its UTF-16 converted, with U+FFFD for
// a unit that names no character (a lone surrogate).
std::string PathText(const std::filesystem::path& path);

// The path that UTF-8 `text` names (a name typed on a command line). On
// Linux the bytes unchanged.
std::filesystem::path PathFromText(std::string_view text);

}  // namespace corvane
