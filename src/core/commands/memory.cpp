// Memory channels and the FM repeater functions: recalling and storing
// channels, CTCSS tones, repeater direction and offset.
#include <array>
#include <cmath>

#include "core/commands/frequency.hpp"
#include "core/commands/tones.hpp"
#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/numbers.hpp"

namespace tovrak::core {

namespace {

// The CTCSS tones in Hz; the tone number is the position, from 0.
constexpr std::array<float, 50> kTones = {
    67.0f,  69.3f,  71.9f,  74.4f,  77.0f,  79.7f,  82.5f,  85.4f,  88.5f,  91.5f,
    94.8f,  97.4f,  100.0f, 103.5f, 107.2f, 110.9f, 114.8f, 118.8f, 123.0f, 127.3f,
    131.8f, 136.5f, 141.3f, 146.2f, 151.4f, 156.7f, 159.8f, 162.2f, 165.5f, 167.9f,
    171.3f, 173.8f, 177.3f, 179.9f, 183.5f, 186.2f, 189.9f, 192.8f, 196.6f, 199.5f,
    203.5f, 206.5f, 210.7f, 218.1f, 225.7f, 229.1f, 233.6f, 241.8f, 250.3f, 254.1f};

constexpr int16_t kFM = 4;

// Fields of the memory-write command that only FM carries are defined for
// the tone switches 0/1 and the repeater directions -1/0/1.
bool fm_fields_defined(int16_t enc, int16_t dec, int16_t rpt) {
  bool tone = enc == 0 || (enc == 1 && (dec == 0 || dec == 1));
  return tone && rpt >= -1 && rpt <= 1;
}

}  // namespace

int16_t ToneCode(float CTCSS) {
  for (size_t i = 0; i < kTones.size(); ++i) {
    if (kTones[i] == CTCSS) return static_cast<int16_t>(i);
  }
  return -1;
}

VBool Protocol::SetChannel(int16_t& Channel) {
  if (s.Property[cap::SetChannel] == 0 || s.VFO == 1 || Channel < s.ChannelMin ||
      Channel > s.ChannelMax) {
    return VFalse;
  }
  SendCommand("MC" + three_digits(Channel));
  s.Channel = Channel;
  s.MemMode = 1;
  SendCommand("IF");  // the composite answer refreshes the state
  return VTrue;
}

VBool Protocol::SetVFOM(int16_t& Channel, std::string& /*Info*/) {
  if (s.Property[cap::SetVFOM] == 0 || s.MemMode == 1) return VFalse;
  // A tone or repeater field with no defined character would garble the
  // memory: refused before anything is sent.
  if ((s.Mode == kFM || s.Mode == 7) && !fm_fields_defined(s.Enc, s.Dec, s.RPT)) return VFalse;
  // The write goes out even while the host has muted sending.
  VBool muted = m.link.send_muted;
  m.link.send_muted = VFalse;
  struct Restore {
    Module& m;
    VBool muted;
    ~Restore() { m.link.send_muted = muted; }
  } restore{m, muted};
  MemoryWrite(Channel, s.Freq, s.Mode, s.Reverse, s.Enc, s.Dec, s.CTCSS, s.RPT);
  s.MemMode = 1;
  s.Channel = Channel;
  return VTrue;
}

void Protocol::MemoryWrite(int16_t& Channel, double& Freq, int16_t& Mode, int16_t& Reverse,
                           int16_t& Enc, int16_t& Dec, float& CTCSS, int16_t& RPT) {
  std::string mode_digit;
  switch (Mode) {
    case 0:
      mode_digit = "1";
      break;
    case 1:
      mode_digit = "2";
      break;
    case 2:
      mode_digit = Reverse == 1 ? "7" : "3";
      break;
    case 3:
      mode_digit = "5";
      break;
    case 4:
      mode_digit = "4";
      break;
    case 5:
      mode_digit = Reverse == 1 ? "9" : "6";
      break;
    case 6:
      mode_digit = "8";
      break;
    case 7:
      mode_digit = "4";  // wide FM is stored as FM
      Mode = kFM;
      break;
    default:
      mode_digit = "0";
      break;
  }
  char tone_mode = '0', shift = '0';
  std::string tone = "00";
  if (Mode == kFM) {
    if (Enc == 1) tone_mode = Dec == 1 ? '1' : '2';
    int16_t t = ToneCode(CTCSS);
    if (t >= 0) tone = two_digits(t);
    if (RPT == -1) shift = '2';
    if (RPT == 1) shift = '1';
  }
  size_t width = s.TransceiverID == 570 ? 9 : 8;
  std::string freq = FreqDigits(Freq, s.TransceiverID).substr(0, width);
  SendCommand("MW" + zero_padded(Channel, 3) + freq + "+" + "0000" + "0" + "0" + mode_digit + "0" +
              tone_mode + tone + shift);
  m.apartment().sleep_ms(200);
  SendCommand("IF");
}

VBool Protocol::MClear(int16_t& /*Channel*/) { return VFalse; }

VBool Protocol::SetTone(float& CTCSS, int16_t& DCS, int16_t& Enc, int16_t& Dec) {
  int16_t P = s.Property[cap::SetTone];  // 1 CTCSS, 2 DCS, 3 both
  bool ok =
      P != 0 && (P == 1 || P == 3 || CTCSS <= 0) && (P == 2 || P == 3 || DCS <= 0) && s.Mode == kFM;
  if (!ok) return VFalse;
  std::string rx = s.VFO == 1 ? "1" : "0";
  if (Enc == 0) SendCommand("CT" + rx + "0");
  if (Enc == 1 && Dec == 0) SendCommand("CT" + rx + "2");
  if (Enc == 1 && Dec == 1) SendCommand("CT" + rx + "1");
  int16_t t = ToneCode(CTCSS);
  if (t >= 0) SendCommand("CN" + rx + two_digits(t));
  s.CTCSS = CTCSS;
  s.DCS = DCS;  // stored only: no command carries it
  s.Enc = Enc;
  s.Dec = Dec;
  return VTrue;
}

VBool Protocol::SetRPT(int16_t& Direction) {
  if (Refused(cap::SetRPT)) return VFalse;
  const char* digit = Direction == -1 ? "2" : Direction == 0 ? "0" : Direction == 1 ? "1" : "";
  SendCommand(std::string("OS0") + digit);
  s.RPT = Direction;
  return VTrue;
}

VBool Protocol::SetShift(float& Shift) {
  if (Refused(cap::SetShift)) return VFalse;
  int32_t k = floor_i32(static_cast<double>(Shift) / 1000 + 0.01);
  std::string menu = s.Freq < 50.0 ? "068" : "069";
  SendCommand("EX" + menu + zero_padded(k, 4));
  s.Shift = Shift;
  return VTrue;
}

}  // namespace tovrak::core
