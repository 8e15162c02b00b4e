// The message box that tells the operator a COM port cannot be opened, at
// start-up and after the port dialog.
#pragma once

#include "link/operator_messages.h"

namespace corvane {

inline constexpr char kConnectionFailedCaption[] = "Velkor";
// Three lines; the first ends in a blank before its line break.
inline constexpr char kConnectionFailedText[] =
    "Connection Failed \nPort is either not available\nor busy (conflict)";

OperatorMessage ConnectionFailedMessage();

// UI thread; returns at once, the box is shown by the message seam.
void ShowConnectionFailed(OperatorMessages& messages);

}  // namespace corvane
