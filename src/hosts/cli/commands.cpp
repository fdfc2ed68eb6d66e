#include "hosts/cli/commands.hpp"

#include <cstdio>

namespace tovrak::hosts {

namespace {

constexpr Command kCommands[] = {
    {"demo", "run the component against the simulated radio and show what it does", cmd_demo},
    {"script", "run a session script of member calls (tovrak script --help)", cmd_script},
    {"monitor", "watch and drive a radio by hand, live (or the simulated one)", cmd_monitor},
    {"ports", "list the serial devices of this machine", cmd_ports},
    {"sim", "run the simulated radio on a pseudo-terminal or stdin/stdout", cmd_sim},
    {"get", "read the radio once: tovrak get freq mode --port PATH", cmd_get},
    {"set", "change one setting: tovrak set freq 14.074 --port PATH", cmd_set},
    {"ptt", "key or release the transmitter: tovrak ptt on|off --port PATH", cmd_ptt},
    {"share", "share one radio among several programs (pseudo-terminals, TCP)", cmd_share},
};

}  // namespace

std::span<const Command> Commands() { return kCommands; }

const Command* FindCommand(const std::string& name) {
  for (const auto& c : kCommands) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

std::string usage() {
  std::string out = "usage: tovrak <command> [options]\n\ncommands:\n";
  char line[160];
  for (const auto& c : kCommands) {
    std::snprintf(line, sizeof line, "  %-9s %s\n", c.name, c.summary);
    out += line;
  }
  return out +
         "  version   print the version (also: tovrak --version)\n"
         "\n"
         "tovrak <command> --help tells more about each command.\n";
}

}  // namespace tovrak::hosts
