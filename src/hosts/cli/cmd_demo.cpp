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
#include "hosts/cli/link_watch.hpp"
#include "hosts/cli/live_view.hpp"
#include "hosts/cli/options.hpp"
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

struct Step {
  double at;
  std::string what;
  std::function<std::string(TOVRAK_Protocol&)> run;
};

std::string vb(VBool b) { return b ? "True" : "False"; }

// The scripted host: what a station program does in half a minute.
std::vector<Step> host_steps(double seconds) {
  auto freq = [](double mhz) { return [mhz](TOVRAK_Protocol& r) { return vb(r.SetFreq(mhz)); }; };
  auto mode = [](int m) {
    return [m](TOVRAK_Protocol& r) {
      int16_t md = static_cast<int16_t>(m), rev = 0;
      return vb(r.SetMode(md, rev));
    };
  };
  std::vector<Step> steps = {
      {3.0, "SetFreq(7.074)", freq(7.074)},
      {4.5, "SetMode(1, 0) USB", mode(1)},
      {6.0, "SetData(5, 0, 0, presets); SetFilter(1, 1, 0)",
       [](TOVRAK_Protocol& r) {
         int16_t l1 = 5, l2 = 0, f = 1, m = 1, rev = 0;
         double d = 0;
         std::string presets = "05101520253031";
         r.SetData(l1, l2, d, presets);
         return vb(r.SetFilter(f, m, rev));
       }},
      {7.5, "PollLevels(): read every setting",
       [](TOVRAK_Protocol& r) {
         r.PollLevels();
         return std::string("started");
       }},
      {9.0, "SetAFLevel(0, 150)",
       [](TOVRAK_Protocol& r) {
         int16_t rx = 0, level = 150;
         return vb(r.SetAFLevel(rx, level));
       }},
      {11.0, "SetFreq(14.2)", freq(14.2)},
      {12.5, "SetMode(2, 0) CW; SetKeyerSpeed(128)",
       [](TOVRAK_Protocol& r) {
         int16_t md = 2, rev = 0, ks = 128;
         r.SetMode(md, rev);
         return vb(r.SetKeyerSpeed(ks));
       }},
      {14.0, "SetTX(14.205, 2): split",
       [](TOVRAK_Protocol& r) {
         double f = 14.205;
         int16_t md = 2;
         return vb(r.SetTX(f, md));
       }},
      {17.0, "SetSplit(0)",
       [](TOVRAK_Protocol& r) {
         int16_t s = 0;
         return vb(r.SetSplit(s));
       }},
      {18.5, "SetVFOM(12): store a memory",
       [](TOVRAK_Protocol& r) {
         int16_t ch = 12;
         std::string info;
         return vb(r.SetVFOM(ch, info));
       }},
      {20.0, "SetVFO(0): back to the VFO",
       [](TOVRAK_Protocol& r) {
         int16_t v = 0;
         return vb(r.SetVFO(v));
       }},
      {21.5, "SetFreq(21.25)", freq(21.25)},
      {23.0, "SetMode(1, 0) USB", mode(1)},
      {24.5, "SetNR(5); SetAtt(1)",
       [](TOVRAK_Protocol& r) {
         int16_t nr = 5, att = 1;
         r.SetNR(nr);
         return vb(r.SetAtt(att));
       }},
  };
  std::vector<Step> out;
  for (auto& s : steps) {
    if (s.at < seconds - 2) out.push_back(std::move(s));
  }
  return out;
}

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
  TOVRAK_Connector connector(apt);
  auto rig = connector.get_TOVRAK_Protocol();
  LiveView view(*rig, "demo: the component driving the simulated radio on " + port);
  const auto start = std::chrono::steady_clock::now();
  auto now = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  std::optional<Terminal> term;
  if (!plain) term.emplace();
  auto log = [&](const std::string& line) {
    view.note(now(), line);
    if (plain) std::printf("%7.2f  %s\n", now(), line.c_str());
  };
  uint64_t written = 0;
  view.set_trace(trace);
  LinkWatch link(apt, now);
  try {
    if (!log_path.empty()) link.log().open(log_path);
  } catch (const std::exception& e) {
    term.reset();
    std::cerr << "tovrak demo: " << e.what() << '\n';
    return 1;
  }
  link.on_write([&](std::string_view b) {
    ++written;
    view.on_write(now(), b);
    if (plain && trace) std::printf("%7.2f  TX %s\n", now(), format_bytes(b).c_str());
  });
  link.on_read([&](std::string_view b) {
    view.on_read(now(), b);
    if (plain && trace) std::printf("%7.2f  RX %s\n", now(), format_bytes(b).c_str());
  });
  rig->AdviseChange([&](int16_t& s) { view.on_event(now(), s); });

  // As a host opens the port and switches CAT on.
  rig->SetPortDevice(port);
  rig->put_Port(1);
  rig->put_PortSpeed("38400");
  VBool open = VTrue;
  std::string address, code, msg;
  if (!rig->SetPort(open, address, code, msg)) {
    std::cerr << "tovrak demo: cannot open " << port << ": " << msg << '\n';
    return 1;
  }
  log("SetPort(True) -> True on " + port);
  int16_t on = 1;
  log("SetCAT(1) -> " + std::to_string(rig->SetCAT(on)));

  auto steps = host_steps(seconds);
  size_t next = 0;
  double next_draw = 0, next_summary = 2;
  bool quit = false;
  while (!quit && !interrupted() && now() < seconds) {
    apt.run_for(std::chrono::milliseconds(40));
    while (next < steps.size() && now() >= steps[next].at) {
      auto& st = steps[next++];
      try {
        log(st.what + " -> " + st.run(*rig));
      } catch (const ComError& e) {
        log(st.what + " !! " + std::to_string(e.number()) + " " + e.description());
      }
    }
    if (term) {
      for (int k = term->key(); k >= 0; k = term->key()) {
        if (view.panel_key(k)) continue;
        if (k == 'q' || k == 'Q') quit = true;
        if (k == 'p' || k == 'P') view.toggle_panel();
      }
      if (now() >= next_draw) {
        term->draw(view.render(now(), term->width(), term->height()));
        next_draw = now() + 0.1;
      }
    } else if (now() >= next_summary) {
      std::printf("%7.2f  %s\n", now(), view.summary().c_str());
      next_summary += 2;
    }
  }
  if (quit || interrupted()) {
    term.reset();
    std::printf("tovrak demo: stopped after %.1f s\n", now());
    return 0;
  }

  // The operator stops; the host refreshes and the component catches up.
  radio.set_operator(false);
  log("the radio's operator stops; SetRefresh()");
  rig->SetRefresh();
  double settle_until = now() + 5;
  while (now() < settle_until && !interrupted()) {
    apt.run_for(std::chrono::milliseconds(100));
    if (term && now() >= next_draw) {
      term->draw(view.render(now(), term->width(), term->height()));
      next_draw = now() + 0.1;
    }
  }
  term.reset();
  Check check = compare(*rig, radio.stop_and_state());
  int16_t off = 0;
  rig->SetCAT(off);
  open = VFalse;
  rig->SetPort(open, address, code, msg);

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
