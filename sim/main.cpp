// mirelon-sim: plays a Mirelon controller on a pseudo-terminal, for
// Corvane's tests and demonstrations.
#include <cstdio>
#include <string_view>
#include <vector>

#include "sim_loop.h"
#include "sim_options.h"

int main(int argc, char** argv) {
  using namespace corvane::sim;
  std::vector<std::string_view> args(argv + 1, argv + argc);
  const ParsedOptions parsed = ParseSimOptions(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "mirelon-sim: %s\n", parsed.error.c_str());
    return 2;
  }
  if (parsed.options.help) {
    const std::string_view help = SimHelpText();
    std::fwrite(help.data(), 1, help.size(), stdout);
    return 0;
  }
  return RunSimulator(parsed.options);
}
