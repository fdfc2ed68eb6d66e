// Memory channels and the FM repeater functions: recalling and storing
// channels, CTCSS tones, repeater direction and offset.
#include <array>
#include <cmath>

#include "core/commands/ctcss_tones.hpp"
#include "core/commands/frequency.hpp"
#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/numbers.hpp"
#include "radio/digits.hpp"
#include "radio/modes.hpp"

namespace tovrak::core {

namespace {

constexpr int16_t kFM = 4;
constexpr int16_t kPKT = 6;

// Fields of the memory-write command that only FM carries are defined for
// the tone switches 0/1 and the repeater directions -1/0/1.
bool fm_fields_defined(int16_t enc, int16_t dec, int16_t rpt) {
  bool tone = enc == 0 || (enc == 1 && (dec == 0 || dec == 1));
  return tone && rpt >= -1 && rpt <= 1;
}

}  // namespace

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
  // PKT is written without its reverse flag, wide FM as FM; a number that
  // is no mode as "0".
  const char code = radio::ModeCode(Mode, Reverse == 1 && Mode != kPKT);
  const char mode_digit = code ? code : '0';
  if (Mode == 7) Mode = kFM;
  char tone_mode = '0', shift = '0';
  std::string tone = "00";
  if (Mode == kFM) {
    if (Enc == 1) tone_mode = Dec == 1 ? '1' : '2';
    int16_t t = ToneCode(CTCSS);
    if (t >= 0) tone = two_digits(t);
    if (RPT == -1) shift = '2';
    if (RPT == 1) shift = '1';
  }
  size_t width = radio::HertzWidth(s.TransceiverID);
  std::string freq = FreqDigits(Freq, s.TransceiverID).substr(0, width);
  SendCommand("MW" + radio::ZeroPad(Channel, 3) + freq + "+" + "0000" + "0" + "0" + mode_digit +
              "0" + tone_mode + tone + shift);
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
  SendCommand("EX" + menu + radio::ZeroPad(k, 4));
  s.Shift = Shift;
  return VTrue;
}

}  // namespace tovrak::core
