#include "hosts/cli/one_shot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ostream>
#include <stdexcept>

#include "hosts/cli/live_view.hpp"
#include "hosts/cli/monitor_session.hpp"
#include "hosts/cli/options.hpp"
#include "radio/digits.hpp"
#include "radio/modes.hpp"
#include "radio/parse.hpp"
#include "tovrak/control_panel.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::hosts {

namespace {

// The component's status queries in the order its polling path asks them.
constexpr const char* kStatusCycle[] = {"FA", "FB", "IF", "FT", "OI", "TX", "AC", "VS"};

// The answers whose key carries the receiver digit.
std::string key_of(std::string_view answer) {
  static constexpr std::string_view kPerReceiver[] = {"AG", "RG", "SQ", "SH", "SM"};
  const std::string_view code = answer.substr(0, 2);
  const bool digit =
      std::find(std::begin(kPerReceiver), std::end(kPerReceiver), code) != std::end(kPerReceiver);
  return std::string(answer.substr(0, digit ? 3 : 2));
}

std::string fmt(const char* f, auto... args) {
  char buf[160];
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

Reading hz_reading(double mhz) {
  return {fmt("%.6f MHz", mhz), std::to_string(std::llround(mhz * 1e6))};
}
Reading switch_reading(bool on) { return {on ? "on" : "off", on ? "true" : "false"}; }
Reading level_reading(int v) { return {fmt("%d/255", v), std::to_string(v)}; }

// The value of an answer's first field (a level, a step), read by the radio
// layer's parser; -1 when the answer is missing or not readable.
int first_field(const OneShot& shot, const std::string& key) {
  const std::string a = shot.answer(key);
  if (a.empty()) return -1;
  const radio::Parsed p = radio::Parse(a, radio::Direction::kAnswer, shot.id());
  return p ? static_cast<int>(p.message[0]) : -1;
}

// The main receiver's level as the component decoded it.
int level(OneShot& shot, int16_t (TOVRAK_Protocol::*get)(Variant&)) {
  Variant main(int16_t{0});
  return (shot.rig().*get)(main);
}

// A field of the radio's "IF" answer: what it receives, as it said it (the
// component's own mode and frequency can hold a start-up value of the
// other VFO's fields once "VS" was decoded); -1 without one.
int64_t info_field(const OneShot& shot, size_t field) {
  const radio::Parsed p = radio::Parse(shot.answer("IF"), radio::Direction::kAnswer, shot.id());
  return p ? p.message[field] : -1;
}

// What a name needs of the radio and how it reads.
struct Name {
  const char* name;
  const char* help;
  int status_steps;                  // the status queries it needs: this many of the cycle
  const char* query;                 // a query beyond the status ("PC", "SM0"), or nullptr
  std::vector<const char*> answers;  // the answers it is read from
  std::function<Reading(OneShot&)> read;
};

const std::vector<Name>& table() {
  static const std::vector<Name> kNames = {
      {"freq",
       "the receive frequency (JSON: Hz)",
       3,
       nullptr,
       {"IF"},
       [](OneShot& s) {
         return hz_reading(static_cast<double>(info_field(s, radio::info::kHertz)) / 1e6);
       }},
      {"txfreq",
       "the transmit frequency (JSON: Hz)",
       8,
       nullptr,
       {"FA", "FB", "FT", "VS"},
       [](OneShot& s) { return hz_reading(s.rig().get_TX_Freq()); }},
      {"mode",
       "the mode (LSB, USB, CW, AM, FM, FSK, PKT, WFM)",
       3,
       nullptr,
       {"IF"},
       [](OneShot& s) {
         const auto* c = radio::FindModeChar(static_cast<char>(info_field(s, radio::info::kMode)));
         const std::string m(radio::ModeName(c ? c->mode : -1));
         return Reading{m, json_text(m)};
       }},
      {"vfo",
       "the receive VFO (A, B) or the memory channel",
       8,
       nullptr,
       {"IF", "VS"},
       [](OneShot& s) {
         if (s.radio_in_memory()) {
           const int16_t ch = s.rig().get_Channel();
           return Reading{fmt("memory %d", ch), fmt("\"M%d\"", ch)};
         }
         const std::string v = s.rig().get_VFO() == 1 ? "B" : "A";
         return Reading{v, json_text(v)};
       }},
      {"split",
       "split on or off",
       8,
       nullptr,
       {"FT", "VS"},
       [](OneShot& s) { return switch_reading(s.rig().get_Split() != 0); }},
      {"ptt",
       "transmitting or not",
       6,
       nullptr,
       {"TX"},
       [](OneShot& s) { return switch_reading(s.rig().get_PTT() != 0); }},
      {"smeter",
       "the S-meter in S-units (JSON: raw 0-255 and S-units)",
       0,
       "SM0",
       {"SM0"},
       [](OneShot& s) {
         const int16_t raw = s.rig().get_SMeter();
         return Reading{s_units(raw),
                        fmt("{\"raw\": %d, \"s\": %s}", raw, json_text(s_units(raw)).c_str())};
       }},
      {"width",
       "the receive filter width (Hz)",
       3,
       "SH0",
       {"IF", "SH0"},
       [](OneShot& s) {
         const int bw = s.rig().get_BW();
         return Reading{fmt("%d Hz", bw), std::to_string(bw)};
       }},
      {"power",
       "the transmit power setting (0-100 W)",
       0,
       "PC",
       {"PC"},
       [](OneShot& s) {
         const int w = watts_of(first_field(s, "PC"));
         return Reading{fmt("%d W", w), std::to_string(w)};
       }},
      {"af",
       "the main receiver's AF gain (0-255)",
       0,
       "AG0",
       {"AG0"},
       [](OneShot& s) { return level_reading(level(s, &TOVRAK_Protocol::get_AFLevel)); }},
      {"rf",
       "the main receiver's RF gain (0-255)",
       0,
       "RG0",
       {"RG0"},
       [](OneShot& s) { return level_reading(level(s, &TOVRAK_Protocol::get_RFLevel)); }},
      {"sql",
       "the main receiver's squelch (0-255)",
       0,
       "SQ0",
       {"SQ0"},
       [](OneShot& s) { return level_reading(level(s, &TOVRAK_Protocol::get_SQLevel)); }},
  };
  return kNames;
}

const Name& name_row(const std::string& name) {
  for (const auto& n : table()) {
    if (n.name == name) return n;
  }
  throw std::invalid_argument("unknown name \"" + name + "\"");
}

}  // namespace

// ---------------------------------------------------------------- OneShot

OneShot::OneShot(station::Station& station, ScriptPlatform& time) : station_(station), time_(time) {
  station_.on_read([this](std::string_view bytes) { heard(bytes); });
  station_.on_write([this](std::string_view bytes) { wrote(bytes); });
}

OneShot::~OneShot() {
  station_.on_read(nullptr);
  station_.on_write(nullptr);
}

void OneShot::wrote(std::string_view bytes) {
  if (writing_) written_ += bytes;
  // A poll of the status or the S-meter waits for its answer.
  for (size_t at = 0, end; (end = bytes.find(';', at)) != std::string_view::npos; at = end + 1) {
    const std::string_view command = bytes.substr(at, end - at);
    if (command == "SM0" || std::find(std::begin(kStatusCycle), std::end(kStatusCycle), command) !=
                                std::end(kStatusCycle)) {
      asked_ = std::string(command);
      asked_at_ = now();
    }
  }
}

void OneShot::heard(std::string_view bytes) {
  for (char c : bytes) {
    if (c != ';') {
      if (partial_.size() < 256) partial_ += c;
      continue;
    }
    if (partial_.size() >= 2) {
      if (partial_.starts_with("ID") && radio::IsDigits(partial_.substr(2))) {
        id_ = static_cast<int>(radio::DigitsValue(partial_.substr(2)));
      }
      const std::string key = key_of(partial_);
      if (key == asked_) asked_.clear();
      heard_[key] = partial_;
    }
    partial_.clear();
  }
}

std::string OneShot::answer(const std::string& key) const {
  auto it = heard_.find(key);
  return it == heard_.end() ? std::string() : it->second;
}

bool OneShot::radio_in_memory() const {
  const std::string info = answer("IF");
  if (info.empty()) return station_.rig().get_MemMode() != 0;
  const radio::Parsed p = radio::Parse(info, radio::Direction::kAnswer, id_);
  return p && p.message[radio::info::kMemory] != 0;
}

// The rows of the component's timing that hold a one-shot's queries back,
// and what they are while it only asks: polls after any write, control
// commands after any write, polls after a control command, none; the span
// within which those rules hold, none at all (a delay below zero is none),
// so that a query is never held back or dropped; and the polling timer, a
// minute, so that it asks nothing of its own: the one-shot itself asks one
// poll at a time.
constexpr int kHoldingRows[] = {0, 1, 4, 3, 2};
constexpr const char* kQuickMs[] = {"0", "0", "0", "-1", "60000"};

void OneShot::quick_timing() {
  ControlPanel& panel = ControlPanelOf(station_.rig());
  panel.negative_delays = ControlPanel::NegativeDelays::kTakenAsTyped;
  if (normal_ms_.empty()) {
    for (int row : kHoldingRows) normal_ms_.push_back(panel.CurrentValueMs(row));
  }
  for (size_t i = 0; i < std::size(kHoldingRows); ++i) {
    panel.txtMS_Change(kHoldingRows[i], kQuickMs[i]);
    panel.cmdSet_Click(kHoldingRows[i]);
  }
}

void OneShot::normal_timing() {
  ControlPanel& panel = ControlPanelOf(station_.rig());
  for (size_t i = 0; i < normal_ms_.size(); ++i) {
    panel.txtMS_Change(kHoldingRows[i], fmt("%.0f", normal_ms_[i]));
    panel.cmdSet_Click(kHoldingRows[i]);
  }
}

bool OneShot::open(std::string& error) {
  quick_timing();
  return station_.open(error);
}

std::vector<std::string> OneShot::read(const std::vector<std::string>& names) {
  int steps = 0;
  bool meter = false;
  std::string batch;  // the queries of one raw command
  std::vector<const Name*> rows;
  for (const auto& n : names) {
    const Name& row = name_row(n);
    rows.push_back(&row);
    steps = std::max(steps, row.status_steps);
    if (!row.query) continue;
    if (std::string(row.query) == "SM0") {
      meter = true;
    } else if (batch.find(row.query) == std::string::npos) {
      batch += (batch.empty() ? "" : ";") + std::string(row.query);
    }
  }
  heard_.clear();
  TOVRAK_Protocol& rig = station_.rig();
  if (steps > 0) rig.SetRefresh();  // the status queries from the first
  auto status_done = [&] {
    for (int i = 0; i < steps; ++i) {
      if (answer(kStatusCycle[i]).empty()) return false;
    }
    return true;
  };
  auto all_heard = [&] {
    for (const Name* row : rows) {
      for (const char* a : row->answers) {
        if (answer(a).empty()) return false;
      }
    }
    return true;
  };
  const double until = now() + kLongestWait;
  bool batch_sent = batch.empty();
  asked_.clear();
  while (!stopped() && now() < until) {
    // One poll at a time: the next once the last was answered (or given up).
    const bool free = asked_.empty() || now() - asked_at_ > kAskAgain;
    if (!status_done()) {
      int16_t status = 1;
      if (free) rig.SetPolling(status);
    } else if (meter && answer("SM0").empty()) {
      int16_t smeter = 3;
      if (free) rig.SetPolling(smeter);
    } else if (!batch_sent) {
      int16_t raw = 0;
      rig.SetCommand(raw, batch);
      batch_sent = true;
    } else if (all_heard()) {
      break;
    }
    time_.wait_for_work_ms(1);
  }
  std::vector<std::string> missing;
  for (const Name* row : rows) {
    for (const char* a : row->answers) {
      if (answer(a).empty()) {
        missing.push_back(std::string(row->name) + " (no answer to " + a + ")");
        break;
      }
    }
  }
  return missing;
}

// ---------------------------------------------------------------- names

const std::vector<std::pair<std::string, std::string>>& names() {
  static const auto kList = [] {
    std::vector<std::pair<std::string, std::string>> list;
    for (const auto& n : table()) list.emplace_back(n.name, n.help);
    return list;
  }();
  return kList;
}

bool known_name(const std::string& name) {
  return std::any_of(table().begin(), table().end(), [&](const Name& n) { return n.name == name; });
}

int watts_of(int step) {
  for (int w = 0; w <= 200; ++w) {
    const float scaled = static_cast<float>(w) / 200.0f * 255.0f;
    if (static_cast<int>(std::floor(static_cast<double>(scaled) + 0.1)) == step) return w;
  }
  return static_cast<int>(std::lround(step / 255.0 * 200.0));
}

// ---------------------------------------------------------------- get

namespace {

// The way out of a one-shot that did not get its answers: 130 after a stop
// request, otherwise 1 with what was missing.
int not_read(OneShot& shot, const std::vector<std::string>& missing, const ShotOutput& o) {
  if (shot.stopped()) {
    o.err << "tovrak " << o.command << ": interrupted\n";
    return 130;
  }
  if (shot.station().lost()) {
    o.err << "tovrak " << o.command << ": " << shot.station().link() << '\n';
    return 1;
  }
  std::string list;
  for (const auto& m : missing) list += (list.empty() ? "" : ", ") + m;
  o.err << "tovrak " << o.command << ": the radio on " << o.port << " did not tell " << list
        << '\n';
  return 1;
}

bool opened(OneShot& shot, const ShotOutput& o) {
  std::string error;
  if (shot.open(error)) return true;
  o.err << "tovrak " << o.command << ": no radio on " << o.port << ": " << error << '\n';
  return false;
}

}  // namespace

int run_get(OneShot& shot, const std::vector<std::string>& names, const ShotOutput& o) {
  if (!opened(shot, o)) return shot.stopped() ? 130 : 1;
  const auto missing = shot.read(names);
  if (!missing.empty() || shot.stopped()) return not_read(shot, missing, o);
  std::string line, json;
  for (const auto& n : names) {
    const Reading r = name_row(n).read(shot);
    line += (line.empty() ? "" : "  ") + (names.size() == 1 ? r.text : n + " " + r.text);
    json += (json.empty() ? "{" : ", ") + json_text(n) + ": " + r.json;
  }
  o.out << (o.json ? json + "}" : line) << '\n';
  return 0;
}

// ---------------------------------------------------------------- set

namespace {

// "14.074", "14.074MHz", "14074 kHz", "14074000Hz": MHz.
double read_frequency(const std::string& text) {
  std::string t;
  for (char c : text) {
    if (c != ' ') t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  double scale = 1;
  for (auto [unit, s] : {std::pair{"mhz", 1.0}, {"khz", 1e-3}, {"hz", 1e-6}}) {
    if (t.size() > std::strlen(unit) && t.ends_with(unit)) {
      t.resize(t.size() - std::strlen(unit));
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

std::vector<std::string> mode_names() {
  std::vector<std::string> list;
  for (const auto& m : radio::InterfaceModes()) list.emplace_back(m.name);
  return list;
}

// A change: the member and its arguments (for the reason of a refusal) and
// the call.
struct Change {
  std::string member;
  std::vector<Variant> args;
  std::function<VBool(TOVRAK_Protocol&)> apply;
};

Change make_change(const std::string& what, const std::string& value) {
  if (what == "freq") {
    const double mhz = read_frequency(value);
    return {"SetFreq", {Variant(mhz)}, [mhz](TOVRAK_Protocol& r) { return r.SetFreq(mhz); }};
  }
  using One = VBool (TOVRAK_Protocol::*)(int16_t&);
  auto one = [](const char* member, One call, int16_t v) {
    return Change{member, {Variant(v)}, [call, v](TOVRAK_Protocol& r) {
                    int16_t x = v;
                    return (r.*call)(x);
                  }};
  };
  if (what == "mode") {
    const int16_t m = read_word("mode", value, mode_names());
    return {"SetMode", {Variant(m), Variant(int16_t{0})}, [m](TOVRAK_Protocol& r) {
              int16_t md = m, reverse = 0;
              return r.SetMode(md, reverse);
            }};
  }
  if (what == "vfo")
    return one("SetVFO", &TOVRAK_Protocol::SetVFO, read_word("vfo", value, {"A", "B"}));
  if (what == "split") {
    return one("SetSplit", &TOVRAK_Protocol::SetSplit, read_word("split", value, {"OFF", "ON"}));
  }
  if (what == "ptt")
    return one("SetPTT", &TOVRAK_Protocol::SetPTT, read_word("ptt", value, {"OFF", "ON"}));
  if (what == "power") {
    return one("SetRFPower", &TOVRAK_Protocol::SetRFPower,
               static_cast<int16_t>(read_whole("power", value, 0, 100)));
  }
  using Level = VBool (TOVRAK_Protocol::*)(int16_t&, int16_t&);
  for (auto [name, member, set] :
       {std::tuple{"af", "SetAFLevel", Level{&TOVRAK_Protocol::SetAFLevel}},
        {"rf", "SetRFLevel", &TOVRAK_Protocol::SetRFLevel},
        {"sql", "SetSQLevel", &TOVRAK_Protocol::SetSQLevel}}) {
    if (what == name) {
      const auto l = static_cast<int16_t>(read_whole(what, value, 0, 255));
      return {member, {Variant(int16_t{0}), Variant(l)}, [l, set = set](TOVRAK_Protocol& r) {
                int16_t rx = 0, x = l;
                return (r.*set)(rx, x);
              }};
    }
  }
  throw std::invalid_argument("cannot set \"" + what +
                              "\" (freq, mode, vfo, split, power, af, rf, sql)");
}

// Why the component refused: a mode its capabilities leave out is named,
// the rest as every front end says it.
std::string reason(TOVRAK_Protocol& rig, const Change& change) {
  if (change.member == "SetMode" && !rig.get_MemMode()) {
    int16_t modes = 16;  // the capability entry of the modes, one bit each
    const int m = change.args[0].to_i32();
    if (((rig.get_Property(modes) >> m) & 1) == 0) {
      return "the radio's capabilities do not offer " + std::string(radio::ModeName(m));
    }
  }
  return refusal_reason(rig, change.member, change.args);
}

constexpr const char* kNineDigitNote =
    "VM sent first: a nine-digit radio's mode character in LSB and USB stands where the "
    "component reads the memory indicator";

}  // namespace

void check_change(const std::string& what, const std::string& value) { make_change(what, value); }

int run_set(OneShot& shot, const std::string& what, const std::string& value, const ShotOutput& o) {
  const Change change = make_change(what, value);
  const bool keys = what == "ptt" && value == "on";
  auto print = [&](bool done, const Reading& now, const std::string& why, const std::string& note) {
    if (o.json) {
      o.out << "{\"" << what << "\": " << now.json << ", \"done\": " << (done ? "true" : "false");
      if (!why.empty()) o.out << ", \"reason\": " << json_text(why);
      if (!note.empty()) o.out << ", \"note\": " << json_text(note);
      o.out << "}\n";
    } else if (done) {
      o.out << what << ' ' << now.text << (note.empty() ? "" : " (" + note + ")") << '\n';
    } else {
      o.out << what << " refused: " << why << (now.text.empty() ? "" : " (now " + now.text + ")")
            << '\n';
    }
  };
  if (keys && o.shared) {
    print(false, {"", "null"},
          "the sharing server releases a transmitter as soon as the client that keyed it "
          "leaves, and this command leaves at once (key it from a client that stays connected)",
          "");
    return 1;
  }
  if (!opened(shot, o)) return shot.stopped() ? 130 : 1;
  // What the component decides by: the VFOs, memory and split.
  const bool tunes = what == "freq" || what == "mode" || what == "vfo";
  std::vector<std::string> missing;
  if (tunes || what == "split") missing = shot.read({"vfo", "split"});
  if (!missing.empty() || shot.stopped()) return not_read(shot, missing, o);
  TOVRAK_Protocol& rig = shot.rig();
  // The component's memory mode on a radio that is not in it (the nine-digit
  // indicator) is left by SetVFO, the component's own way out, on the VFO
  // the radio receives on; a radio truly in memory mode is left only by set
  // vfo.
  const bool truly = shot.radio_in_memory();
  const bool way_out = tunes && rig.get_MemMode() != 0 && (what == "vfo" || !truly);
  std::string note;
  bool done = false;
  std::string why;
  const std::string written = shot.change([&] {
    try {
      if (way_out) {
        int16_t vfo = what == "vfo" ? static_cast<int16_t>(change.args[0].to_i32()) : rig.get_VFO();
        rig.SetVFO(vfo);  // "VM"
        note = truly ? "left memory mode first (VM)" : kNineDigitNote;
        if (what != "vfo" && vfo != 0) rig.SetVFO(vfo);  // back on the radio's VFO
      }
      done = change.apply(rig) != VFalse;
      if (!done) why = reason(rig, change);
    } catch (const ComError& e) {
      why = e.description();
    }
  });
  if (shot.station().lost()) return not_read(shot, {}, o);
  if (done && written.empty()) note = "already so: nothing sent";
  missing = shot.read({what});
  if (!missing.empty() || shot.stopped()) return not_read(shot, missing, o);
  if (done && keys) shot.station().guard().hand_over();
  print(done, name_row(what).read(shot), why, note);
  return done ? 0 : 1;
}

}  // namespace tovrak::hosts
