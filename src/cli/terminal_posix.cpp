#include <unistd.h>

#include "cli/terminal.h"

namespace corvane::cli {

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace corvane::cli
