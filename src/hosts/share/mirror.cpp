#include "hosts/share/mirror.hpp"

#include <algorithm>
#include <cstring>

#include "hosts/sim/answer_text.hpp"

namespace tovrak::share {

namespace {

constexpr int64_t kMinHz = 30'000;
constexpr int64_t kMaxHz = 60'000'000;

bool is_digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int64_t number(std::string_view digits) {
  int64_t v = 0;
  for (char c : digits) v = v * 10 + (c - '0');
  return v;
}

int receiver_of(char c) { return c == '0' ? 0 : c == '1' ? 1 : -1; }

bool valid_mode(char c) { return c != '\0' && std::strchr("123456789ABCD", c) != nullptr; }

// "±dddd" as a signed number; false when it has another form.
bool signed_field(std::string_view t, int& out) {
  if (t.size() != 5 || (t[0] != '+' && t[0] != '-') || !is_digits(t.substr(1))) return false;
  out = static_cast<int>(number(t.substr(1))) * (t[0] == '-' ? -1 : 1);
  return true;
}

}  // namespace

bool RadioMirror::is_query(std::string_view command) {
  static const sim::RadioState blank;
  return sim::QueryAnswer(blank, 0, command).has_value();
}

std::string RadioMirror::key_of(std::string_view query) const {
  if (query == "NA") return known_.count("VS") ? "NA" + std::to_string(s_.rx_vfo) : "";
  return std::string(query);
}

std::optional<std::string> RadioMirror::answer(std::string_view query) const {
  if (id_ == 0) return std::nullopt;
  std::string key = key_of(query);
  if (!known_.count(key)) return std::nullopt;
  return sim::QueryAnswer(s_, id_, query);
}

void RadioMirror::forget_tuning() {
  for (const char* k : {"FA", "FB", "IF", "MD0", "MD1", "VS", "FT"}) known_.erase(k);
}

bool RadioMirror::learn_setting(std::string_view command) {
  if (learn(command, true)) return true;
  forget_tuning();
  return false;
}

bool RadioMirror::learn(std::string_view a, bool setting) {
  if (a.size() < 3) return false;
  std::string_view code = a.substr(0, 2), p = a.substr(2);
  auto learned = [&](std::string key) {
    known_.insert(std::move(key));
    return true;
  };
  if (code == "FA" || code == "FB") {
    if (!is_digits(p) || (p.size() != 8 && p.size() != 9)) return false;
    int64_t hz = number(p);
    if (hz < kMinHz || hz > kMaxHz) return false;
    s_.vfo[code == "FB" ? 1 : 0].hz = hz;
    return learned(std::string(code));
  }
  if (code == "MD") {
    int r = receiver_of(p[0]);
    if (r < 0 || p.size() != 2 || !valid_mode(p[1])) return false;
    if (r == 0 && s_.memory_mode) {
      s_.memories[static_cast<size_t>(s_.channel)].mode = p[1];
    } else {
      s_.vfo[static_cast<size_t>(r)].mode = p[1];
    }
    return learned("MD" + std::string(1, p[0]));
  }
  if (code == "VS") {
    int r = p.size() == 1 ? receiver_of(p[0]) : -1;
    if (r < 0) return false;
    s_.rx_vfo = r;
    if (setting) s_.memory_mode = false;  // choosing a VFO leaves memory mode
    return learned("VS");
  }
  if (code == "FT") {
    if (p.size() != 1 || p[0] < '0' || p[0] > (setting ? '3' : '1')) return false;
    s_.tx_vfo = (p[0] == '1' || p[0] == '3') ? 1 : 0;
    return learned("FT");
  }
  if (code == "TX") {
    if (p != "0" && p != "1") return false;
    s_.ptt = p == "1";
    return learned("TX");
  }
  if (code == "PC" || code == "KS" || code == "MG") {
    if (p.size() != 3 || !is_digits(p)) return false;
    int v = static_cast<int>(number(p));
    if (code == "KS" ? (v < 4 || v > 60) : v > 255) return false;
    (code == "PC" ? s_.power_level : code == "KS" ? s_.keyer_wpm : s_.mic_gain) = v;
    return learned(std::string(code));
  }
  if (setting) return learn_receiver(a);
  if (code == "ID") {
    if (p.size() != 4 || !is_digits(p)) return false;
    id_ = static_cast<int>(number(p));
    return learned("ID");
  }
  if (code == "IF") return learn_info(a);
  if (code == "OI") return learn_other(a);
  if (code == "SM") {
    int r = receiver_of(p[0]);
    if (r < 0 || p.size() != 4 || !is_digits(p.substr(1))) return false;
    s_.rx[static_cast<size_t>(r)].smeter = static_cast<int>(number(p.substr(1)));
    return learned("SM" + std::string(1, p[0]));
  }
  return learn_receiver(a);
}

// Settings by receiver whose answers and settings share one layout.
bool RadioMirror::learn_receiver(std::string_view a) {
  std::string_view code = a.substr(0, 2), p = a.substr(2);
  int r = receiver_of(p[0]);
  if (r < 0) return false;
  sim::Receiver& rx = s_.rx[static_cast<size_t>(r)];
  std::string_view v = p.substr(1);
  int* field = nullptr;
  int hi = 0;
  size_t width = 0;
  if (code == "AG" || code == "RG" || code == "SQ") {
    field = code == "AG" ? &rx.af : code == "RG" ? &rx.rf : &rx.squelch;
    width = 3;
    hi = 255;
  } else if (code == "SH") {
    field = &rx.width;
    width = 2;
    hi = 31;
  } else if (code == "NA") {
    field = &rx.narrow;
    width = 1;
    hi = 1;
  } else {
    return false;
  }
  if (v.size() != width || !is_digits(v) || number(v) > hi) return false;
  *field = static_cast<int>(number(v));
  known_.insert(std::string(code) + p[0]);
  return true;
}

// The composite information: channel, frequency and mode of what the radio
// receives, the RIT, memory or VFO, and the tone settings (the repeater
// shift only in the 8-digit form).
bool RadioMirror::learn_info(std::string_view a) {
  if (id_ == 0 || a.size() != 26) return false;
  const size_t w = id_ == sim::kNineDigitId ? 9 : 8;
  std::string_view ch = a.substr(2, 3), f = a.substr(5, w);
  int rit_hz = 0;
  if (!is_digits(ch) || !is_digits(f) || !signed_field(a.substr(5 + w, 5), rit_hz)) return false;
  const char rit = a[10 + w], md = a[12 + w], mem = a[13 + w], tone_mode = a[14 + w];
  std::string_view tone = a.substr(15 + w, 2);
  if ((rit != '0' && rit != '1') || !valid_mode(md) || (mem != '0' && mem != '1') ||
      tone_mode < '0' || tone_mode > '2' || !is_digits(tone)) {
    return false;
  }
  int shift = -1;
  if (w == 8) {
    if (a[17 + w] < '0' || a[17 + w] > '2') return false;
    shift = a[17 + w] - '0';
  }
  int channel = static_cast<int>(number(ch));
  if (channel < 1 || channel > 99) return false;
  s_.channel = channel;
  s_.rit = rit == '1';
  s_.rit_hz = rit_hz;
  s_.memory_mode = mem == '1';
  const int64_t hz = number(f);
  if (s_.memory_mode) {
    sim::Memory& m = s_.memories[static_cast<size_t>(channel)];
    m.used = true;
    m.hz = hz;
    m.mode = md;
    m.tone_mode = tone_mode - '0';
    m.tone = static_cast<int>(number(tone));
    if (shift >= 0) m.shift = shift;
  } else {
    const auto r = static_cast<size_t>(s_.rx_vfo);
    s_.vfo[r] = sim::Vfo{hz, md};
    s_.rx[r].tone_mode = tone_mode - '0';
    s_.rx[r].tone = static_cast<int>(number(tone));
    if (shift >= 0) s_.rx[r].repeater = shift;
    known_.insert(s_.rx_vfo ? "FB" : "FA");
    known_.insert("MD" + std::to_string(s_.rx_vfo));
  }
  known_.insert("IF");
  return true;
}

// The composite information of the VFO that is not receiving: its frequency
// and mode (the mode sits at the same place in both digit forms).
bool RadioMirror::learn_other(std::string_view a) {
  if (id_ == 0 || a.size() != 26 || !known_.count("VS") || s_.memory_mode) return false;
  const size_t w = id_ == sim::kNineDigitId ? 9 : 8;
  std::string_view f = a.substr(5, w);
  const char md = a[20];
  if (!is_digits(f) || !valid_mode(md)) return false;
  const int other = 1 - s_.rx_vfo;
  s_.vfo[static_cast<size_t>(other)] = sim::Vfo{number(f), md};
  known_.insert(other ? "FB" : "FA");
  known_.insert("MD" + std::to_string(other));
  return true;
}

}  // namespace tovrak::share
