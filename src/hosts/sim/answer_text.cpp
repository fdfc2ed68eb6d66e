#include "hosts/sim/answer_text.hpp"

#include <cstdlib>

namespace tovrak::sim {

namespace detail {
const MenuItem kMenus[] = {
    {55, MenuForm::kDigit, 0, 1, 0},        // full break-in
    {68, MenuForm::kFour, 0, 1000, 100},    // repeater offset below 50 MHz, kHz
    {69, MenuForm::kFour, 0, 4000, 1000},   // repeater offset from 50 MHz, kHz
    {86, MenuForm::kSigned, -40, 20, -15},  // contour level, main receiver, dB
    {87, MenuForm::kTwo, 1, 11, 10},        // contour width, main receiver
    {89, MenuForm::kSigned, -40, 20, -15},  // contour level, sub receiver
    {90, MenuForm::kTwo, 1, 11, 10},        // contour width, sub receiver
    {95, MenuForm::kTwo, 0, 11, 4},         // narrow filter, main: CW
    {98, MenuForm::kTwo, 0, 5, 4},          //   PKT
    {101, MenuForm::kTwo, 0, 5, 4},         //   FSK
    {104, MenuForm::kTwo, 0, 11, 8},        //   SSB
    {107, MenuForm::kTwo, 0, 11, 4},        // narrow filter, sub: CW
    {110, MenuForm::kTwo, 0, 5, 4},         //   PKT
    {113, MenuForm::kTwo, 0, 5, 4},         //   FSK
    {116, MenuForm::kTwo, 0, 11, 8},        //   SSB
};
const size_t kMenuCount = sizeof(kMenus) / sizeof(kMenus[0]);
}  // namespace detail

namespace {

char digit(int v) { return static_cast<char>('0' + v); }

// 0 or 1 for a receiver digit, -1 otherwise.
int receiver_of(char c) { return c == '0' ? 0 : c == '1' ? 1 : -1; }

bool is_digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string sign_pad(int v, size_t width) {
  std::string text(1, v < 0 ? '-' : '+');
  text += ZeroPad(std::abs(v), width);
  return text;
}

// "IF" tells what the radio receives; "OI" the same of the other VFO.
//   8-digit form, both:  IF ccc ffffffff ±rrrr R X m M t nn s
//   9-digit form, IF:    IF ccc fffffffff ±rrrr R X m M t nn
//   9-digit form, OI:    OI ccc fffffffff ±rrrr R m M t nn s
// c channel, f frequency, r RIT offset, R RIT on, X transmit clarifier (always
// off), m mode, M memory (1) or VFO (0), t tone mode, n tone number, s shift.
// Every answer is 26 characters long.
std::string info(const RadioState& s, int id, bool other) {
  bool mem = s.memory_mode && !other;
  int r = other ? 1 - s.rx_vfo : s.rx_vfo;
  const Receiver& rx = s.rx[static_cast<size_t>(r)];
  int tone_mode = rx.tone_mode, tone = rx.tone, shift = rx.repeater;
  if (mem) {
    const Memory& m = s.memories[static_cast<size_t>(s.channel)];
    tone_mode = m.tone_mode;
    tone = m.tone;
    shift = m.shift;
  }
  bool wide = id == kNineDigitId;
  std::string t = other ? "OI" : "IF";
  t += ZeroPad(s.channel, 3);
  t += FreqText(s.receiver_hz(r), id);
  t += sign_pad(s.rit_hz, 4);
  t += s.rit ? '1' : '0';
  if (!(wide && other)) t += '0';
  t += s.receiver_mode(r);
  t += mem ? '1' : '0';
  t += digit(tone_mode);
  t += ZeroPad(tone, 2);
  if (!(wide && !other)) t += digit(shift);
  return t;
}

constexpr uint16_t key(char a, char b) {
  return static_cast<uint16_t>((static_cast<uint8_t>(a) << 8) | static_cast<uint8_t>(b));
}

// A receiver's setting asked as code + receiver digit.
std::optional<std::string> receiver_answer(const RadioState& s, std::string_view code, char r_char,
                                           std::string_view p) {
  int r = receiver_of(r_char);
  if (r < 0) return std::nullopt;
  const Receiver& rx = s.rx[static_cast<size_t>(r)];
  std::string head = std::string(code) + r_char;
  auto three = [&](int v) { return head + ZeroPad(v, 3); };
  auto one = [&](int v) { return head + digit(v); };
  switch (key(code[0], code[1])) {
    case key('A', 'G'):
      return three(rx.af);
    case key('R', 'G'):
      return three(rx.rf);
    case key('S', 'Q'):
      return three(rx.squelch);
    case key('R', 'F'):
      return head + rx.roofing;
    case key('G', 'T'):
      return one(rx.agc);
    case key('R', 'A'):
      return one(rx.att);
    case key('P', 'A'):
      return one(rx.preamp);
    case key('B', 'C'):
      return one(rx.auto_notch);
    case key('N', 'A'):
      return one(rx.narrow);
    case key('N', 'B'):
      return one(rx.nb_type);
    case key('N', 'R'):
      return one(rx.nr);
    case key('O', 'S'):
      return one(rx.repeater);
    case key('C', 'T'):
      return one(rx.tone_mode);
    case key('C', 'N'):
      return head + ZeroPad(rx.tone, 2);
    case key('R', 'L'):
      return head + ZeroPad(rx.nr_level, 2);
    case key('N', 'L'):  // the level of the blanker type in use (type 1 while off)
      return three(rx.nb_level[static_cast<size_t>(rx.nb_type ? rx.nb_type : 1)]);
    case key('I', 'S'):
      return head + sign_pad(rx.if_shift_hz, 4);
    case key('S', 'H'):
      return head + ZeroPad(rx.width, 2);
    case key('A', 'N'):
      return head + digit(rx.antenna) + (rx.rx_antenna ? '1' : '0');
    case key('S', 'M'):
      return three(rx.smeter);
    case key('B', 'P'):  // + 0: the notch switch, + 1: its position
      if (p.size() != 1 || (p[0] != '0' && p[0] != '1')) return std::nullopt;
      return head + p[0] + ZeroPad(p[0] == '1' ? rx.notch_pos : (rx.notch ? 1 : 0), 3);
    case key('C', 'O'): {  // + 0 switch, 1 level, 2 width
      if (p.size() != 1 || p[0] < '0' || p[0] > '2') return std::nullopt;
      int v = p[0] == '0' ? rx.contour : p[0] == '1' ? rx.contour_level : rx.contour_width;
      return head + p[0] + ZeroPad(v, 2);
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string ZeroPad(int64_t v, size_t width) {
  std::string t = std::to_string(v);
  if (t.size() < width) t.insert(0, width - t.size(), '0');
  return t;
}

std::string FreqText(int64_t hz, int id) { return ZeroPad(hz, id == kNineDigitId ? 9 : 8); }

const MenuItem* FindMenu(int number) {
  for (size_t i = 0; i < detail::kMenuCount; ++i) {
    if (detail::kMenus[i].number == number) return &detail::kMenus[i];
  }
  return nullptr;
}

std::string MenuText(const MenuItem& m, int v) {
  switch (m.form) {
    case MenuForm::kDigit:
      return std::to_string(v);
    case MenuForm::kTwo:
      return ZeroPad(v, 2);
    case MenuForm::kFour:
      return ZeroPad(v, 4);
    case MenuForm::kSigned:
      return sign_pad(v, 2);
  }
  return {};
}

int TransmitMeter(const RadioState& s) {
  if (!s.ptt) return 0;
  switch (s.meter) {
    case 0:
      return s.power_level * 9 / 10;  // PO
    case 1:
      return s.mic_gain < 255 ? s.mic_gain : 255;  // MIC
    case 2:
      return 30 + s.power_level / 3;  // IDD
    case 3:
      return 20;  // SWR
    case 4:
      return s.processor ? 80 : 0;  // COMP
    default:
      return 40;
  }
}

std::optional<std::string> QueryAnswer(const RadioState& s, int id, std::string_view cmd) {
  if (cmd.size() < 2) return std::nullopt;
  std::string_view code = cmd.substr(0, 2);
  std::string_view p = cmd.substr(2);
  auto flag = [&](bool on) -> std::optional<std::string> {
    if (!p.empty()) return std::nullopt;
    return std::string(code) + (on ? '1' : '0');
  };
  auto number = [&](int v, size_t width) -> std::optional<std::string> {
    if (!p.empty()) return std::nullopt;
    return std::string(code) + ZeroPad(v, width);
  };
  auto one = [&](int v) -> std::optional<std::string> {
    if (!p.empty()) return std::nullopt;
    return std::string(code) + digit(v);
  };
  switch (key(cmd[0], cmd[1])) {
    case key('F', 'A'):
    case key('F', 'B'):
      if (!p.empty()) return std::nullopt;
      return std::string(code) + FreqText(s.vfo[cmd[1] == 'B' ? 1 : 0].hz, id);
    case key('I', 'F'):
    case key('O', 'I'):
      if (!p.empty()) return std::nullopt;
      return info(s, id, cmd[0] == 'O');
    case key('M', 'D'): {
      int r = p.size() == 1 ? receiver_of(p[0]) : -1;
      if (r < 0) return std::nullopt;
      return std::string("MD") + p[0] + s.receiver_mode(r);
    }
    case key('V', 'S'):
      return one(s.rx_vfo);
    case key('F', 'T'):
      return one(s.tx_vfo);
    case key('M', 'C'):
      return number(s.channel, 3);
    case key('S', 'C'):
      return one(s.scan);
    case key('F', 'R'):
      return one(s.dual);
    case key('M', 'S'):
      return one(s.meter);
    case key('A', 'I'):
      return one(s.ai);
    case key('R', 'T'):
      return flag(s.rit);
    case key('V', 'X'):
      return flag(s.vox);
    case key('P', 'R'):
      return flag(s.processor);
    case key('B', 'I'):
      return flag(s.break_in);
    case key('K', 'R'):
      return flag(s.keyer);
    case key('L', 'K'):
      return flag(s.lock);
    case key('F', 'S'):
      return flag(s.fast);
    case key('T', 'S'):
      return flag(s.tx_watch);
    case key('C', 'S'):
      return flag(s.spot);
    case key('T', 'X'):
      return flag(s.ptt);
    case key('P', 'C'):
      return number(s.power_level, 3);
    case key('K', 'S'):
      return number(s.keyer_wpm, 3);
    case key('K', 'P'):
      return number(s.pitch_step, 2);
    case key('S', 'D'):
      return number(s.break_in_delay_ms, 4);
    case key('M', 'G'):
      return number(s.mic_gain, 3);
    case key('I', 'D'):
      return number(id, 4);
    case key('P', 'S'):
      if (!p.empty()) return std::nullopt;
      return std::string("PS1");
    case key('B', 'Y'):
      if (!p.empty()) return std::nullopt;
      return std::string("BY") + (s.rx[0].busy ? '1' : '0') + (s.rx[1].busy ? '1' : '0');
    case key('A', 'C'):
      if (!p.empty()) return std::nullopt;
      return std::string("AC00") + digit(s.tuner);
    case key('M', 'L'):  // "ML" and "ML0" the monitor switch, "ML1" its level
      if (p.empty() || p == "0") return std::string("ML000") + (s.monitor ? '1' : '0');
      if (p == "1") return "ML1" + ZeroPad(s.monitor_level, 3);
      return std::nullopt;
    case key('R', 'M'): {  // "RM00" main S-meter, "RM04" sub, "RM01" the transmit meter
      int v;
      if (p == "00") {
        v = s.rx[0].smeter;
      } else if (p == "04") {
        v = s.rx[1].smeter;
      } else if (p == "01") {
        v = TransmitMeter(s);
      } else {
        return std::nullopt;
      }
      return "RM" + std::string(p) + ZeroPad(v, 3);
    }
    case key('D', 'A'): {
      if (!p.empty()) return std::nullopt;
      std::string t = "DA";
      for (int v : s.dimmer) t += ZeroPad(v, 2);
      return t;
    }
    case key('E', 'X'): {
      if (p.size() != 3 || !is_digits(p)) return std::nullopt;
      int number = std::atoi(std::string(p).c_str());
      const MenuItem* m = FindMenu(number);
      if (!m) return std::nullopt;
      auto it = s.menu.find(number);
      return "EX" + std::string(p) + MenuText(*m, it == s.menu.end() ? m->initial : it->second);
    }
    case key('N', 'A'):  // alone: the receiver in use
    case key('N', 'L'):
      if (p.empty()) return receiver_answer(s, code, digit(s.rx_vfo), p);
      if (p.size() != 1) return std::nullopt;
      return receiver_answer(s, code, p[0], {});
    case key('B', 'P'):
    case key('C', 'O'):
      if (p.size() != 2) return std::nullopt;
      return receiver_answer(s, code, p[0], p.substr(1));
    default:
      if (p.size() != 1) return std::nullopt;
      return receiver_answer(s, code, p[0], {});
  }
}

}  // namespace tovrak::sim
