// The command line as corvane-cli reads it: the arguments after the
// program's name, as UTF-8 text, so that a file named on it reaches the
// disk exactly as typed (files/path_text.h turns the text into the path).
// On Windows they are taken from the system's wide command line: the
// narrow argv holds them in the code page, where "試験.spb" is "??.spb".
//
// Threads: main thread, once.
#pragma once

#include <string>
#include <vector>

namespace corvane::cli {

std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace corvane::cli
