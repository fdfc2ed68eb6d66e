// tovrak: drive the radio's CAT port from the command line, run session
// scripts, and try the component against its simulated radio.
#include <cstdio>
#include <cstring>
#include <string>

#include "hosts/cli/commands.hpp"
#include "tovrak/version.hpp"

int main(int argc, char** argv) {
  using tovrak::hosts::usage;
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
      !std::strcmp(argv[1], "help")) {
    std::fputs(usage().c_str(), argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "version")) {
    std::printf("tovrak %s\n", tovrak::version());
    return 0;
  }
  if (const auto* command = tovrak::hosts::FindCommand(argv[1])) {
    return command->run(tovrak::hosts::Args(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "tovrak: unknown command \"%s\"\n\n%s", argv[1], usage().c_str());
  return 2;
}
