// A scratch directory that stands for the program's working directory with
// its "com<n>" entries, each naming the device of COM n.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/scratch_dir.h"

namespace corvane::testing {

class DeviceDirectory : public ScratchDir {
 public:
  // Points "com<n>" at `target` (which need not exist), replacing an
  // earlier entry.
  bool MapPort(int port_number, const std::filesystem::path& target) const {
    const auto entry = Path() / ("com" + std::to_string(port_number));
    std::error_code error;
    std::filesystem::remove(entry, error);
    std::filesystem::create_symlink(target, entry, error);
    if (error) ADD_FAILURE() << "cannot map " << entry << ": " << error.message();
    return !error;
  }
};

}  // namespace corvane::testing
