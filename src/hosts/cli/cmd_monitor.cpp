// tovrak monitor: the live screen against a real radio (or the simulated
// one), with a prompt that takes session-script statements, so a user can
// drive the radio by hand.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <optional>
#include <sstream>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/live_view.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/port_options.hpp"
#include "hosts/cli/posix_script_platform.hpp"
#include "hosts/cli/script.hpp"
#include "hosts/cli/sim_on_pty.hpp"
#include "hosts/cli/terminal.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::hosts {

namespace {

constexpr const char* kDescription =
    R"(Opens the radio's port, switches CAT on and shows what the component knows
of the radio as it changes, the commands written and the events raised.

  tovrak monitor --port PATH [--speed N] [--no-rts] [--dtr]
  tovrak monitor --sim [radio options])";

constexpr const char* kFooter = R"(
Statements typed at the prompt run at once, as in a session script:
  SetFreq 7.074
  ? AFLevel(0)
  SetMode 1, 0
Ctrl-P opens and closes the control panel (the timing of the link), Ctrl-C
or "quit" ends. When standard input is not a terminal, statements are read
from it line by line and the results printed.
)";

}  // namespace

int cmd_monitor(const Args& args) {
  PortOptions port;
  bool use_sim = false;
  sim::SimOptions sim_options;
  sim_options.id = 19;
  sim_options.operator_on = true;
  Options opt("monitor", kDescription);
  opt.flag("--sim", use_sim, "drive the simulated radio on a pseudo-terminal of its own");
  add_port_options(opt, port);
  add_sim_options(opt, sim_options);
  opt.footer(kFooter);
  if (auto status = opt.parse(args)) return *status;
  if (use_sim == port.given) return opt.usage_error("say which radio: --port PATH or --sim");
  if (!use_sim && opt.any_given(kSimGroup)) {
    return opt.usage_error("the radio options shape the simulated radio: add --sim");
  }

  catch_interrupts();
  std::optional<SimOnPty> radio;
  if (use_sim) {
    radio.emplace(sim_options);
    port.path = radio->path();
  }
  platform::PosixApartment apt;
  PosixScriptPlatform platform(apt);
  TOVRAK_Connector connector(apt);
  auto rig = connector.get_TOVRAK_Protocol();
  const bool interactive = Terminal::interactive();
  LiveView view(*rig, "monitor: " + port.path);
  auto t = [&] { return static_cast<double>(platform.elapsed_us()) / 1e6; };
  apt.on_serial_write([&](std::string_view b) {
    view.on_write(t(), b);
    if (!interactive)
      std::cout << "TX " << format_time(platform.elapsed_us()) << ' ' << format_bytes(b) << '\n';
  });
  rig->AdviseChange([&](int16_t& s) {
    view.on_event(t(), s);
    if (!interactive)
      std::cout << "EV " << format_time(platform.elapsed_us()) << " Change(" << s << ")\n";
  });

  try {
    port.apply(*rig);
    rig->put_Port(1);
  } catch (const ComError& e) {
    std::cerr << "tovrak monitor: " << e.description() << '\n';
    return 1;
  }
  VBool open = VTrue;
  std::string address, code, msg;
  if (!rig->SetPort(open, address, code, msg)) {
    std::cerr << "tovrak monitor: " << msg << '\n';
    return 1;
  }
  int16_t on = 1;
  rig->SetCAT(on);

  auto execute = [&](const std::string& line) {
    std::ostringstream out;
    try {
      for (const auto& st : parse_script(line)) run_statement(*rig, st, platform, out);
    } catch (const ScriptError& e) {
      out << e.what() << '\n';
    }
    return out.str();
  };

  if (!interactive) {
    // Statements from standard input, the component working in between.
    std::string line;
    pollfd in{STDIN_FILENO, POLLIN, 0};
    std::string pending;
    while (!interrupted()) {
      apt.run_for(std::chrono::milliseconds(20));
      if (poll(&in, 1, 0) <= 0) continue;
      char buf[256];
      ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
      if (n <= 0) break;
      pending.append(buf, static_cast<size_t>(n));
      for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
        line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        if (line == "quit") return 0;
        std::cout << execute(line) << std::flush;
      }
    }
    return 0;
  }

  Terminal term;
  std::string input;
  double next_draw = 0;
  for (;;) {
    apt.run_for(std::chrono::milliseconds(30));
    if (interrupted()) break;
    bool done = false;
    for (int k = term.key(); k >= 0 && !done; k = term.key()) {
      if (k == 16) {  // Ctrl-P
        view.toggle_panel();
      } else if (view.panel_key(k)) {
      } else if (k == '\r' || k == '\n') {
        if (input == "quit" || input == "exit") {
          done = true;
          break;
        }
        std::string result = execute(input);
        std::istringstream lines(result);
        for (std::string l; std::getline(lines, l);) view.note(t(), l);
        input.clear();
      } else if (k == 127 || k == 8) {
        if (!input.empty()) input.pop_back();
      } else if (k >= 32 && k < 127) {
        input.push_back(static_cast<char>(k));
      }
    }
    if (done) break;
    if (t() >= next_draw) {
      std::string screen = view.render(t(), term.width(), term.height() - 1);
      screen += "> " + input + "\x1b[K";
      term.draw(screen);
      next_draw = t() + 0.1;
    }
  }
  int16_t off = 0;
  rig->SetCAT(off);
  open = VFalse;
  rig->SetPort(open, address, code, msg);
  return 0;
}

}  // namespace tovrak::hosts
