// The program's one setting, the number of the COM port on which the
// controller hangs, and the file "config.dpm" that keeps it between runs.
//
// The file is a text file of lines "key=value" (CR LF on disk). The program
// writes one line, 'COM Port=3' for port 3; on reading, the last complete
// line with a known key wins.
//
// Threads: UI thread only (start-up and the port dialog). Platform-free:
// every front end builds on it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace corvane {

inline constexpr std::string_view kConfigFileName = "config.dpm";

// Range of a port number taken from the port dialog, and from the file: the
// file holds what the dialog stored, and 0 is kept too, though no port 0
// opens.
inline constexpr int32_t kDialogPortMinimum = 1;
inline constexpr int32_t kDialogPortMaximum = 100;
inline constexpr int32_t kConfigPortMinimum = 0;
inline constexpr int32_t kConfigPortMaximum = kDialogPortMaximum;

// The settings table: the key table and the value table side by side. One
// entry today; a reader compares each line's key against the key table.
struct AppConfig {
  static constexpr size_t kComPort = 0;
  static constexpr size_t kEntries = 1;
  static constexpr std::array<std::string_view, kEntries> kKeys{"COM Port"};
  static constexpr std::array<int32_t, kEntries> kDefaults{3};

  std::array<int32_t, kEntries> values = kDefaults;

  int32_t ComPort() const { return values[kComPort]; }
  void SetComPort(int32_t port) { values[kComPort] = port; }
};

// The value of a config.dpm line, read as the file has always been read:
// digits only, so any other character (a sign, a blank) makes the text
// invalid; the number wraps in 32 bits (params/decimal_number.h) and is
// compared with the range as an unsigned 32-bit number. Empty text is valid
// and reads 0. Returns the number when valid and in range, otherwise
// `fallback`.
int32_t ParsePortNumber(std::string_view text, int32_t fallback, int32_t minimum, int32_t maximum);

// The port dialog's edit box, read as an unsigned decimal number with blanks
// around it allowed; empty for anything else (letters, signs, no digits). A
// number that does not fit 32 bits is refused rather than wrapped, so that
// "4294967297" never passes for port 1. The caller checks the range.
std::optional<uint32_t> ParseDialogPortNumber(std::string_view text);

// Applies one line of the file (without its line end) to `config`: the key
// is everything before the first "=", the value everything after it; a key
// that matches no entry exactly (case counts) changes nothing.
void ApplyConfigLine(AppConfig& config, std::string_view line);

enum class ReadConfigResult {
  kRead,        // the file was read (a read-only file too)
  kCreated,     // there was no file: the defaults stay and a file holding them was written
  kMissing,     // there was no file and none could be created: the defaults stay
  kUnreadable,  // the file exists but cannot be read: it is left alone, lines before a
                // read error still count
};

// Reads base_directory / name into `config`, opening it for reading only.
// Only complete lines count; a missing file is created with the defaults.
ReadConfigResult ReadConfig(AppConfig& config, const std::filesystem::path& base_directory,
                            std::string_view name = kConfigFileName);

// Writes `config` to base_directory / name, creating or emptying the file:
// one line, 'COM Port=<n>' and CR LF. The reason when the file cannot be
// created or not every byte reached it; empty on success.
std::error_code WriteConfig(const AppConfig& config, const std::filesystem::path& base_directory,
                            std::string_view name = kConfigFileName);

}  // namespace corvane
