// tovrak get / set / ptt: one question or one change, for the shell and
// scripts. Opens the port, switches CAT on, lets the component read the
// radio, answers on one line (or in JSON) and leaves; exit status 0 done,
// 1 refused or no radio, 2 a usage mistake.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/live_view.hpp"
#include "hosts/cli/monitor_session.hpp"
#include "hosts/cli/one_shot.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/port_options.hpp"
#include "hosts/cli/posix_script_platform.hpp"
#include "hosts/cli/terminal.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {

namespace {

std::string fmt(const char* f, auto... args) {
  char buf[128];
  std::snprintf(buf, sizeof buf, f, args...);
  return buf;
}

std::string json_text(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A value as the operator reads it, and as JSON.
struct Reading {
  std::string text;
  std::string json;
};

std::string mhz_text(double mhz) { return fmt("%.6f MHz", mhz); }

using Reader = Reading (*)(TOVRAK_Protocol&);

int16_t level(TOVRAK_Protocol& r, int16_t (TOVRAK_Protocol::*get)(Variant&)) {
  Variant main(int16_t{0});
  return (r.*get)(main);
}

Reading level_reading(int16_t v) { return {fmt("%d/255", v), std::to_string(v)}; }

// Each value, how it reads, its help, and the radio's answer it comes from
// (a one-shot waits for that answer before it reads).
struct Value {
  Reader read;
  const char* help;
  const char* answer;
};

const std::map<std::string, Value>& readers() {
  static const std::map<std::string, Value> kReaders = {
      {"freq",
       {[](TOVRAK_Protocol& r) -> Reading {
          return {mhz_text(r.get_Freq()), std::to_string(std::llround(r.get_Freq() * 1e6))};
        },
        "the receive frequency (JSON: Hz)", "IF"}},
      {"txfreq",
       {[](TOVRAK_Protocol& r) -> Reading {
          return {mhz_text(r.get_TX_Freq()), std::to_string(std::llround(r.get_TX_Freq() * 1e6))};
        },
        "the transmit frequency (JSON: Hz)", "IF"}},
      {"mode",
       {[](TOVRAK_Protocol& r) -> Reading {
          return {mode_name(r.get_Mode()), json_text(mode_name(r.get_Mode()))};
        },
        "the mode (LSB, USB, CW, AM, FM, FSK, PKT, WFM)", "IF"}},
      {"vfo",
       {[](TOVRAK_Protocol& r) -> Reading {
          if (r.get_MemMode()) {
            return {fmt("memory %d", r.get_Channel()), fmt("\"M%d\"", r.get_Channel())};
          }
          std::string v = r.get_VFO() == 1.0 ? "B" : "A";
          return {v, json_text(v)};
        },
        "the receive VFO (A, B) or the memory channel", "IF"}},
      {"split",
       {[](TOVRAK_Protocol& r) -> Reading {
          bool on = r.get_Split() != 0;
          return {on ? "on" : "off", on ? "true" : "false"};
        },
        "split on or off", "IF"}},
      {"ptt",
       {[](TOVRAK_Protocol& r) -> Reading {
          bool on = r.get_PTT() != 0;
          return {on ? "on" : "off", on ? "true" : "false"};
        },
        "transmitting or not", "TX"}},
      {"smeter",
       {[](TOVRAK_Protocol& r) -> Reading {
          int16_t raw = r.get_SMeter();
          return {s_units(raw),
                  fmt("{\"raw\": %d, \"s\": %s}", raw, json_text(s_units(raw)).c_str())};
        },
        "the S-meter in S-units (JSON: raw 0-255 and S-units)", "SM"}},
      {"width",
       {[](TOVRAK_Protocol& r) -> Reading {
          return {fmt("%d Hz", r.get_BW()), std::to_string(r.get_BW())};
        },
        "the receive filter width (Hz)", "SH"}},
      {"power",
       {[](TOVRAK_Protocol& r) -> Reading {
          return {fmt("%d W", r.get_RFPower()), std::to_string(r.get_RFPower())};
        },
        "the transmit power setting (0-100)", "PC"}},
      {"af",
       {[](TOVRAK_Protocol& r) -> Reading {
          return level_reading(level(r, &TOVRAK_Protocol::get_AFLevel));
        },
        "the main receiver's AF gain (0-255)", "AG"}},
      {"rf",
       {[](TOVRAK_Protocol& r) -> Reading {
          return level_reading(level(r, &TOVRAK_Protocol::get_RFLevel));
        },
        "the main receiver's RF gain (0-255)", "RG"}},
      {"sql",
       {[](TOVRAK_Protocol& r) -> Reading {
          return level_reading(level(r, &TOVRAK_Protocol::get_SQLevel));
        },
        "the main receiver's squelch (0-255)", "SQ"}},
  };
  return kReaders;
}

// "14.074", "14.074MHz", "14074 kHz", "14074000Hz": MHz.
double read_frequency(const std::string& text) {
  std::string t;
  for (char c : text) {
    if (c != ' ') t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  double scale = 1;
  for (auto [unit, s] : {std::pair{"mhz", 1.0}, {"khz", 1e-3}, {"hz", 1e-6}}) {
    std::string u = unit;
    if (t.size() > u.size() && t.compare(t.size() - u.size(), u.size(), u) == 0) {
      t.resize(t.size() - u.size());
      scale = s;
      break;
    }
  }
  return read_number("the frequency", t, 0, 1e12) * scale;
}

int16_t read_word(const std::string& what, const std::string& text,
                  const std::vector<std::string>& words) {
  std::string up;
  for (char c : text) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == up) return static_cast<int16_t>(i);
  }
  std::string list;
  for (const auto& w : words) list += (list.empty() ? "" : ", ") + w;
  throw std::invalid_argument(what + " takes one of " + list + ", not \"" + text + "\"");
}

// A change: the member call, its name for the reason of a refusal, and
// what the radio reads afterwards.
struct Change {
  std::string member;
  std::vector<Variant> args;  // for the reason of a refusal
  std::function<VBool(TOVRAK_Protocol&)> apply;
  std::string reading;  // the reader that shows the result
};

Change make_change(const std::string& what, const std::string& value) {
  if (what == "freq") {
    double mhz = read_frequency(value);
    return {
        "SetFreq", {Variant(mhz)}, [mhz](TOVRAK_Protocol& r) { return r.SetFreq(mhz); }, "freq"};
  }
  if (what == "mode") {
    int16_t m = read_word("mode", value, {"LSB", "USB", "CW", "AM", "FM", "FSK", "PKT", "WFM"});
    return {"SetMode",
            {},
            [m](TOVRAK_Protocol& r) {
              int16_t md = m, rev = 0;
              return r.SetMode(md, rev);
            },
            "mode"};
  }
  if (what == "vfo") {
    int16_t v = read_word("vfo", value, {"A", "B"});
    return {"SetVFO",
            {},
            [v](TOVRAK_Protocol& r) {
              int16_t x = v;
              return r.SetVFO(x);
            },
            "vfo"};
  }
  if (what == "split" || what == "ptt") {
    int16_t v = read_word(what, value, {"OFF", "ON"});
    if (what == "ptt") {
      return {"SetPTT",
              {},
              [v](TOVRAK_Protocol& r) {
                int16_t x = v;
                return r.SetPTT(x);
              },
              "ptt"};
    }
    return {"SetSplit",
            {},
            [v](TOVRAK_Protocol& r) {
              int16_t x = v;
              return r.SetSplit(x);
            },
            "split"};
  }
  if (what == "power") {
    auto p = static_cast<int16_t>(read_whole("power", value, 0, 100));
    return {"SetRFPower",
            {},
            [p](TOVRAK_Protocol& r) {
              int16_t x = p;
              return r.SetRFPower(x);
            },
            "power"};
  }
  using Level = VBool (TOVRAK_Protocol::*)(int16_t&, int16_t&);
  for (auto [name, member, set] :
       {std::tuple{"af", "SetAFLevel", Level{&TOVRAK_Protocol::SetAFLevel}},
        {"rf", "SetRFLevel", &TOVRAK_Protocol::SetRFLevel},
        {"sql", "SetSQLevel", &TOVRAK_Protocol::SetSQLevel}}) {
    if (what == name) {
      auto l = static_cast<int16_t>(read_whole(what, value, 0, 255));
      return {member,
              {},
              [l, set = set](TOVRAK_Protocol& r) {
                int16_t rx = 0, x = l;
                return (r.*set)(rx, x);
              },
              name};
    }
  }
  throw std::invalid_argument("cannot set \"" + what +
                              "\" (freq, mode, vfo, split, power, af, rf, sql)");
}

// The radio on the port in real time, with a station and its one-shot
// reading.
struct Radio {
  platform::PosixApartment apt;
  PosixScriptPlatform time{apt};
  station::Station station{apt, [this] { return static_cast<double>(time.elapsed_us()) / 1e6; }};
  OneShot shot{station, time};

  explicit Radio(const PortOptions& port) { port.apply(station.rig()); }
};

std::string names_help() {
  std::string h = "\nNames:\n";
  for (const auto& [name, v] : readers()) h += fmt("  %-8s %s\n", name.c_str(), v.help);
  return h;
}

struct Common {
  PortOptions port;
  bool json = false;
  std::string log_path;
};

void add_common(Options& opt, Common& c) {
  opt.flag("--json", c.json, "answer in JSON");
  opt.text("--log", c.log_path, "FILE", "append the commands and answers with timestamps to FILE");
  add_port_options(opt, c.port);
}

// Connects; 0 when the radio answers, otherwise prints why and returns 1.
int connect(OneShot& shot, const Common& c, const std::string& command,
            const std::vector<std::string>& values) {
  try {
    if (!c.log_path.empty()) shot.station().log().open(c.log_path);
  } catch (const std::exception& e) {
    std::cerr << "tovrak " << command << ": " << e.what() << '\n';
    return 1;
  }
  std::string error;
  std::vector<std::string> answers = {"IF"};
  for (const auto& v : values) answers.push_back(readers().at(v).answer);
  if (!shot.connect(answers, error)) {
    std::cerr << "tovrak " << command << ": no radio on " << c.port.path << ": " << error << '\n';
    return 1;
  }
  return 0;
}

int run_change(const std::string& command, Common& c, const std::string& what,
               const std::string& value) {
  Change change;
  try {
    change = make_change(what, value);
  } catch (const std::invalid_argument& e) {
    std::cerr << "tovrak " << command << ": " << e.what() << " (tovrak " << command << " --help)\n";
    return 2;
  }
  catch_interrupts();
  Radio radio(c.port);
  OneShot& shot = radio.shot;
  if (int rc = connect(shot, c, command, {})) return rc;
  bool done = false;
  std::string why;
  try {
    done = change.apply(shot.rig()) != VFalse;
    if (!done) why = refusal_reason(shot.rig(), change.member, change.args);
  } catch (const ComError& e) {
    why = e.description();
  }
  std::string lost;
  if (!shot.complete(done && change.member == "SetPTT", lost)) {
    std::cerr << "tovrak " << command << ": " << lost << '\n';
    return 1;
  }
  Reading now = readers().at(change.reading).read(shot.rig());
  if (c.json) {
    std::cout << "{\"" << what << "\": " << now.json << ", \"done\": " << (done ? "true" : "false");
    if (!done) std::cout << ", \"reason\": " << json_text(why);
    std::cout << "}\n";
  } else if (done) {
    std::cout << what << ' ' << now.text << '\n';
  } else {
    std::cout << what << " refused: " << why << " (now " << now.text << ")\n";
  }
  return done ? 0 : 1;
}

}  // namespace

int cmd_get(const Args& args) {
  Common c;
  std::vector<std::string> names;
  Options opt("get",
              "Reads the radio once and prints the values asked for on one line (one value: "
              "just the value), or as one JSON object with --json.\n\n"
              "  tovrak get freq --port /dev/ttyUSB0\n"
              "  tovrak get freq mode smeter --json --port /tmp/radio");
  opt.app().add_option("NAME", names, "what to read (see below)")->required();
  add_common(opt, c);
  opt.footer(names_help());
  if (auto status = opt.parse(args)) return *status;
  for (const auto& n : names) {
    if (!readers().count(n)) {
      std::string list;
      for (const auto& [name, r] : readers()) list += (list.empty() ? "" : ", ") + name;
      return opt.usage_error("unknown name \"" + n + "\" (" + list + ")");
    }
  }
  if (c.port.path.empty()) return opt.usage_error("say which radio: --port PATH");
  catch_interrupts();
  Radio radio(c.port);
  OneShot& shot = radio.shot;
  if (int rc = connect(shot, c, "get", names)) return rc;
  std::string line, json;
  for (const auto& n : names) {
    Reading r = readers().at(n).read(shot.rig());
    line += (line.empty() ? "" : "  ") + (names.size() == 1 ? r.text : n + " " + r.text);
    json += (json.empty() ? "{" : ", ") + json_text(n) + ": " + r.json;
  }
  std::cout << (c.json ? json + "}" : line) << '\n';
  return 0;
}

int cmd_set(const Args& args) {
  Common c;
  std::string what, value;
  Options opt("set",
              "Changes one setting of the radio and prints what the radio then has; exit "
              "status 1 with the reason when the component refuses.\n\n"
              "  tovrak set freq 14.074 --port /dev/ttyUSB0     (MHz; or 14074kHz, 14074000Hz)\n"
              "  tovrak set mode USB --port /tmp/radio\n"
              "Names: freq, mode (LSB USB CW AM FM FSK PKT WFM), vfo (A B), split (on off),\n"
              "power (0-100), af, rf, sql (0-255).");
  opt.positional("NAME", what, "what to change");
  opt.positional("VALUE", value, "the new value");
  add_common(opt, c);
  if (auto status = opt.parse(args)) return *status;
  if (c.port.path.empty()) return opt.usage_error("say which radio: --port PATH");
  return run_change("set", c, what, value);
}

int cmd_ptt(const Args& args) {
  Common c;
  std::string state;
  Options opt("ptt",
              "Keys (on) or releases (off) the transmitter. The transmitter stays as asked "
              "after the command ends.\n\n"
              "  tovrak ptt on --port /dev/ttyUSB0");
  opt.positional("STATE", state, "on or off");
  add_common(opt, c);
  if (auto status = opt.parse(args)) return *status;
  if (state != "on" && state != "off") return opt.usage_error("ptt takes on or off");
  if (c.port.path.empty()) return opt.usage_error("say which radio: --port PATH");
  return run_change("ptt", c, "ptt", state);
}

}  // namespace tovrak::hosts
