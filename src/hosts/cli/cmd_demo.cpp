// tovrak demo: the real component, over a real pseudo-terminal, driving the
// simulated radio exactly as a host would; a live screen on a terminal, a
// plain log otherwise; and a final check that the state the component shows
// agrees with the radio's.
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/demo_host.hpp"
#include "hosts/cli/live_view.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/posix_script_platform.hpp"
#include "hosts/cli/script.hpp"
#include "hosts/cli/ser2net_server.hpp"
#include "hosts/cli/terminal.hpp"
#include "hosts/sim/sim_on_pty.hpp"
#include "radio/modes.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {

namespace {

constexpr const char* kDescription =
    R"(Runs the component against the simulated radio over a real pseudo-terminal,
as a station program would: it opens the port, switches CAT on, and a
scripted host tunes across bands, changes mode and filter, sets levels, uses
a memory and split, while the radio's own operator turns the dial too. On a
terminal a live screen shows what the component knows; otherwise a plain log.
At the end the state the component shows is checked against the radio's.)";

constexpr const char* kFooter = "\nKeys: p opens and closes the control panel, q quits.\n";

// What the component shows against what the radio has.
struct Check {
  std::vector<std::string> lines;
  bool ok = true;
  void same(const std::string& what, const std::string& component, const std::string& radio) {
    bool equal = component == radio;
    ok = ok && equal;
    lines.push_back((equal ? "  ok    " : "  DIFF  ") + what + ": component " + component +
                    ", radio " + radio);
  }
};

std::string hz_text(int64_t hz) { return std::to_string(hz) + " Hz"; }

Check compare(TOVRAK_Protocol& rig, const sim::RadioState& radio) {
  Check c;
  // The mode a host reads for one of the radio's mode characters.
  auto mode_of = [](char ch) -> std::string {
    const radio::ModeChar* m = radio::FindModeChar(ch);
    return std::string(m ? radio::ModeName(m->mode) : "?");
  };
  c.same("VFO A", hz_text(std::llround(rig.get_VFOA_Freq() * 1e6)), hz_text(radio.vfo[0].hz));
  c.same("VFO B", hz_text(std::llround(rig.get_VFOB_Freq() * 1e6)), hz_text(radio.vfo[1].hz));
  c.same("mode A", mode_name(rig.get_VFOA_Mode()), mode_of(radio.vfo[0].mode));
  c.same("mode B", mode_name(rig.get_VFOB_Mode()), mode_of(radio.vfo[1].mode));
  c.same("receive VFO", rig.get_VFO() == 1.0 ? "B" : "A", radio.rx_vfo == 1 ? "B" : "A");
  c.same("split", rig.get_Split() ? "on" : "off", radio.split() ? "on" : "off");
  c.same("memory mode", rig.get_MemMode() ? "on" : "off", radio.memory_mode ? "on" : "off");
  Variant main(int16_t{0});
  c.same("AF gain", std::to_string(rig.get_AFLevel(main)), std::to_string(radio.rx[0].af));
  return c;
}

}  // namespace

int cmd_demo(const Args& args) {
  double seconds = 30;
  bool plain = !Terminal::interactive();
  bool remote = false;
  sim::SimOptions options;
  options.id = 19;
  options.seed = 7;
  options.operator_on = true;
  Options opt("demo", kDescription);
  opt.number("--seconds", seconds, 5, 86'400, "N", "how long the host works (default 30)");
  opt.flag("--plain", plain, "the plain log even on a terminal");
  bool trace = false;
  std::string log_path;
  opt.flag("--trace", trace, "show the radio's answers beside the commands written");
  opt.text("--log", log_path, "FILE", "append the commands and answers with timestamps to FILE");
  opt.flag("--remote", remote,
           "reach the radio as a remote station does: ser2net serves its pseudo-terminal "
           "with RFC 2217 on 127.0.0.1 and the component opens rfc2217://127.0.0.1:PORT "
           "(needs ser2net)");
  add_sim_options(opt, options);
  opt.footer(kFooter);
  if (auto status = opt.parse(args)) return *status;

  catch_interrupts();
  SimOnPty radio(options);
  std::optional<Ser2netServer> server;
  std::string port = radio.path();
  if (remote) {
    try {
      server.emplace(radio.path());
    } catch (const std::exception& e) {
      std::cerr << "tovrak demo: " << e.what() << '\n';
      return 1;
    }
    port = server->locator();
  }
  platform::PosixApartment apt;
  PosixScriptPlatform time(apt);
  auto now = [&] { return static_cast<double>(time.elapsed_us()) / 1e6; };
  station::Station station(apt, now);
  TOVRAK_Protocol& rig = station.rig();
  LiveView view(rig, "demo: the component driving the simulated radio on " + port);
  std::optional<Terminal> term;
  if (!plain) term.emplace();
  auto log = [&](const std::string& line) {
    view.note(now(), line);
    if (plain) std::printf("%7.2f  %s\n", now(), line.c_str());
  };
  uint64_t written = 0;
  view.set_trace(trace);
  try {
    if (!log_path.empty()) station.log().open(log_path);
  } catch (const std::exception& e) {
    term.reset();
    std::cerr << "tovrak demo: " << e.what() << '\n';
    return 1;
  }
  station.on_write([&](std::string_view b) {
    ++written;
    view.on_write(now(), b);
    if (plain && trace) std::printf("%7.2f  TX %s\n", now(), format_bytes(b).c_str());
  });
  station.on_read([&](std::string_view b) {
    view.on_read(now(), b);
    if (plain && trace) std::printf("%7.2f  RX %s\n", now(), format_bytes(b).c_str());
  });
  station.on_lost([&](const std::string& reason) { log("port lost: " + reason); });
  station.on_note(log);
  rig.AdviseChange([&](int16_t& s) { view.on_event(now(), s); });

  // As a host opens the port and switches CAT on.
  rig.SetPortDevice(port);
  rig.put_Port(1);
  rig.put_PortSpeed("38400");
  std::string error;
  if (!station.open(error)) {
    std::cerr << "tovrak demo: cannot open " << port << ": " << error << '\n';
    return 1;
  }
  log("SetPort(True), SetCAT(1) on " + port);

  double next_draw = 0, next_summary = 2;
  bool quit = false;
  auto draw = [&] {
    view.set_link(station.link());
    if (term && now() >= next_draw) {
      term->draw(view.render(now(), term->width(), term->height()));
      next_draw = now() + 0.1;
    }
  };
  DemoRun run;
  run.seconds = seconds;
  run.stop = [&] { return quit || interrupted(); };
  run.log = log;
  run.round = [&] {
    if (term) {
      for (int k = term->key(); k >= 0; k = term->key()) {
        if (view.panel_key(k)) continue;
        if (k == 'q' || k == 'Q') quit = true;
        if (k == 'p' || k == 'P') view.toggle_panel();
      }
      draw();
    } else if (now() >= next_summary) {
      std::printf("%7.2f  %s\n", now(), view.summary().c_str());
      next_summary += 2;
    }
  };
  // Every way out goes through the station: a transmission of the host
  // released, CAT off, the port closed.
  auto leave = [&] {
    std::string done = station.close();
    term.reset();
    if (!done.empty()) std::printf("tovrak demo: %s\n", done.c_str());
  };
  if (!run_demo_host(station, time, run)) {
    leave();
    std::printf("tovrak demo: stopped after %.1f s\n", now());
    return 0;
  }

  // The operator stops; the host refreshes and the component catches up.
  radio.set_operator(false);
  log("the radio's operator stops; SetRefresh()");
  rig.SetRefresh();
  double settle_until = now() + 5;
  while (now() < settle_until && !interrupted()) {
    time.wait_ms(100);
    draw();
  }
  Check check = compare(rig, radio.stop_and_state());
  leave();

  std::printf("\n%llu commands written; Change(1) %llu, Change(3) %llu, Change(4) %llu\n",
              static_cast<unsigned long long>(written),
              static_cast<unsigned long long>(view.events(change::kMode)),
              static_cast<unsigned long long>(view.events(change::kSMeter)),
              static_cast<unsigned long long>(view.events(change::kStatus)));
  std::printf("The component's state against the simulated radio's:\n");
  for (const auto& l : check.lines) std::printf("%s\n", l.c_str());
  std::printf("%s\n", check.ok ? "demo check passed: the component agrees with the radio"
                               : "demo check FAILED: the component disagrees with the radio");
  return check.ok ? 0 : 1;
}

}  // namespace tovrak::hosts
