// Corvane for Windows: mirrors a Mirelon controller's screen, forwards keys
// and soft-key clicks to it, and backs up and restores its station
// parameters.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <system_error>

#include "win32/win32_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  // Buttons and edit boxes in the look the manifest asks for.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  // The working directory holds config.dpm.
  std::error_code error;
  std::filesystem::path base = std::filesystem::current_path(error);
  if (error) base = ".";

  corvane::Win32Program program(instance, show_command, base);
  if (!program.Create()) return 0;
  program.Start();
  return program.Run();
}
