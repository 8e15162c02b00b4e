// The wire vocabulary between Corvane and the Mirelon controller. Every
// command string and frame byte is spelled here and nowhere else.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

// Corvane to controller. Each command goes into the transmit queue as one
// EnqueueBytes call, with no terminator.
inline constexpr std::string_view kScreenRequest = "<1>";
inline constexpr std::string_view kRestoreStart = "<2>";
inline constexpr std::string_view kRestoreEnd = "}";
inline constexpr std::string_view kBackupAllCommand = "<11>";

// Backup commands for station 1 to 8: "<12>" to "<19>". Index 0 is all
// stations ("<11>").
inline constexpr std::string_view kBackupCommands[9] = {"<11>", "<12>", "<13>", "<14>", "<15>",
                                                        "<16>", "<17>", "<18>", "<19>"};

// Station 1..8 as the menus count them; 0 means all stations.
constexpr std::string_view BackupCommand(int station) {
  return (station >= 0 && station <= 8) ? kBackupCommands[station] : std::string_view{};
}

// Controller to Corvane.
inline constexpr uint8_t kImageOpen = '{';
inline constexpr uint8_t kImageClose = '}';
inline constexpr uint8_t kBlockOpen = '[';
inline constexpr uint8_t kBlockClose = ']';

// Inside a parameter block: one parameter ends with this byte.
inline constexpr uint8_t kParameterEnd = ';';

}  // namespace corvane
