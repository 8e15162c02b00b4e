#include <windows.h>

#include "cli/terminal.h"

namespace corvane::cli {

// A console answers GetConsoleMode; a pipe or a file does not.
bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace corvane::cli
