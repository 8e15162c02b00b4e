// The texts of the COMM Port dialog, which both front ends draw with their
// own toolkit: here once, so the two dialogs never drift apart.
#pragma once

#include <string>
#include <string_view>

#include "app/app_config.h"

namespace corvane {

inline constexpr std::string_view kPortDialogTitle = "COMM Port";
inline constexpr std::string_view kPortNumberLabel = "COMM Port #";
inline constexpr std::string_view kPortDialogExplanation =
    "This parameter defines the address of the COMM port # used for communication between the "
    "PC and the Quillon unit.";

// "Range: 1 - 100".
inline std::string PortRangeText() {
  return "Range: " + std::to_string(kDialogPortMinimum) + " - " +
         std::to_string(kDialogPortMaximum);
}

}  // namespace corvane
