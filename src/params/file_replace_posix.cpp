#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "params/file_replace.h"

namespace corvane {

std::error_code SyncToDisk(std::FILE* file) {
  const int descriptor = fileno(file);
  if (descriptor < 0) return {errno, std::generic_category()};
  if (fsync(descriptor) == 0) return {};
  const int error = errno;
  // EINVAL: a special file (a device, a pipe) that keeps nothing to sync.
  if (error == EINVAL) return {};
  return {error, std::generic_category()};
}

std::error_code RenameOverFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) return {errno, std::generic_category()};
  // The new name is kept in the directory, which the system writes in its
  // own time. Syncing it is a courtesy, not a condition: if a power cut came
  // before the directory reached the disk, the earlier file would simply be
  // back under its name, whole, and the new one under ".partial".
  std::filesystem::path directory = to.parent_path();
  if (directory.empty()) directory = ".";
  const int descriptor = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    fsync(descriptor);
    close(descriptor);
  }
  return {};
}

}  // namespace corvane
