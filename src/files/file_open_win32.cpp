#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cwchar>
#include <string>

#include "files/file_open.h"

namespace corvane {

namespace {

std::error_code LastError(int fallback) {
  const int e = errno;
  return {e != 0 ? e : fallback, std::generic_category()};
}

// The causes a caller tells apart (a name taken, no such folder, no right
// to write) as the C library names them, so that a message reads the same
// however the file was opened; the rest as the system gave them.
std::error_code ErrorOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return std::make_error_code(std::errc::file_exists);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED: return std::make_error_code(std::errc::permission_denied);
    case ERROR_FILENAME_EXCED_RANGE: return std::make_error_code(std::errc::filename_too_long);
    default: return {static_cast<int>(code), std::system_category()};
  }
}

}  // namespace

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode, std::error_code& error) {
  // The mode is ASCII: widened byte for byte.
  std::wstring wide_mode;
  for (const char* c = mode; *c != '\0'; ++c) wide_mode += static_cast<wchar_t>(*c);
  errno = 0;
  std::FILE* file = _wfopen(path.c_str(), wide_mode.c_str());
  if (file == nullptr) {
    error = LastError(EIO);
    return nullptr;
  }
  error.clear();
  return file;
}

std::FILE* CreateNewFile(const std::filesystem::path& path, std::error_code& error) {
  // CREATE_NEW fails on any name that is there, a symbolic link or junction
  // included, and so never writes through one. Readers may look in while
  // it is written, as with a file opened by the C library.
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrorOf(GetLastError());
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (descriptor == -1) {
    error = LastError(EMFILE);
    CloseHandle(handle);
    DeleteFileW(path.c_str());
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "wb");
  if (file == nullptr) {
    error = LastError(ENOMEM);
    _close(descriptor);  // closes the handle too
    DeleteFileW(path.c_str());
    return nullptr;
  }
  error.clear();
  return file;
}

}  // namespace corvane
