// The subcommands of the tovrak command.
#pragma once

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

}  // namespace tovrak::hosts
