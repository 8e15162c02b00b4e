// Whether standard error is a terminal an operator watches, so that progress
// is shown there and kept out of logs and pipes. terminal_posix.cpp and
// terminal_win32.cpp answer it for each system.
#pragma once

namespace corvane::cli {

bool StandardErrorIsTerminal();

}  // namespace corvane::cli
