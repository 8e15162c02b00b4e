// A temporary file beside the file it will become: written whole, then
// renamed over the final name, so a failed or interrupted write never
// leaves a half-written file under that name.
//
// Threads: any; the names come from a per-thread generator and a shared
// atomic counter.
#pragma once

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace corvane {

// Creates a new file beside `path` under a name that was not there before
// ("<path>.<random>-<n>.tmp"), trying other names while one is taken: two
// programs writing the same file at once each rename a complete file of
// their own, and a link planted under a likely name is never written
// through. Null, with the reason in `error`, when no name can be created.
std::FILE* CreateTemporaryBeside(const std::filesystem::path& path,
                                 std::filesystem::path& temporary, std::error_code& error);

// The same for a folder that is filled and then renamed: false, with the
// reason in `error`, when none can be created.
bool CreateTemporaryFolderBeside(const std::filesystem::path& path,
                                 std::filesystem::path& temporary, std::error_code& error);

}  // namespace corvane
