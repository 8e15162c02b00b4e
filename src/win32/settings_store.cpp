#include "win32/settings_store.h"

#include <windows.h>

namespace corvane {

std::optional<std::string> RegistrySettingsStore::ReadSetting(std::string_view key) const {
  const std::string name(key);
  // The size first, then the value: RegGetValue ends a string with its NUL
  // even when the registry holds it without one.
  DWORD bytes = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsRegistryKey, name.c_str(), RRF_RT_REG_SZ, nullptr,
                   nullptr, &bytes) != ERROR_SUCCESS ||
      bytes == 0) {
    return std::nullopt;
  }
  std::string value(bytes, '\0');
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsRegistryKey, name.c_str(), RRF_RT_REG_SZ, nullptr,
                   value.data(), &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(bytes > 0 ? bytes - 1 : 0);
  return value;
}

void RegistrySettingsStore::WriteSetting(std::string_view key, std::string_view value) {
  HKEY settings = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &settings, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::string name(key);
  const std::string text(value);
  RegSetValueExA(settings, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(settings);
}

}  // namespace corvane
