// tovrak get / set / ptt: one question or one change, for the shell and
// scripts. Reads the command line, makes the station on the port (or on a
// sharing server's endpoint) and leaves the work to the one-shot; exit
// status 0 done, 1 refused or no radio, 2 a usage mistake, 130 interrupted.
#include <cstdio>
#include <iostream>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/one_shot.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/port_options.hpp"
#include "hosts/cli/posix_script_platform.hpp"
#include "hosts/cli/terminal.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {

namespace {

// The radio on the port in real time, with a station and its one-shot.
struct Radio {
  platform::PosixApartment apt;
  PosixScriptPlatform time{apt};
  station::Station station{apt, [this] { return static_cast<double>(time.elapsed_us()) / 1e6; }};
  OneShot shot{station, time};
};

std::string names_help() {
  std::string h = "\nNames:\n";
  for (const auto& [name, help] : names()) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-8s %s\n", name.c_str(), help.c_str());
    h += line;
  }
  return h;
}

struct Common {
  PortOptions port;
  bool json = false;
  std::string log_path;
  std::string server;
};

void add_common(Options& opt, Common& c) {
  opt.flag("--json", c.json, "answer in JSON");
  opt.text("--log", c.log_path, "FILE", "append the commands and answers with timestamps to FILE");
  opt.option("--server", "HOST:PORT",
             "ask a running tovrak share through its TCP endpoint instead of a port (it answers "
             "from what it knows of the radio)",
             [&c](const std::string& v) {
               check_port_locator("tcp://" + v, "--server");
               c.server = v;
             });
  add_port_options(opt, c.port);
}

// Runs `work` on a station made from the options; a port setting the
// component refuses (a speed no port offers) is a usage mistake.
template <class Work>
int on_station(Options& opt, Common& c, Work&& work) {
  if (!c.server.empty() && c.port.given && !c.port.path.empty()) {
    return opt.usage_error("give either --port or --server");
  }
  if (!c.server.empty()) c.port.path = "tcp://" + c.server;
  if (c.port.path.empty())
    return opt.usage_error("say which radio: --port PATH or --server HOST:PORT");
  catch_interrupts();
  Radio radio;
  try {
    c.port.apply(radio.station.rig());
  } catch (const PortRefused& e) {
    return opt.usage_error(e.what());
  }
  try {
    if (!c.log_path.empty()) radio.station.log().open(c.log_path);
  } catch (const std::exception& e) {
    std::cerr << "tovrak " << opt.command() << ": " << e.what() << '\n';
    return 1;
  }
  ShotOutput out{c.json, !c.server.empty(), std::cout, std::cerr, opt.command(), c.port.path};
  return work(radio.shot, out);
}

}  // namespace

int cmd_get(const Args& args) {
  Common c;
  std::vector<std::string> list;
  Options opt("get",
              "Reads the radio once and prints the values asked for on one line (one value: "
              "just the value), or as one JSON object with --json. Every value comes from the "
              "radio's answer during this call; a value it does not give ends the command with "
              "status 1, naming it.\n\n"
              "  tovrak get freq --port /dev/ttyUSB0\n"
              "  tovrak get freq mode smeter --json --port /tmp/radio\n"
              "  tovrak get freq --server localhost:4532");
  opt.app().add_option("NAME", list, "what to read (see below)")->required();
  add_common(opt, c);
  opt.footer(names_help());
  if (auto status = opt.parse(args)) return *status;
  for (const auto& n : list) {
    if (!known_name(n)) {
      std::string all;
      for (const auto& [name, help] : names()) all += (all.empty() ? "" : ", ") + name;
      return opt.usage_error("unknown name \"" + n + "\" (" + all + ")");
    }
  }
  return on_station(opt, c,
                    [&](OneShot& shot, const ShotOutput& o) { return run_get(shot, list, o); });
}

namespace {

int change(Options& opt, Common& c, const std::string& what, const std::string& value) {
  try {
    check_change(what, value);
  } catch (const std::invalid_argument& e) {
    return opt.usage_error(e.what());
  }
  return on_station(
      opt, c, [&](OneShot& shot, const ShotOutput& o) { return run_set(shot, what, value, o); });
}

}  // namespace

int cmd_set(const Args& args) {
  Common c;
  std::string what, value;
  Options opt("set",
              "Changes one setting of the radio and prints what the radio then reports; exit "
              "status 1 with the reason when the component refuses.\n\n"
              "  tovrak set freq 14.074 --port /dev/ttyUSB0     (MHz; or 14074kHz, 14074000Hz)\n"
              "  tovrak set mode USB --port /tmp/radio\n"
              "Names: freq, mode (LSB USB CW AM FM FSK PKT WFM), vfo (A B), split (on off),\n"
              "power (0-100 W), af, rf, sql (0-255).");
  opt.positional("NAME", what, "what to change");
  opt.positional("VALUE", value, "the new value");
  add_common(opt, c);
  if (auto status = opt.parse(args)) return *status;
  return change(opt, c, what, value);
}

int cmd_ptt(const Args& args) {
  Common c;
  std::string state;
  Options opt("ptt",
              "Keys (on) or releases (off) the transmitter. The transmitter stays as asked "
              "after the command ends; through a sharing server (--server) it cannot stay "
              "keyed, as the server releases it when its client leaves, so ptt on is refused "
              "there.\n\n"
              "  tovrak ptt on --port /dev/ttyUSB0");
  opt.positional("STATE", state, "on or off");
  add_common(opt, c);
  if (auto status = opt.parse(args)) return *status;
  if (state != "on" && state != "off") return opt.usage_error("ptt takes on or off");
  return change(opt, c, "ptt", state);
}

}  // namespace tovrak::hosts
