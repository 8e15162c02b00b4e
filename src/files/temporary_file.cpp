#include "files/temporary_file.h"

#include <atomic>
#include <cstdint>
#include <random>
#include <string>

#include "files/file_open.h"

namespace corvane {

namespace {

// Enough tries that only a folder where names cannot be created at all
// gives up; names taken by chance are one in a million each.
constexpr int kTemporaryNameTries = 100;

// A name beside `path` that no other writer is likely to pick.
std::filesystem::path TemporaryNameBeside(const std::filesystem::path& path) {
  static std::atomic<uint32_t> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  std::filesystem::path temporary = path;
  temporary += "." + std::to_string(random() % 1000000u) + "-" +
               std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) + ".tmp";
  return temporary;
}

}  // namespace

std::FILE* CreateTemporaryBeside(const std::filesystem::path& path,
                                 std::filesystem::path& temporary, std::error_code& error) {
  for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
    temporary = TemporaryNameBeside(path);
    std::FILE* file = CreateNewFile(temporary, error);
    if (file != nullptr || error != std::errc::file_exists) return file;
  }
  return nullptr;
}

bool CreateTemporaryFolderBeside(const std::filesystem::path& path,
                                 std::filesystem::path& temporary, std::error_code& error) {
  for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
    temporary = TemporaryNameBeside(path);
    // False without an error: the name is taken.
    if (std::filesystem::create_directory(temporary, error)) return true;
    if (error) return false;
  }
  error = std::make_error_code(std::errc::file_exists);
  return false;
}

}  // namespace corvane
