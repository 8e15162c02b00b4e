#include "cli/command_line.h"

namespace corvane::cli {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  // A name's bytes are the name: nothing to convert.
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace corvane::cli
