// The subcommands of the tovrak command, and their one table: the program's
// dispatch, its usage text, the manual page and the completion read it.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace tovrak::hosts {

using Args = std::vector<std::string>;

int cmd_script(const Args& args);
int cmd_demo(const Args& args);
int cmd_ports(const Args& args);
int cmd_monitor(const Args& args);
int cmd_sim(const Args& args);
int cmd_get(const Args& args);
int cmd_set(const Args& args);
int cmd_ptt(const Args& args);
int cmd_share(const Args& args);

struct Command {
  const char* name;
  const char* summary;  // what it does, in one line of the usage text
  int (*run)(const Args&);
};

// Every command, in the order the usage text lists them.
std::span<const Command> Commands();
// The command named `name`; nullptr when there is none.
const Command* FindCommand(const std::string& name);
// The usage text of `tovrak` without a command.
std::string usage();

}  // namespace tovrak::hosts
