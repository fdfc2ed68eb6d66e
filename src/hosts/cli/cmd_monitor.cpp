// tovrak monitor: the live screen against a real radio (or the simulated
// one), with a prompt that takes session-script statements, so a user can
// drive the radio by hand.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <optional>
#include <sstream>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/live_view.hpp"
#include "hosts/cli/monitor_session.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/port_options.hpp"
#include "hosts/cli/posix_script_platform.hpp"
#include "hosts/cli/prompt.hpp"
#include "hosts/cli/script.hpp"
#include "hosts/cli/terminal.hpp"
#include "hosts/sim/sim_on_pty.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/dispatch.hpp"
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
"help" lists the members, "help NAME" tells more of one; "q", "quit",
"exit", Ctrl-C or the end of input leaves.
Keys: Ctrl-P opens and closes the control panel (the timing of the link;
while it is open its keys go to it); Page Up and Page Down page through the
replies (a reply longer than its area is shown from its first line);
Ctrl-O gives the replies the whole screen and back; Tab completes a member
name, or lists the names that fit; Up and Down go through the history,
kept in $XDG_STATE_HOME/tovrak/history (~/.local/state/tovrak/history);
Ctrl-U clears the line. Leaving the monitor in any way releases a
transmission it started (SetPTT 1).
The status line tells whether the radio answers, has been silent for some
seconds, or the port was lost; the settings show "—" until the radio
has reported them. When standard input is not a terminal, statements are
read from it line by line and the results printed; the first "?" waits
until the radio's status has been read once.
)";

}  // namespace

int cmd_monitor(const Args& args) {
  PortOptions port;
  bool use_sim = false;
  sim::SimOptions sim_options;
  sim_options.id = 19;
  sim_options.operator_on = true;
  Options opt("monitor", kDescription);
  bool trace = false, reopen = false;
  std::string log_path;
  opt.flag("--sim", use_sim, "drive the simulated radio on a pseudo-terminal of its own");
  opt.flag("--trace", trace, "show the radio's answers beside the commands written");
  opt.text("--log", log_path, "FILE", "append the commands and answers with timestamps to FILE");
  opt.flag("--reopen", reopen, "reopen a lost port (a cable pulled, a radio switched off)");
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
  auto t = [&] { return static_cast<double>(platform.elapsed_us()) / 1e6; };
  station::Station station(apt, t);
  TOVRAK_Protocol& rig = station.rig();
  const bool interactive = Terminal::interactive();
  LiveView view(rig, "monitor: " + port.path);
  view.set_trace(trace);
  view.set_hints(" Ctrl-P panel  PgUp/PgDn replies  Ctrl-O bigger  Tab completes  help  q quits",
                 "Ctrl-P");
  MonitorSession session(station, platform);
  try {
    port.apply(rig);
  } catch (const PortRefused& e) {
    return opt.usage_error(e.what());
  }
  try {
    if (!log_path.empty()) station.log().open(log_path);
  } catch (const std::exception& e) {
    std::cerr << "tovrak monitor: " << e.what() << '\n';
    return 1;
  }
  station.on_write([&](std::string_view b) {
    view.on_write(t(), b);
    if (!interactive)
      std::cout << "TX " << format_time(platform.elapsed_us()) << ' ' << format_bytes(b) << '\n';
  });
  station.on_read([&](std::string_view b) {
    view.on_read(t(), b);
    session.heard(b);
    if (!interactive && trace)
      std::cout << "RX " << format_time(platform.elapsed_us()) << ' ' << format_bytes(b) << '\n';
  });
  station.on_lost([&](const std::string& reason) {
    view.note(t(), "port lost: " + reason + (reopen ? "; reopening" : " (--reopen reopens it)"));
    if (!interactive) std::cout << "-- port lost: " << reason << '\n';
  });
  station.on_note([&](const std::string& text) {
    view.note(t(), text);
    if (!interactive) std::cout << "-- " << text << '\n';
  });
  rig.AdviseChange([&](int16_t& s) {
    view.on_event(t(), s);
    if (!interactive)
      std::cout << "EV " << format_time(platform.elapsed_us()) << " Change(" << s << ")\n";
  });

  std::string error;
  if (!session.open(error)) {
    std::cerr << "tovrak monitor: " << error << '\n';
    return 1;
  }

  // The status line follows the port (a reopen by hand included); a lost
  // port is reopened every 2 s with --reopen; the radio's settings are read
  // once its status is.
  auto keep_link = [&] {
    session.tick();
    if (reopen) station.reopen_if_lost();
    view.set_link(station.link());
  };
  auto finish = [&] {
    std::string done = session.close();
    if (!done.empty()) {
      view.note(t(), done);
      std::cerr << "tovrak monitor: " << done << '\n';
    }
  };

  if (!interactive) {
    // Statements from standard input, the component working in between.
    session.wait_for_status();
    pollfd in{STDIN_FILENO, POLLIN, 0};
    std::string pending;
    int line_number = 0;
    while (!interrupted()) {
      apt.run_for(std::chrono::milliseconds(20));
      keep_link();
      if (poll(&in, 1, 0) <= 0) continue;
      char buf[256];
      ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
      if (n <= 0) break;
      pending.append(buf, static_cast<size_t>(n));
      for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        ++line_number;
        if (leaves(line)) {
          finish();
          return 0;
        }
        std::cout << session.execute(line, line_number) << std::flush;
      }
    }
    finish();
    return 0;
  }

  std::vector<std::string> words = {"help", "quit", "exit", "@wait", "True", "False", "Empty"};
  for (const auto& m : Members()) {
    if (std::find(words.begin(), words.end(), m.name) == words.end()) words.emplace_back(m.name);
  }
  Prompt prompt(Prompt::default_history(), std::move(words));
  std::optional<Terminal> term;
  term.emplace();
  int line_number = 0;
  double next_draw = 0;
  for (bool done = false; !done;) {
    apt.run_for(std::chrono::milliseconds(30));
    if (interrupted()) break;
    keep_link();
    for (int k = term->key(); k >= 0 && !done; k = term->key()) {
      next_draw = 0;
      if (k == 16) {  // Ctrl-P: the panel's keys go to it while it is open
        view.toggle_panel();
        continue;
      }
      if (k == Terminal::kPageUp || k == Terminal::kPageDown) {
        view.page(k == Terminal::kPageUp ? 1 : -1);
        continue;
      }
      if (k == 15) {  // Ctrl-O
        view.toggle_large_replies();
        continue;
      }
      if (view.panel_open()) {
        view.panel_key(k);
        continue;
      }
      std::string bytes;
      if (k >= 256 + 'A' && k <= 256 + 'D') {
        bytes = std::string("\x1b[") + static_cast<char>(k - 256);
      } else if (k < 256) {
        bytes = std::string(1, static_cast<char>(k));
      }
      auto line = prompt.feed(bytes);
      if (auto fit = prompt.take_candidates(); !fit.empty()) {
        std::string list;
        for (const auto& w : fit) list += "  " + w;
        view.reply(t(), {std::to_string(fit.size()) + " names fit:" + list});
      }
      if (!line) continue;
      if (leaves(*line)) {
        done = true;
        break;
      }
      std::vector<std::string> reply = {"> " + *line};
      std::istringstream lines(session.execute(*line, ++line_number));
      for (std::string l; std::getline(lines, l);) reply.push_back(l);
      view.reply(t(), reply);
    }
    if (t() >= next_draw) {
      const int h = term->height();
      std::string screen = view.render(t(), term->width(), h - 1);
      const std::string text = prompt.line();
      screen += "> " + text + "\x1b[K\x1b[" + std::to_string(h) + ";" +
                std::to_string(3 + prompt.cursor()) + "H\x1b[?25h";
      term->draw(screen);
      next_draw = t() + 0.1;
    }
  }
  finish();
  term.reset();
  return 0;
}

}  // namespace tovrak::hosts
