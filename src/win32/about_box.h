// The About box (resource IDD_ABOUT): the icon, "Corvane Version" with the
// build's version, and one more line for the service technician.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>

#include <string>

namespace corvane {

// Modal for `owner`; returns when the operator closes it.
void ShowAboutBox(HINSTANCE instance, HWND owner, const std::string& details);

}  // namespace corvane
