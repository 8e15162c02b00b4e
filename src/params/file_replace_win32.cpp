#include <io.h>
#include <windows.h>

#include "params/file_replace.h"

namespace corvane {

std::error_code SyncToDisk(std::FILE* file) {
  const intptr_t handle = _get_osfhandle(_fileno(file));
  if (handle == -1) return std::make_error_code(std::errc::bad_file_descriptor);
  if (FlushFileBuffers(reinterpret_cast<HANDLE>(handle))) return {};
  const DWORD error = GetLastError();
  // A device such as NUL keeps nothing to flush.
  if (error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_HANDLE) return {};
  return {static_cast<int>(error), std::system_category()};
}

std::error_code RenameOverFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  // Wide names, exactly as chosen. Write-through: the call returns once the
  // rename itself is on the disk. No copy is allowed: both names are in one
  // directory, and a copy would not be one step.
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  return {static_cast<int>(GetLastError()), std::system_category()};
}

}  // namespace corvane
