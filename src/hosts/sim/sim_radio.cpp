#include "hosts/sim/sim_radio.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "radio/digits.hpp"
#include "radio/format.hpp"
#include "radio/parse.hpp"

namespace tovrak::sim {

namespace {

constexpr int64_t kMeterPeriodUs = 100'000;
constexpr int64_t kScanPeriodUs = 100'000;
constexpr int64_t kScanStepHz = 1'000;
constexpr int64_t kTuningUs = 2'000'000;
constexpr size_t kInputLimit = 1024;  // text without ";" beyond this is thrown away
constexpr int kBusyFloor = 40;        // a signal above the noise opens the squelch
constexpr int64_t kGridHz = 1'000;    // stations sit on a 1 kHz grid
constexpr int64_t kFadeHz = 500;      // a station fades out over this beyond the passband

char digit(int v) { return static_cast<char>('0' + v); }

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

// ---------------------------------------------------------------- life

SimRadio::SimRadio(SimOptions options, int64_t start_us)
    : opt_(options),
      now_(start_us),
      out_tail_(start_us),
      op_rng_{options.seed ^ 0x6F70657261746F72ull},
      line_(options.seed) {
  line_.set_faults(opt_.faults);
  // The menu items as the radio comes.
  for (const radio::Command& c : radio::CommandsOf("EX")) s_.menu[c.item_number()] = c.initial;
  auto store = [&](int ch, int64_t hz, char md, int tone_mode = 0, int tone = 0, int shift = 0) {
    s_.memories[static_cast<size_t>(ch)] = Memory{true, hz, md, tone_mode, tone, shift};
  };
  store(1, 7'050'000, mode::kLsb);
  store(2, 14'200'000, mode::kUsb);
  store(3, 3'700'000, mode::kLsb);
  store(4, 29'620'000, mode::kFm, 2, 8, 2);
  store(5, 10'120'000, mode::kCw);
  store(6, 51'000'000, mode::kFm, 1, 12, 2);
  update_meters();
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
    update_meters();
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
  update_meters();
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
  cmd = radio::SkipBlanks(cmd);
  if (cmd.empty()) return;
  ++stats_.commands;
  if (!s_.power) {
    if (cmd == "PS1") power_on();
    return;
  }
  origin_ = Origin::kCat;
  dispatch(cmd);
}

// Queries are answered in the radio's layouts from its state; a setting's
// value lands in the state, and the settings the radio acts on act here.
void SimRadio::dispatch(std::string_view cmd) {
  const radio::Parsed parsed = radio::Parse(cmd, radio::Direction::kCommand, opt_.id);
  if (!parsed) return refuse();
  const radio::Message& m = parsed.message;
  if (m.use == radio::kQuery) return answer(radio::Answer(s_, opt_.id, m));
  const std::string_view code = m.command->code;
  switch (key(code[0], code[1])) {
    case key('A', 'B'):
      s_.vfo[1] = s_.vfo[0];
      return;
    case key('B', 'A'):
      s_.vfo[0] = s_.vfo[1];
      return;
    case key('S', 'V'):
      std::swap(s_.vfo[0], s_.vfo[1]);
      return;
    case key('B', 'S'):
      return cmd_band(static_cast<size_t>(m[0]));
    case key('M', 'C'):
      return cmd_memory_recall(static_cast<int>(m[0]));
    case key('V', 'M'):
      s_.memory_mode = false;
      return;
    case key('R', 'C'):
      s_.rit_hz = 0;
      return;
    case key('R', 'U'):
    case key('R', 'D'): {
      const int step = static_cast<int>(m[0]);
      s_.rit_hz = std::clamp(s_.rit_hz + (code == "RU" ? step : -step), -9999, 9999);
      return;
    }
    case key('S', 'C'):
      return cmd_scan(static_cast<int>(m[0]));
    case key('A', 'C'):  // 2 starts tuning; the tuner is on when done
      radio::Store(s_, opt_.id, m);
      tune_done_ = s_.tuner == 2 ? now_ + kTuningUs : kNever;
      return;
    case key('P', 'S'):  // "PS1" while on changes nothing
      if (m[0] == 0 && origin_ == Origin::kCat) power_off();
      return;
    default:
      radio::Store(s_, opt_.id, m);
  }
}

// "BS" + band: the receive VFO leaves its frequency in the band it is in and
// takes the one last used in the new band.
void SimRadio::cmd_band(size_t band) {
  if (s_.memory_mode) return refuse();
  radio::Vfo& v = s_.vfo[static_cast<size_t>(s_.rx_vfo)];
  s_.band_stack[static_cast<size_t>(radio::BandOf(v.hz))] = v.hz;
  v.hz = s_.band_stack[band];
}

// A stored channel is worked on the main receiver; scanning stops.
void SimRadio::cmd_memory_recall(int channel) {
  if (!s_.memories[static_cast<size_t>(channel)].used) return refuse();
  s_.channel = channel;
  s_.memory_mode = true;
  s_.rx_vfo = 0;
  s_.scan = 0;
  next_scan_ = kNever;
}

// 1 up, 2 down, 0 stops; memories are not scanned.
void SimRadio::cmd_scan(int direction) {
  if (direction != 0 && s_.memory_mode) return refuse();
  s_.scan = direction;
  next_scan_ = direction ? now_ + kScanPeriodUs : kNever;
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
  const int64_t reach = half + kFadeHz;
  for (int64_t k = (hz - reach) / kGridHz; k <= (hz + reach) / kGridHz + 1; ++k) {
    const int64_t center = k * kGridHz;
    const uint64_t h = hash2(seed, static_cast<uint64_t>(k));
    const uint64_t density = radio::BandOf(center) < radio::kOutsideBands ? 10 : 2;
    if (h % 100 >= density) continue;
    const int64_t turn = (t_ms + static_cast<int64_t>((h >> 20) % 15000)) / 15000;
    if (hash2(h, static_cast<uint64_t>(turn)) % 3 == 0) continue;  // listening this turn
    const int strength = 60 + static_cast<int>((h >> 8) % 170);
    const int64_t period = 2000 + static_cast<int64_t>((h >> 32) % 6000);
    const int64_t phase = (t_ms + static_cast<int64_t>((h >> 12) % 8000)) % period;
    const int64_t tri = phase < period / 2 ? phase : period - phase;
    const int64_t level = strength * (700 + 600 * tri / period) / 1000;
    const int64_t d = std::abs(hz - center);
    const int64_t heard = level * std::clamp<int64_t>(reach - d, 0, kFadeHz) / kFadeHz;
    best = std::max(best, static_cast<int>(heard));
  }
  return std::min(best, 255);  // the noise keeps it above 0
}

int SimRadio::receiver_level(int r) const {
  const Receiver& rx = s_.rx[static_cast<size_t>(r)];
  int v = band_signal(s_.receiver_hz(r), width_hz(r), now_);
  v += 10 * rx.preamp - 12 * rx.att - rx.rf / 3;
  return std::clamp(v, 0, 255);
}

// Changes are reported (automatic information is off as the radio comes on).
void SimRadio::update_meters() {
  bool busy_moved = false;
  for (int r = 0; r < 2; ++r) {
    Receiver& rx = s_.rx[static_cast<size_t>(r)];
    int level = s_.ptt || !s_.power ? 0 : receiver_level(r);
    bool busy = !s_.ptt && s_.power && level > std::max(rx.squelch, kBusyFloor);
    if (level != rx.smeter) {
      rx.smeter = level;
      if (r == 0) report("SM0");
    }
    if (busy != rx.busy) {
      rx.busy = busy;
      busy_moved = true;
    }
  }
  if (busy_moved) report("BY");
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
  int band = radio::BandOf(s_.vfo[static_cast<size_t>(r)].hz);
  bool amateur = band < radio::kOutsideBands;
  int64_t lo = amateur ? radio::kBands[static_cast<size_t>(band)].lo_hz : radio::kMinHz;
  int64_t hi = amateur ? radio::kBands[static_cast<size_t>(band)].hi_hz : radio::kMaxHz;
  if (hz > hi) hz = lo;
  if (hz < lo) hz = hi;
  s_.vfo[static_cast<size_t>(r)].hz = hz;
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
    apply_panel("AG0" + radio::ZeroPad(af, 3));
  } else if (pick < 60) {
    apply_panel("SQ0" + radio::ZeroPad(g.below(3) ? 0 : 20 + g.below(60), 3));
  } else if (pick < 64) {
    apply_panel("RG0" + radio::ZeroPad(g.below(2) ? 0 : g.below(120), 3));
  } else if (pick < 69) {
    apply_panel("SH0" + radio::ZeroPad(g.below(32), 2));
  } else if (pick < 73) {
    apply_panel(std::string("IS0") + (g.below(2) ? '+' : '-') +
                radio::ZeroPad(20 * g.below(51), 4));
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
    if (!s_.memory_mode && !s_.lock) apply_panel("BS" + radio::ZeroPad(g.below(11), 2));
  } else if (pick < 94) {
    apply_panel("PC" + radio::ZeroPad(10 + g.below(246), 3));
  } else if (pick < 96) {
    apply_panel("KS" + radio::ZeroPad(10 + g.below(31), 3));
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
  int64_t hz =
      std::clamp(s_.vfo[static_cast<size_t>(r)].hz + delta_hz, radio::kMinHz, radio::kMaxHz);
  return frequency_setting(r, hz);
}

// ---------------------------------------------------------------- front panel

// What the radio tells of a change made by hand: the answers to the queries
// that would ask for it.
std::vector<std::string> SimRadio::reports_for(std::string_view setting) const {
  const radio::Parsed parsed = radio::Parse(setting, radio::Direction::kCommand, opt_.id);
  const radio::Command& c = *parsed.message.command;
  const std::string_view code = c.code;
  if (code == "AB" || code == "BA" || code == "SV") return {"FA", "FB", "MD0", "MD1"};
  if (code == "BS") return {s_.rx_vfo ? "FB" : "FA"};
  if (code == "MC" || code == "VM" || code == "RC" || code == "RU" || code == "RD" ||
      code == "RT") {
    return {"IF"};
  }
  if (code == "VS") return {"VS", "IF"};
  if (!c.is(radio::kQuery) || code == "PS") return {};
  return {radio::QueryText(c, parsed.message.receiver)};
}

// A frequency setting of a VFO in the radio's digits.
std::string SimRadio::frequency_setting(int vfo, int64_t hz) const {
  return radio::SettingText(*radio::FindCommand(vfo ? "FB" : "FA"), opt_.id, -1, {hz});
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
  return panel(frequency_setting(vfo, hz), now_us);
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
