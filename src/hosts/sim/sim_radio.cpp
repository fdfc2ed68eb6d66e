#include "hosts/sim/sim_radio.hpp"

#include "hosts/sim/answer_text.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace tovrak::sim {

namespace {

constexpr int64_t kMinHz = 30'000;
constexpr int64_t kMaxHz = 60'000'000;
constexpr int64_t kMeterPeriodUs = 100'000;
constexpr int64_t kScanPeriodUs = 100'000;
constexpr int64_t kScanStepHz = 1'000;
constexpr int64_t kTuningUs = 2'000'000;
constexpr size_t kInputLimit = 1024;  // text without ";" beyond this is thrown away
constexpr int kBusyFloor = 40;        // a signal above the noise opens the squelch
constexpr int64_t kGridHz = 1'000;    // stations sit on a 1 kHz grid

struct Band {
  int64_t lo, hi;
};
// The amateur bands, both ends inclusive; anything else is band 11.
constexpr std::array<Band, 11> kBands{{{1'500'000, 2'000'000},
                                       {3'500'000, 4'000'000},
                                       {5'000'000, 5'500'000},
                                       {7'000'000, 7'500'000},
                                       {10'000'000, 10'500'000},
                                       {14'000'000, 14'500'000},
                                       {18'000'000, 18'500'000},
                                       {21'000'000, 21'500'000},
                                       {24'500'000, 25'000'000},
                                       {28'000'000, 30'000'000},
                                       {50'000'000, 54'000'000}}};
constexpr std::array<int64_t, 12> kBandStart{1'840'000,  3'700'000,  5'357'000,  7'050'000,
                                             10'120'000, 14'200'000, 18'100'000, 21'200'000,
                                             24'940'000, 28'500'000, 50'150'000, 15'000'000};

int band_of(int64_t hz) {
  for (size_t i = 0; i < kBands.size(); ++i) {
    if (hz >= kBands[i].lo && hz <= kBands[i].hi) return static_cast<int>(i);
  }
  return 11;
}

bool is_digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int64_t to_number(std::string_view digits) {
  int64_t v = 0;
  for (char c : digits) v = v * 10 + (c - '0');
  return v;
}

char digit(int v) { return static_cast<char>('0' + v); }

// 0 or 1 for a receiver (or VFO) digit, -1 otherwise.
int receiver_of(char c) { return c == '0' ? 0 : c == '1' ? 1 : -1; }

bool valid_mode(char c) { return c != '\0' && std::strchr("123456789ABCD", c) != nullptr; }

// The setting of a menu command, or false when it has the wrong form.
bool menu_value(const MenuItem& m, std::string_view t, int& out) {
  int v = 0;
  switch (m.form) {
    case MenuForm::kDigit:
    case MenuForm::kTwo:
    case MenuForm::kFour: {
      size_t width = m.form == MenuForm::kDigit ? 1 : m.form == MenuForm::kTwo ? 2 : 4;
      if (t.size() != width || !is_digits(t)) return false;
      v = static_cast<int>(to_number(t));
      break;
    }
    case MenuForm::kSigned:
      if (t.size() != 3 || (t[0] != '+' && t[0] != '-') || !is_digits(t.substr(1))) return false;
      v = static_cast<int>(to_number(t.substr(1))) * (t[0] == '-' ? -1 : 1);
      break;
  }
  if (v < m.lo || v > m.hi) return false;
  out = v;
  return true;
}

uint64_t mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
uint64_t hash2(uint64_t a, uint64_t b) { return mix(a ^ mix(b + 0x9E3779B97F4A7C15ull)); }

constexpr uint16_t key(char a, char b) {
  return static_cast<uint16_t>((static_cast<uint8_t>(a) << 8) | static_cast<uint8_t>(b));
}

}  // namespace

// ---------------------------------------------------------------- state

int64_t RadioState::receiver_hz(int r) const {
  if (r == 0 && memory_mode) return memories[static_cast<size_t>(channel)].hz;
  return vfo[static_cast<size_t>(r)].hz;
}

char RadioState::receiver_mode(int r) const {
  if (r == 0 && memory_mode) return memories[static_cast<size_t>(channel)].mode;
  return vfo[static_cast<size_t>(r)].mode;
}

// ---------------------------------------------------------------- life

SimRadio::SimRadio(SimOptions options, int64_t start_us)
    : opt_(options),
      now_(start_us),
      out_tail_(start_us),
      op_rng_{options.seed ^ 0x6F70657261746F72ull},
      line_(options.seed) {
  line_.set_faults(opt_.faults);
  ForEachMenu([&](const MenuItem& m) { s_.menu[m.number] = m.initial; });
  s_.band_stack = kBandStart;
  auto store = [&](int ch, int64_t hz, char md, int tone_mode = 0, int tone = 0, int shift = 0) {
    s_.memories[static_cast<size_t>(ch)] = Memory{true, hz, md, tone_mode, tone, shift};
  };
  store(1, 7'050'000, mode::kLsb);
  store(2, 14'200'000, mode::kUsb);
  store(3, 3'700'000, mode::kLsb);
  store(4, 29'620'000, mode::kFm, 2, 8, 2);
  store(5, 10'120'000, mode::kCw);
  store(6, 51'000'000, mode::kFm, 1, 12, 2);
  update_meters(false);
  next_meter_ = now_ + kMeterPeriodUs;
  if (opt_.operator_on) next_op_ = now_ + 1'000'000 + op_rng_.below(3'000'000);
  if (opt_.silent_every_us > 0) next_silence_ = now_ + opt_.silent_every_us;
  if (opt_.power_cycle_every_us > 0) next_power_cycle_ = now_ + opt_.power_cycle_every_us;
}

int64_t SimRadio::next_event_us() const {
  int64_t t = kNever;
  if (!out_.empty()) t = out_.front().at;
  t = std::min(t, line_.next_arrival_us());
  for (int64_t e : {next_meter_, next_op_, next_scan_, tune_done_, next_silence_, next_power_cycle_,
                    power_on_at_}) {
    t = std::min(t, e);
  }
  return t;
}

void SimRadio::advance(int64_t now_us) {
  for (int64_t t = next_event_us(); t <= now_us; t = next_event_us()) step_to(t);
  if (now_us > now_) now_ = now_us;
  notify_due();
}

void SimRadio::step_to(int64_t t) {
  if (t > now_) now_ = t;
  deliver_due(t);
  if (power_on_at_ <= t) {
    power_on_at_ = kNever;
    power_on();
  }
  if (next_power_cycle_ <= t) {
    next_power_cycle_ = t + opt_.power_cycle_every_us;
    if (s_.power) {
      power_off();
      power_on_at_ = t + std::max<int64_t>(opt_.power_off_for_us, 1);
    }
  }
  if (next_silence_ <= t) {
    next_silence_ = t + opt_.silent_every_us;
    silent_until_ = std::max(silent_until_, t + opt_.silent_for_us);
    input_.clear();
  }
  if (tune_done_ <= t) {
    tune_done_ = kNever;
    if (s_.tuner == 2) s_.tuner = 1;
    report("AC");
  }
  if (next_scan_ <= t) {
    next_scan_ = t + kScanPeriodUs;
    scan_step();
  }
  if (next_meter_ <= t) {
    next_meter_ = t + kMeterPeriodUs;
    update_meters(true);
  }
  if (next_op_ <= t) operator_acts();
  deliver_due(t);
}

void SimRadio::deliver_due(int64_t t) {
  while (!out_.empty() && out_.front().at <= t) {
    Out o = std::move(out_.front());
    out_.pop_front();
    if (o.at > now_) now_ = o.at;
    if (s_.power && o.at >= silent_until_) {
      line_.send(o.bytes, o.at);
      line_.deliver(o.at, sink_);
    }
  }
  line_.deliver(t, sink_);
}

void SimRadio::notify_due() {
  if (!due_) return;
  int64_t t = next_event_us();
  if (t != kNever) due_(t);
}

void SimRadio::receive(std::string_view bytes, int64_t now_us) {
  advance(now_us);
  if (now_ < silent_until_) return;  // nothing heard
  for (char c : bytes) {
    if (c == ';') {
      std::string cmd = std::exchange(input_, std::string());
      execute(cmd);
    } else {
      input_ += c;
      if (input_.size() > kInputLimit) input_.clear();
    }
  }
  deliver_due(now_);
  notify_due();
}

void SimRadio::go_silent(int64_t now_us, int64_t span_us) {
  advance(now_us);
  silent_until_ = std::max(silent_until_, now_ + span_us);
  input_.clear();
  notify_due();
}

void SimRadio::power_cycle(int64_t now_us, int64_t off_us) {
  advance(now_us);
  if (s_.power) power_off();
  if (off_us <= 0) {
    power_on();
  } else {
    power_on_at_ = now_ + off_us;
  }
  notify_due();
}

void SimRadio::set_power(bool on, int64_t now_us) {
  advance(now_us);
  if (on && !s_.power) power_on();
  if (!on && s_.power) power_off();
  notify_due();
}

void SimRadio::set_operator(bool on, int64_t now_us) {
  advance(now_us);
  opt_.operator_on = on;
  op_burst_left_ = 0;
  next_op_ = on && s_.power ? now_ + 1'000'000 + op_rng_.below(3'000'000) : kNever;
  notify_due();
}

void SimRadio::power_off() {
  s_.power = false;
  out_.clear();
  out_tail_ = now_;
  input_.clear();
  s_.ptt = false;
  s_.scan = 0;
  s_.voice_playing = 0;
  if (s_.tuner == 2) s_.tuner = 1;
  for (auto& r : s_.rx) {
    r.smeter = 0;
    r.busy = false;
  }
  next_scan_ = tune_done_ = next_meter_ = next_op_ = kNever;
  op_burst_left_ = 0;
}

void SimRadio::power_on() {
  s_.power = true;
  s_.ai = 0;
  power_on_at_ = kNever;
  update_meters(false);
  next_meter_ = now_ + kMeterPeriodUs;
  if (opt_.operator_on) next_op_ = now_ + 1'000'000 + op_rng_.below(3'000'000);
}

// ---------------------------------------------------------------- output

void SimRadio::emit(std::string bytes) {
  int64_t at = std::max(now_ + opt_.latency_us, out_tail_);
  out_.push_back({at, std::move(bytes)});
  out_tail_ = at;
}

void SimRadio::answer(std::string text) {
  if (origin_ == Origin::kPanel) return;
  ++stats_.answers;
  emit(std::move(text) + ";");
}

void SimRadio::refuse() {
  if (origin_ == Origin::kCat) {
    ++stats_.unknown;
    emit("?;");
  } else if (origin_ == Origin::kPanel) {
    refused_ = true;
  }
}

// An own change, told with the answer to the query that would ask for it.
void SimRadio::report(std::string_view query) {
  if (!s_.power || s_.ai == 0) return;
  Origin was = std::exchange(origin_, Origin::kReport);
  dispatch(query);
  origin_ = was;
}

// ---------------------------------------------------------------- commands

void SimRadio::execute(std::string_view cmd) {
  // Line ends and blanks before a command are skipped.
  while (!cmd.empty() && (cmd.front() == ' ' || cmd.front() == '\r' || cmd.front() == '\n' ||
                          cmd.front() == '\t')) {
    cmd.remove_prefix(1);
  }
  if (cmd.empty()) return;
  ++stats_.commands;
  if (!s_.power) {
    if (cmd == "PS1") power_on();
    return;
  }
  origin_ = Origin::kCat;
  dispatch(cmd);
}

void SimRadio::dispatch(std::string_view cmd) {
  if (cmd.size() < 2) return refuse();
  // Queries are answered in the radio's layouts from its state.
  if (auto a = QueryAnswer(s_, opt_.id, cmd)) return answer(std::move(*a));
  std::string_view code = cmd.substr(0, 2);
  std::string_view p = cmd.substr(2);
  switch (key(cmd[0], cmd[1])) {
    case key('F', 'A'):
      return cmd_freq(0, p);
    case key('F', 'B'):
      return cmd_freq(1, p);
    case key('M', 'D'):
      return cmd_mode(p);
    case key('V', 'S'):
      return cmd_vfo_select(p);
    case key('F', 'T'):
      return cmd_tx_vfo(p);
    case key('A', 'B'):
    case key('B', 'A'):
    case key('S', 'V'):
      return cmd_vfo_copy(code, p);
    case key('B', 'S'):
      return cmd_band(p);
    case key('M', 'C'):
      return cmd_memory_recall(p);
    case key('M', 'W'):
      return cmd_memory_write(p);
    case key('V', 'M'):
      return cmd_memory_leave(p);
    case key('R', 'T'):
      return cmd_switch(&RadioState::rit, p);
    case key('R', 'C'):
    case key('R', 'U'):
    case key('R', 'D'):
      return cmd_rit(code, p);
    case key('S', 'C'):
      return cmd_scan(p);
    case key('A', 'G'):
      return cmd_rx_level(&Receiver::af, p);
    case key('R', 'G'):
      return cmd_rx_level(&Receiver::rf, p);
    case key('S', 'Q'):
      return cmd_rx_level(&Receiver::squelch, p);
    case key('R', 'F'):
      return cmd_roofing(p);
    case key('G', 'T'):
      return cmd_rx_digit(&Receiver::agc, 0, 4, p);
    case key('R', 'A'):
      return cmd_rx_digit(&Receiver::att, 0, 3, p);
    case key('P', 'A'):
      return cmd_rx_digit(&Receiver::preamp, 0, 2, p);
    case key('B', 'C'):
      return cmd_rx_digit(&Receiver::auto_notch, 0, 1, p);
    case key('N', 'A'):
      return cmd_rx_digit(&Receiver::narrow, 0, 1, p);
    case key('N', 'B'):
      return cmd_rx_digit(&Receiver::nb_type, 0, 2, p);
    case key('N', 'R'):
      return cmd_rx_digit(&Receiver::nr, 0, 1, p);
    case key('O', 'S'):
      return cmd_rx_digit(&Receiver::repeater, 0, 2, p);
    case key('C', 'T'):
      return cmd_rx_digit(&Receiver::tone_mode, 0, 2, p);
    case key('C', 'N'):
      return cmd_tone_number(p);
    case key('R', 'L'):
      return cmd_nr_level(p);
    case key('N', 'L'):
      return cmd_nb_level(p);
    case key('B', 'P'):
      return cmd_notch(p);
    case key('I', 'S'):
      return cmd_if_shift(p);
    case key('S', 'H'):
      return cmd_width(p);
    case key('C', 'O'):
      return cmd_contour(p);
    case key('A', 'N'):
      return cmd_antenna(p);
    case key('F', 'R'):
      return cmd_dual(p);
    case key('V', 'X'):
      return cmd_switch(&RadioState::vox, p);
    case key('P', 'R'):
      return cmd_switch(&RadioState::processor, p);
    case key('B', 'I'):
      return cmd_switch(&RadioState::break_in, p);
    case key('K', 'R'):
      return cmd_switch(&RadioState::keyer, p);
    case key('L', 'K'):
      return cmd_switch(&RadioState::lock, p);
    case key('F', 'S'):
      return cmd_switch(&RadioState::fast, p);
    case key('T', 'S'):
      return cmd_switch(&RadioState::tx_watch, p);
    case key('C', 'S'):
      return cmd_switch(&RadioState::spot, p);
    case key('P', 'C'):
      return cmd_number(&RadioState::power_level, 3, 0, 255, p);
    case key('K', 'S'):
      return cmd_number(&RadioState::keyer_wpm, 3, 4, 60, p);
    case key('K', 'P'):
      return cmd_number(&RadioState::pitch_step, 2, 0, 15, p);
    case key('S', 'D'):
      return cmd_number(&RadioState::break_in_delay_ms, 4, 0, 3000, p);
    case key('M', 'G'):
      return cmd_number(&RadioState::mic_gain, 3, 0, 255, p);
    case key('T', 'X'):
      return cmd_ptt(p);
    case key('M', 'L'):
      return cmd_monitor(p);
    case key('M', 'S'):
      return cmd_meter_select(p);
    case key('A', 'C'):
      return cmd_tuner(p);
    case key('A', 'I'):
      return cmd_auto_info(p);
    case key('P', 'S'):
      return cmd_power(p);
    case key('D', 'A'):
      return cmd_dimmer(p);
    case key('K', 'Y'):
      return cmd_keyer_play(p);
    case key('K', 'M'):
      return cmd_keyer_store(p);
    case key('P', 'B'):
      return cmd_voice(p);
    case key('E', 'X'):
      return cmd_menu(p);
    default:
      return refuse();
  }
}

std::string SimRadio::freq_text(int64_t hz) const { return FreqText(hz, opt_.id); }

bool SimRadio::tune(int vfo, int64_t hz) {
  if (hz < kMinHz || hz > kMaxHz) return false;
  s_.vfo[static_cast<size_t>(vfo)].hz = hz;
  return true;
}

void SimRadio::cmd_freq(int vfo, std::string_view p) {
  // Both digit forms read as hertz: 9 digits, or 8 (10 Hz steps).
  if (!is_digits(p) || (p.size() != 8 && p.size() != 9)) return refuse();
  if (!tune(vfo, to_number(p))) refuse();
}

void SimRadio::cmd_mode(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0 || p.size() > 2) return refuse();
  if (p.size() != 2 || !valid_mode(p[1])) return refuse();
  // In memory mode the main receiver's mode is the channel's.
  if (r == 0 && s_.memory_mode) {
    s_.memories[static_cast<size_t>(s_.channel)].mode = p[1];
  } else {
    s_.vfo[static_cast<size_t>(r)].mode = p[1];
  }
}

void SimRadio::cmd_vfo_select(std::string_view p) {
  int r = p.size() == 1 ? receiver_of(p[0]) : -1;
  if (r < 0) return refuse();
  s_.rx_vfo = r;
  s_.memory_mode = false;
}

// "FT" answers 0 (A) or 1 (B); "FT2"/"FT3" (and "FT0"/"FT1") choose.
void SimRadio::cmd_tx_vfo(std::string_view p) {
  if (p.size() != 1 || p[0] < '0' || p[0] > '3') return refuse();
  s_.tx_vfo = (p[0] == '1' || p[0] == '3') ? 1 : 0;
}

void SimRadio::cmd_vfo_copy(std::string_view code, std::string_view p) {
  if (!p.empty()) return refuse();
  if (code == "AB") {
    s_.vfo[1] = s_.vfo[0];
  } else if (code == "BA") {
    s_.vfo[0] = s_.vfo[1];
  } else {
    std::swap(s_.vfo[0], s_.vfo[1]);
  }
}

// "BS" + band: the receive VFO leaves its frequency in the band it is in and
// takes the one last used in the new band.
void SimRadio::cmd_band(std::string_view p) {
  if (p.size() != 2 || !is_digits(p) || s_.memory_mode) return refuse();
  auto band = static_cast<size_t>(to_number(p));
  if (band > 11) return refuse();
  Vfo& v = s_.vfo[static_cast<size_t>(s_.rx_vfo)];
  s_.band_stack[static_cast<size_t>(band_of(v.hz))] = v.hz;
  v.hz = s_.band_stack[band];
}

void SimRadio::cmd_memory_recall(std::string_view p) {
  if (p.size() != 3 || !is_digits(p)) return refuse();
  auto ch = to_number(p);
  if (ch < 1 || ch > 99 || !s_.memories[static_cast<size_t>(ch)].used) return refuse();
  s_.channel = static_cast<int>(ch);
  s_.memory_mode = true;
  s_.rx_vfo = 0;  // memories are worked on the main receiver
  s_.scan = 0;
  next_scan_ = kNever;
}

// "MW" ccc f(8|9) ±oooo R X m 0 t nn s: the frequency's width is what is left.
void SimRadio::cmd_memory_write(std::string_view p) {
  if (p.size() != 3 + 8 + 13 && p.size() != 3 + 9 + 13) return refuse();
  size_t w = p.size() - 16;
  std::string_view ch = p.substr(0, 3), f = p.substr(3, w), rest = p.substr(3 + w);
  // rest: ±oooo R X m 0 t nn s
  if (!is_digits(ch) || !is_digits(f) || (rest[0] != '+' && rest[0] != '-') ||
      !is_digits(rest.substr(1, 6)) || !valid_mode(rest[7]) || !is_digits(rest.substr(8))) {
    return refuse();
  }
  auto n = to_number(ch);
  auto hz = to_number(f);
  int tone_mode = rest[9] - '0';
  auto tone = to_number(rest.substr(10, 2));
  int shift = rest[12] - '0';
  if (n < 1 || n > 99 || hz < kMinHz || hz > kMaxHz || tone_mode > 2 || tone > 49 || shift > 2) {
    return refuse();
  }
  s_.memories[static_cast<size_t>(n)] =
      Memory{true, hz, rest[7], tone_mode, static_cast<int>(tone), shift};
}

void SimRadio::cmd_memory_leave(std::string_view p) {
  if (!p.empty()) return refuse();
  s_.memory_mode = false;
}

void SimRadio::cmd_rit(std::string_view code, std::string_view p) {
  if (code == "RC") {
    if (!p.empty()) return refuse();
    s_.rit_hz = 0;
    return;
  }
  if (p.size() != 4 || !is_digits(p)) return refuse();
  int n = static_cast<int>(to_number(p));
  s_.rit_hz = std::clamp(s_.rit_hz + (code == "RU" ? n : -n), -9999, 9999);
}

void SimRadio::cmd_scan(std::string_view p) {
  if (p.size() != 1 || p[0] < '0' || p[0] > '2') return refuse();
  int d = p[0] - '0';
  if (d != 0 && s_.memory_mode) return refuse();
  s_.scan = d;
  next_scan_ = d ? now_ + kScanPeriodUs : kNever;
}

// Three-digit levels by receiver: "AG0" asks, "AG0" + 000..255 sets.
void SimRadio::cmd_rx_level(int Receiver::*field, std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  if (p.size() != 4 || !is_digits(p.substr(1))) return refuse();
  auto v = to_number(p.substr(1));
  if (v > 255) return refuse();
  rx.*field = static_cast<int>(v);
}

// One-digit settings by receiver: "GT0" asks, "GT0" + digit sets.
void SimRadio::cmd_rx_digit(int Receiver::*field, int lo, int hi, std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0 || p.size() != 2) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  int v = p[1] - '0';
  if (v < lo || v > hi) return refuse();
  rx.*field = v;
}

void SimRadio::cmd_roofing(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0 || p.size() != 2) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  if (std::strchr("0123456789A", p[1]) == nullptr || p[1] == '\0') return refuse();
  rx.roofing = p[1];
}

void SimRadio::cmd_tone_number(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  if (p.size() != 3 || !is_digits(p.substr(1)) || to_number(p.substr(1)) > 49) return refuse();
  rx.tone = static_cast<int>(to_number(p.substr(1)));
}

void SimRadio::cmd_nr_level(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  if (p.size() != 3 || !is_digits(p.substr(1))) return refuse();
  auto v = to_number(p.substr(1));
  if (v < 1 || v > 15) return refuse();
  rx.nr_level = static_cast<int>(v);
}

// The blanker level of the type in use (type 1 while the blanker is off).
void SimRadio::cmd_nb_level(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  int& level = rx.nb_level[static_cast<size_t>(rx.nb_type ? rx.nb_type : 1)];
  if (p.size() != 4 || !is_digits(p.substr(1)) || to_number(p.substr(1)) > 255) return refuse();
  level = static_cast<int>(to_number(p.substr(1)));
}

// "BP" + receiver + 0: the notch switch (000/001); + 1: its position 001..400.
void SimRadio::cmd_notch(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0 || p.size() < 2 || (p[1] != '0' && p[1] != '1')) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  bool position = p[1] == '1';
  if (p.size() != 5 || !is_digits(p.substr(2))) return refuse();
  auto v = to_number(p.substr(2));
  if (position) {
    if (v < 1 || v > 400) return refuse();
    rx.notch_pos = static_cast<int>(v);
  } else {
    if (v > 1) return refuse();
    rx.notch = v == 1;
  }
}

// "IS" + receiver + sign + four digits: the shift in hertz, signed.
void SimRadio::cmd_if_shift(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  if (p.size() != 6 || (p[1] != '+' && p[1] != '-') || !is_digits(p.substr(2))) return refuse();
  auto v = to_number(p.substr(2));
  if (v > 1200) return refuse();
  rx.if_shift_hz = static_cast<int>(p[1] == '-' ? -v : v);
}

void SimRadio::cmd_width(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  if (p.size() != 3 || !is_digits(p.substr(1)) || to_number(p.substr(1)) > 31) return refuse();
  rx.width = static_cast<int>(to_number(p.substr(1)));
}

// "CO" + receiver + kind + two digits: kind 0 the switch (00..02), 1 the
// level (01..40), 2 the width (00..20).
void SimRadio::cmd_contour(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0 || p.size() < 2 || p[1] < '0' || p[1] > '2') return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  int kind = p[1] - '0';
  int* field = kind == 0 ? &rx.contour : kind == 1 ? &rx.contour_level : &rx.contour_width;
  if (p.size() != 4 || !is_digits(p.substr(2))) return refuse();
  auto v = to_number(p.substr(2));
  const int lo[] = {0, 1, 0}, hi[] = {2, 40, 20};
  if (v < lo[kind] || v > hi[kind]) return refuse();
  *field = static_cast<int>(v);
}

// "AN" + receiver + connector 1..4 and receive antenna 0/1; setting 5 switches
// the receive antenna on, a connector switches it off.
void SimRadio::cmd_antenna(std::string_view p) {
  int r = p.empty() ? -1 : receiver_of(p[0]);
  if (r < 0 || p.size() != 2) return refuse();
  Receiver& rx = s_.rx[static_cast<size_t>(r)];
  int v = p[1] - '0';
  if (v < 1 || v > 5) return refuse();
  if (v == 5) {
    rx.rx_antenna = true;
  } else {
    rx.antenna = v;
    rx.rx_antenna = false;
  }
}

void SimRadio::cmd_dual(std::string_view p) {
  if (p.size() != 1 || p[0] < '0' || p[0] > '3') return refuse();
  s_.dual = p[0] - '0';
}

void SimRadio::cmd_switch(bool RadioState::*field, std::string_view p) {
  if (p != "0" && p != "1") return refuse();
  s_.*field = p == "1";
}

void SimRadio::cmd_number(int RadioState::*field, size_t width, int lo, int hi,
                          std::string_view p) {
  if (p.size() != width || !is_digits(p)) return refuse();
  auto v = to_number(p);
  if (v < lo || v > hi) return refuse();
  s_.*field = static_cast<int>(v);
}

void SimRadio::cmd_ptt(std::string_view p) {
  if (p != "0" && p != "1") return refuse();
  s_.ptt = p == "1";
}

// "ML000" + 0/1 sets the monitor switch, "ML1" + 000..255 its level.
void SimRadio::cmd_monitor(std::string_view p) {
  if (p.size() != 4 || !is_digits(p)) return refuse();
  if (p[0] == '0') {
    if (p.substr(1, 2) != "00" || p[3] > '1') return refuse();
    s_.monitor = p[3] == '1';
  } else if (p[0] == '1') {
    auto v = to_number(p.substr(1));
    if (v > 255) return refuse();
    s_.monitor_level = static_cast<int>(v);
  } else {
    refuse();
  }
}

void SimRadio::cmd_meter_select(std::string_view p) {
  if (p.size() != 1 || p[0] < '0' || p[0] > '5') return refuse();
  s_.meter = p[0] - '0';
}

// "AC00" + 0 off, 1 on, 2 start tuning (the tuner is on when done).
void SimRadio::cmd_tuner(std::string_view p) {
  if (p.size() != 3 || p.substr(0, 2) != "00" || p[2] < '0' || p[2] > '2') return refuse();
  s_.tuner = p[2] - '0';
  tune_done_ = s_.tuner == 2 ? now_ + kTuningUs : kNever;
}

void SimRadio::cmd_auto_info(std::string_view p) {
  if (p != "0" && p != "1") return refuse();
  s_.ai = p[0] - '0';
}

void SimRadio::cmd_power(std::string_view p) {
  if (p == "1") return;
  if (p != "0") return refuse();
  if (origin_ == Origin::kCat) power_off();
}

void SimRadio::cmd_dimmer(std::string_view p) {
  if (p.size() != 8 || !is_digits(p)) return refuse();
  std::array<int, 4> v{};
  for (size_t i = 0; i < 4; ++i) {
    v[i] = static_cast<int>(to_number(p.substr(2 * i, 2)));
    if (v[i] > 15) return refuse();
  }
  s_.dimmer = v;
}

// "KY" + message: 6..9 and A play the five stored messages.
void SimRadio::cmd_keyer_play(std::string_view p) {
  if (p.size() != 1 || std::strchr("0123456789A", p[0]) == nullptr) return refuse();
}

void SimRadio::cmd_keyer_store(std::string_view p) {
  if (p.empty() || p[0] < '1' || p[0] > '5' || p.size() > 41) return refuse();
  s_.keyer_messages[static_cast<size_t>(p[0] - '0')] = std::string(p.substr(1));
}

void SimRadio::cmd_voice(std::string_view p) {
  if (p.size() != 2 || p[0] != '0' || p[1] < '0' || p[1] > '5') return refuse();
  s_.voice_playing = p[1] - '0';
}

void SimRadio::cmd_menu(std::string_view p) {
  if (p.size() < 3 || !is_digits(p.substr(0, 3))) return refuse();
  int number = static_cast<int>(to_number(p.substr(0, 3)));
  const MenuItem* m = FindMenu(number);
  if (!m) return refuse();
  int v;
  if (!menu_value(*m, p.substr(3), v)) return refuse();
  s_.menu[number] = v;
}

// ---------------------------------------------------------------- meters

int SimRadio::width_hz(int r) const {
  const Receiver& rx = s_.rx[static_cast<size_t>(r)];
  int w;
  switch (s_.receiver_mode(r)) {
    case mode::kAm:
    case mode::kAmN:
      w = 6000;
      break;
    case mode::kFm:
    case mode::kFmN:
    case mode::kPktFm:
      w = 12000;
      break;
    case mode::kLsb:
    case mode::kUsb:
      w = 200 + rx.width * 120;
      break;
    default:  // CW, FSK, PKT
      w = 50 + rx.width * 75;
      break;
  }
  return rx.narrow ? w / 2 : w;
}

// The band: noise that changes every 300 ms, and stations on a 1 kHz grid
// (about one in ten grid points in the amateur bands, fewer elsewhere) that
// talk in turns of 15 s, each at its own strength with its own slow fading.
// Everything follows from the seed, the frequency and the time.
int SimRadio::band_signal(int64_t hz, int width_hz, int64_t at_us) const {
  const uint64_t seed = opt_.seed;
  const int64_t t_ms = at_us / 1000;
  int best = 18 + static_cast<int>(hash2(seed ^ 0xA5A5, static_cast<uint64_t>(t_ms / 300)) % 14);
  const int64_t half = std::max<int64_t>(width_hz / 2, 100);
  const int64_t reach = half + 500;
  for (int64_t k = (hz - reach) / kGridHz; k <= (hz + reach) / kGridHz + 1; ++k) {
    const int64_t center = k * kGridHz;
    const uint64_t h = hash2(seed, static_cast<uint64_t>(k));
    const uint64_t density = band_of(center) < 11 ? 10 : 2;
    if (h % 100 >= density) continue;
    const int64_t turn = (t_ms + static_cast<int64_t>((h >> 20) % 15000)) / 15000;
    if (hash2(h, static_cast<uint64_t>(turn)) % 3 == 0) continue;  // listening this turn
    const int strength = 60 + static_cast<int>((h >> 8) % 170);
    const int64_t period = 2000 + static_cast<int64_t>((h >> 32) % 6000);
    const int64_t phase = (t_ms + static_cast<int64_t>((h >> 12) % 8000)) % period;
    const int64_t tri = phase < period / 2 ? phase : period - phase;
    const int64_t level = strength * (700 + 600 * tri / period) / 1000;
    const int64_t d = std::abs(hz - center);
    int64_t heard = 0;
    if (d <= half) {
      heard = level;
    } else if (d < reach) {
      heard = level * (reach - d) / (reach - half);
    }
    best = std::max(best, static_cast<int>(heard));
  }
  return std::clamp(best, 0, 255);
}

int SimRadio::receiver_level(int r) const {
  const Receiver& rx = s_.rx[static_cast<size_t>(r)];
  int v = band_signal(s_.receiver_hz(r), width_hz(r), now_);
  v += 10 * rx.preamp - 12 * rx.att - rx.rf / 3;
  return std::clamp(v, 0, 255);
}

void SimRadio::update_meters(bool report_changes) {
  bool busy_moved = false;
  for (int r = 0; r < 2; ++r) {
    Receiver& rx = s_.rx[static_cast<size_t>(r)];
    int level = s_.ptt || !s_.power ? 0 : receiver_level(r);
    bool busy = !s_.ptt && s_.power && level > std::max(rx.squelch, kBusyFloor);
    if (level != rx.smeter) {
      rx.smeter = level;
      if (report_changes && r == 0) report("SM0");
    }
    if (busy != rx.busy) {
      rx.busy = busy;
      busy_moved = true;
    }
  }
  if (report_changes && busy_moved) report("BY");
}

void SimRadio::scan_step() {
  if (s_.scan == 0 || !s_.power || s_.memory_mode) {
    s_.scan = 0;
    next_scan_ = kNever;
    return;
  }
  int r = s_.rx_vfo;
  if (s_.rx[static_cast<size_t>(r)].busy) return;  // stays on a busy frequency
  int64_t hz = s_.vfo[static_cast<size_t>(r)].hz + (s_.scan == 1 ? kScanStepHz : -kScanStepHz);
  int band = band_of(s_.vfo[static_cast<size_t>(r)].hz);
  int64_t lo = band < 11 ? kBands[static_cast<size_t>(band)].lo : kMinHz;
  int64_t hi = band < 11 ? kBands[static_cast<size_t>(band)].hi : kMaxHz;
  if (hz > hi) hz = lo;
  if (hz < lo) hz = hi;
  tune(r, hz);
  report(r ? "FB" : "FA");
}

// ---------------------------------------------------------------- operator

void SimRadio::operator_acts() {
  Dice& g = op_rng_;
  if (op_burst_left_ > 0) {  // still turning the dial
    --op_burst_left_;
    apply_panel(dial_setting(op_burst_step_));
    next_op_ = now_ + 60'000 + g.below(140'000);
    return;
  }
  int pick = g.below(100);
  if (pick < 40) {
    static constexpr int kSteps[] = {10, 20, 50, 100, 250, 500, 1000};
    op_burst_step_ = kSteps[g.below(7)] * (g.below(2) ? 1 : -1);
    op_burst_left_ = g.below(10);
    apply_panel(dial_setting(op_burst_step_));
    if (op_burst_left_ > 0) {
      next_op_ = now_ + 60'000 + g.below(140'000);
      return;
    }
  } else if (pick < 48) {
    static constexpr char kModes[] = "1122233345467889C";
    char md = kModes[g.below(17)];
    if (!s_.memory_mode) apply_panel(std::string("MD") + digit(s_.rx_vfo) + md);
  } else if (pick < 56) {
    int af = std::clamp<int>(
        s_.rx[0].af + (g.below(2) ? 1 : -1) * static_cast<int>(5 + g.below(36)), 0, 255);
    apply_panel("AG0" + ZeroPad(af, 3));
  } else if (pick < 60) {
    apply_panel("SQ0" + ZeroPad(g.below(3) ? 0 : 20 + g.below(60), 3));
  } else if (pick < 64) {
    apply_panel("RG0" + ZeroPad(g.below(2) ? 0 : g.below(120), 3));
  } else if (pick < 69) {
    apply_panel("SH0" + ZeroPad(g.below(32), 2));
  } else if (pick < 73) {
    apply_panel(std::string("IS0") + (g.below(2) ? '+' : '-') + ZeroPad(20 * g.below(51), 4));
  } else if (pick < 76) {
    apply_panel(std::string("RA0") + digit(g.below(4)));
  } else if (pick < 79) {
    apply_panel(std::string("PA0") + digit(g.below(3)));
  } else if (pick < 81) {
    apply_panel(std::string("NB0") + digit(g.below(3)));
  } else if (pick < 83) {
    apply_panel(std::string("NR0") + (s_.rx[0].nr ? '0' : '1'));
  } else if (pick < 87) {
    if (!s_.memory_mode) apply_panel(std::string("VS") + digit(1 - s_.rx_vfo));
  } else if (pick < 89) {
    apply_panel(std::string("FT") + (s_.split() ? digit(2 + s_.rx_vfo) : digit(3 - s_.rx_vfo)));
  } else if (pick < 92) {
    if (!s_.memory_mode && !s_.lock) apply_panel("BS" + ZeroPad(g.below(11), 2));
  } else if (pick < 94) {
    apply_panel("PC" + ZeroPad(10 + g.below(246), 3));
  } else if (pick < 96) {
    apply_panel("KS" + ZeroPad(10 + g.below(31), 3));
  } else if (pick < 98) {
    apply_panel(std::string("AN0") + digit(1 + g.below(2)));
  } else {
    apply_panel(std::string("NA0") + (s_.rx[0].narrow ? '0' : '1'));
  }
  next_op_ = now_ + 1'500'000 + g.below(6'500'000);
}

// The dial of the receive VFO moved by delta hertz, as a frequency setting.
std::string SimRadio::dial_setting(int64_t delta_hz) const {
  if (s_.lock || s_.memory_mode) return {};
  int r = s_.rx_vfo;
  int64_t hz = std::clamp(s_.vfo[static_cast<size_t>(r)].hz + delta_hz, kMinHz, kMaxHz);
  return (r ? "FB" : "FA") + freq_text(hz);
}

// ---------------------------------------------------------------- front panel

// What the radio tells of a change made by hand: the answers to the queries
// that would ask for it.
std::vector<std::string> SimRadio::reports_for(std::string_view setting) const {
  std::string_view code = setting.substr(0, 2);
  auto first = [&](size_t n) {
    return std::string(setting.substr(0, std::min(n, setting.size())));
  };
  if (code == "AB" || code == "BA" || code == "SV") return {"FA", "FB", "MD0", "MD1"};
  if (code == "BS") return {s_.rx_vfo ? "FB" : "FA"};
  if (code == "MC" || code == "VM" || code == "RC" || code == "RU" || code == "RD" ||
      code == "RT") {
    return {"IF"};
  }
  if (code == "VS") return {"VS", "IF"};
  if (code == "EX") return {first(5)};
  if (code == "BP" || code == "CO") return {first(4)};
  for (const char* c : {"MD", "AG", "RG", "SQ", "RF", "GT", "RA", "PA", "BC", "NA", "NB",
                        "NR", "RL", "NL", "IS", "SH", "OS", "CT", "CN", "AN", "ML"}) {
    if (code == c) return {first(3)};
  }
  if (code == "KY" || code == "KM" || code == "PB" || code == "MW" || code == "PS") return {};
  return {std::string(code)};
}

bool SimRadio::apply_panel(std::string_view setting) {
  if (!s_.power || setting.size() < 2) return false;
  origin_ = Origin::kPanel;
  refused_ = false;
  dispatch(setting);
  origin_ = Origin::kCat;
  if (refused_) return false;
  for (const auto& q : reports_for(setting)) report(q);
  return true;
}

bool SimRadio::panel(std::string_view setting, int64_t now_us) {
  advance(now_us);
  bool ok = apply_panel(setting);
  deliver_due(now_);
  notify_due();
  return ok;
}

bool SimRadio::turn_dial(int64_t delta_hz, int64_t now_us) {
  advance(now_us);
  return panel(dial_setting(delta_hz), now_us);
}

bool SimRadio::set_frequency(int vfo, int64_t hz, int64_t now_us) {
  if (vfo != 0 && vfo != 1) return false;
  return panel((vfo ? "FB" : "FA") + freq_text(hz), now_us);
}

bool SimRadio::set_mode(char mode_char, int64_t now_us) {
  advance(now_us);
  return panel(std::string("MD") + digit(s_.rx_vfo) + mode_char, now_us);
}

bool SimRadio::select_vfo(int vfo, int64_t now_us) {
  if (vfo != 0 && vfo != 1) return false;
  return panel(std::string("VS") + digit(vfo), now_us);
}

bool SimRadio::set_split(bool on, int64_t now_us) {
  advance(now_us);
  int tx = on ? 1 - s_.rx_vfo : s_.rx_vfo;
  return panel(std::string("FT") + digit(2 + tx), now_us);
}

}  // namespace tovrak::sim
