// The program's own preferences (the View menu's zoom) in the registry,
// under HKEY_CURRENT_USER\Software\Corvane, as string values. config.dpm,
// in the working folder, keeps the port line only.
//
// Threads: UI thread only.
#pragma once

#include "app/front_end.h"

namespace corvane {

// The key under HKEY_CURRENT_USER.
inline constexpr char kSettingsRegistryKey[] = "Software\\Corvane";

class RegistrySettingsStore : public SettingsStore {
 public:
  std::optional<std::string> ReadSetting(std::string_view key) const override;
  void WriteSetting(std::string_view key, std::string_view value) override;
};

}  // namespace corvane
