#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_open.h"

namespace corvane {

namespace {

std::error_code LastError(int fallback) {
  const int e = errno;
  return {e != 0 ? e : fallback, std::generic_category()};
}

}  // namespace

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode, std::error_code& error) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) {
    error = LastError(EIO);
    return nullptr;
  }
  error.clear();
  return file;
}

std::FILE* CreateNewFile(const std::filesystem::path& path, std::error_code& error) {
  // O_EXCL alone already refuses a link in the last place of the name;
  // O_NOFOLLOW says so twice, for a system that would not.
  const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH);
  if (descriptor < 0) {
    error = LastError(EIO);
    // A link is "there already", whatever it points at.
    if (error == std::errc::too_many_symbolic_link_levels) {
      error = std::make_error_code(std::errc::file_exists);
    }
    return nullptr;
  }
  std::FILE* file = fdopen(descriptor, "wb");
  if (file == nullptr) {
    error = LastError(ENOMEM);
    close(descriptor);
    unlink(path.c_str());
    return nullptr;
  }
  error.clear();
  return file;
}

}  // namespace corvane
