// tovrak sim: the simulated radio on a pseudo-terminal or on standard input
// and output, in real time, for the component (or a person) to talk to.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/terminal.hpp"
#include "hosts/sim/real_time_radio.hpp"
#include "hosts/sim/sim_on_pty.hpp"
#include "hosts/sim/sim_radio.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {

namespace {

constexpr const char* kDescription =
    R"(Runs the simulated radio in real time: it reads the radio's text commands
(each ending in ";"), answers queries, applies settings, and with automatic
information on ("AI1;") reports its own changes. Ctrl-C (or SIGTERM) ends it.

  tovrak sim --pty LINK [options]
  tovrak sim --stdio [options])";

constexpr const char* kFooter = R"(
Examples:
  tovrak sim --pty /tmp/radio
  tovrak sim --pty /tmp/radio --operator --latency 20 --drop 0.01
)";

// The radio on a pseudo-terminal reached through `link` (the platform's one
// rule for such links: one a running tovrak owns is refused, one left by a
// program that was killed is replaced), on this thread's loop until Ctrl-C.
int run_on_pty(sim::SimRadio& radio, const std::string& link) {
  platform::PosixApartment apt;
  std::unique_ptr<RadioOnPty> line;
  try {
    line = std::make_unique<RadioOnPty>(radio, apt, link, [](const std::string& text) {
      std::cerr << "tovrak sim: " << text << "\n";
    });
  } catch (const std::exception& e) {
    std::cerr << "tovrak sim: " << e.what() << "\n";
    return 1;
  }
  std::cout << link << "\n" << std::flush;
  std::cerr << "tovrak sim: radio (ID " << radio.options().id << ") on " << link << " -> "
            << line->device() << "; Ctrl-C ends\n";
  apt.run();
  return 0;
}

}  // namespace

int cmd_sim(const Args& args) {
  sim::SimOptions opt;
  std::string pty;
  bool stdio = false;
  Options options("sim", kDescription);
  options.group("Where it listens");
  options.text("--pty", pty, "LINK",
               "create a pseudo-terminal and make LINK a symbolic link to it; point the "
               "component's port at LINK. The link is removed on every way out (Ctrl-C, SIGTERM, "
               "SIGHUP); a link another running tovrak owns is refused, one left by a tovrak "
               "that was killed is replaced");
  options.flag("--stdio", stdio,
               "read commands from standard input and answer on standard output (try: echo "
               "\"ID;FA;\" | tovrak sim --stdio)");
  add_sim_options(options, opt);
  options.footer(kFooter);
  if (auto status = options.parse(args)) return *status;
  if (stdio == !pty.empty()) return options.usage_error("give either --pty LINK or --stdio");

  catch_interrupts();
  sim::SimRadio radio(opt);
  if (!pty.empty()) return run_on_pty(radio, pty);
  std::cerr << "tovrak sim: radio (ID " << opt.id << ") on standard input and output\n";
  platform::PosixApartment apt;
  return sim::run_on_descriptors(radio, apt, STDIN_FILENO, STDOUT_FILENO);
}

}  // namespace tovrak::hosts
