// Opening a file by its exact name, and creating one that was not there.
//
// Every file the program reads or writes is opened here, so a name reaches
// the system as it was chosen: on Windows through the wide calls, never
// through the narrow code page, which would turn "Jürgen" into another
// name or none at all.
//
// Threads: any; the functions share nothing.
#pragma once

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace corvane {

// Opens `path` as std::fopen does with `mode` ("rb", "r+b", "wb"). Null,
// with the reason in `error`, when that fails.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode, std::error_code& error);

// Creates `path` as a new, empty file open for writing ("wb"). Fails with
// std::errc::file_exists when anything of that name is there already, a
// symbolic link above all, which is never followed: a link planted under a
// name the program writes cannot make it write over the file it points at.
std::FILE* CreateNewFile(const std::filesystem::path& path, std::error_code& error);

}  // namespace corvane
