// tovrak: drive the radio's CAT port from the command line, run session
// scripts, and try the component against its simulated radio.
#include <cstdio>
#include <cstring>
#include <string>

#include "hosts/cli/commands.hpp"
#include "tovrak/version.hpp"

namespace {

constexpr const char* kUsage =
    "usage: tovrak <command> [options]\n"
    "\n"
    "commands:\n"
    "  demo      run the component against the simulated radio and show what it does\n"
    "  script    run a session script of member calls (tovrak script --help)\n"
    "  monitor   watch and drive a radio by hand, live (or the simulated one)\n"
    "  ports     list the serial devices of this machine\n"
    "  sim       run the simulated radio on a pseudo-terminal or stdin/stdout\n"
    "  get       read the radio once: tovrak get freq mode --port PATH\n"
    "  set       change one setting: tovrak set freq 14.074 --port PATH\n"
    "  ptt       key or release the transmitter: tovrak ptt on|off --port PATH\n"
    "  share     share one radio among several programs (pseudo-terminals, TCP)\n"
    "  version   print the version (also: tovrak --version)\n"
    "\n"
    "tovrak <command> --help tells more about each command.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
      !std::strcmp(argv[1], "help")) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "version")) {
    std::printf("tovrak %s\n", tovrak::version());
    return 0;
  }
  std::string command = argv[1];
  tovrak::hosts::Args args(argv + 2, argv + argc);
  if (command == "script") return tovrak::hosts::cmd_script(args);
  if (command == "demo") return tovrak::hosts::cmd_demo(args);
  if (command == "ports") return tovrak::hosts::cmd_ports(args);
  if (command == "monitor") return tovrak::hosts::cmd_monitor(args);
  if (command == "sim") return tovrak::hosts::cmd_sim(args);
  if (command == "get") return tovrak::hosts::cmd_get(args);
  if (command == "set") return tovrak::hosts::cmd_set(args);
  if (command == "ptt") return tovrak::hosts::cmd_ptt(args);
  if (command == "share") return tovrak::hosts::cmd_share(args);
  std::fprintf(stderr, "tovrak: unknown command \"%s\"\n\n%s", command.c_str(), kUsage);
  return 2;
}
