// The program's own preferences (the View menu's zoom) in the desktop's
// settings store through QSettings: ~/.config/Corvane/Corvane.conf on
// Linux. config.dpm, in the working directory, keeps the port line only.
//
// Threads: UI thread only.
#pragma once

#include "app/front_end.h"

namespace corvane {

// The organisation and application names the store files the settings
// under; main() gives the application the same names.
inline constexpr char kSettingsOrganisation[] = "Corvane";
inline constexpr char kSettingsApplication[] = "Corvane";

class QtSettingsStore : public SettingsStore {
 public:
  std::optional<std::string> ReadSetting(std::string_view key) const override;
  void WriteSetting(std::string_view key, std::string_view value) override;
};

}  // namespace corvane
