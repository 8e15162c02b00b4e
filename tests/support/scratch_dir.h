// A fresh directory under the system's temporary directory for one test,
// removed with everything in it when the test ends; and the helpers that put
// exact bytes into a file and read them back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace corvane::testing {

class ScratchDir {
 public:
  // A random name that nobody else has made yet: create_directory says
  // false for one that exists, so two tests (or test programs) running at
  // once never share a directory. Plain std::filesystem, so the Windows test
  // programs use it too.
  ScratchDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = base / ("corvane-test-" + std::to_string(random() % 1000000000000ULL));
      std::error_code error;
      if (std::filesystem::create_directory(path_, error)) return;
    }
    ADD_FAILURE() << "no scratch directory could be made under " << base;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes `bytes` exactly as given (no line-end translation).
inline void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes exactly as they are on disk; empty for a missing file.
inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void MakeReadOnly(const std::filesystem::path& path) {
  std::filesystem::permissions(path,
                               std::filesystem::perms::owner_read |
                                   std::filesystem::perms::group_read |
                                   std::filesystem::perms::others_read,
                               std::filesystem::perm_options::replace);
}

}  // namespace corvane::testing
