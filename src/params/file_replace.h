// The two system steps that make a backup safe to take over an earlier one:
// the new file's bytes are put on the disk, and only then is the new file
// renamed over the old in one step. A rename within one directory is atomic
// on both systems, so a file of that name is always either the earlier
// backup or the new one, whole, never a stump of either.
//
// Threads: any; the functions share nothing.
#pragma once

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace corvane {

// Asks the system to write the file's bytes through to the disk (its own
// cache included), so that a rename which survives a power cut never names
// a file whose bytes did not. The stream must have been flushed. A file
// that has nothing to sync (a device) counts as synced.
std::error_code SyncToDisk(std::FILE* file);

// Puts `from` in place of `to`, replacing a file of that name in one step;
// `from` is gone afterwards. Both must be in the same directory. On failure
// both are as they were.
std::error_code RenameOverFile(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace corvane
