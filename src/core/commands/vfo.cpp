// Tuning and the two VFOs: frequency, receive VFO, split and the transmit
// VFO, copying and exchanging, band, RIT, scanning and tuning step. Each
// method writes its commands and updates the state at once, without waiting
// for the radio's answer.
#include <cmath>
#include <cstdlib>

#include "core/commands/frequency.hpp"
#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/link/port_and_timers.hpp"
#include "core/values/numbers.hpp"
#include "radio/digits.hpp"
#include "radio/modes.hpp"

namespace tovrak::core {

VBool Protocol::SetFreq(double Freq) {
  double f = Freq;
  if (s.Property[cap::SetFreq] == 0 || !ValidFreq(f) || s.MemMode == 1) return VFalse;
  // With the sub receiver selected there is no command to tune it: refused
  // rather than writing digits without command letters.
  if (s.VFO != 0 && s.VFO != 1) return VFalse;
  std::string letters = "FB";
  if (s.VFO == 0) {
    letters = "FA";
    int16_t band = BandOf(Freq);
    if (band != BandOf(s.VFOA_Freq)) SetBand(band);
  }
  SendCommand(letters + FreqDigits(Freq, s.TransceiverID));
  s.Freq = Freq;
  if (s.MemMode == 0) {
    if (s.VFO == 0) s.VFOA_Freq = Freq;
    if (s.VFO == 1) s.VFOB_Freq = Freq;
  }
  return VTrue;
}

VBool Protocol::SetVFO(int16_t& VFO) {
  if (s.MemMode == 1) {
    // Out of memory mode, onto VFO A; the argument is not used.
    SendCommand("VM");
    s.MemMode = 0;
    s.VFO = 0;
    return VTrue;
  }
  if (VFO == 0) {
    SendCommand("VS0");
    s.Freq = s.VFOA_Freq;
    s.Mode = s.VFOA_Mode;
  } else if (VFO == 1) {
    SendCommand("VS1");
    s.Freq = s.VFOB_Freq;
    s.Mode = s.VFOB_Mode;
  }
  s.VFO = VFO;
  s.Split = to_i16(std::abs(static_cast<int>(s.VFO) - s.TX_VFO));
  m.apartment().sleep_ms(200);
  m.polling.vfo_poll_index = 0;
  m.port_and_timers().tmrPollVFO->set_enabled(true);
  return VTrue;
}

VBool Protocol::SetSplit(int16_t& Split) {
  if (Refused(cap::SetSplit)) return VFalse;
  // FT2 transmits on VFO A, FT3 on VFO B.
  if (s.VFO == 0) {
    if (Split == 1 && s.Split == 0) SendCommand("FT3");
    if (Split == 0 && s.Split == 1) SendCommand("FT2");
  } else if (s.VFO == 1) {
    if (Split == 1 && s.Split == 0) SendCommand("FT2");
    if (Split == 0 && s.Split == 1) SendCommand("FT3");
  }
  s.TX_VFO = Split == 0 ? s.VFO : to_i16(1 - s.VFO);
  s.Split = Split;
  return VTrue;
}

VBool Protocol::SetTX(double& Freq, int16_t& Mode) {
  if (s.Property[cap::SetTX] == 0 || s.VFO >= 2 || !ValidFreq(Freq) || s.MemMode == 1)
    return VFalse;
  // A mode number outside 0..7 has no digit: refused rather than writing a
  // mode command without one.
  const char digit = radio::ModeCode(Mode, false);
  if (!digit) return VFalse;
  if (Mode == 7) Mode = 4;  // wide FM goes out as FM
  if (s.VFO == 0 || s.VFO == 1) {
    // Load the VFO that is not receiving and make it the transmit VFO.
    bool on_a = s.VFO == 0;
    std::string freq = (on_a ? "FB" : "FA") + FreqDigits(Freq, s.TransceiverID);
    int16_t& tx_mode = on_a ? s.VFOB_Mode : s.VFOA_Mode;
    SendCommand(freq);
    if (tx_mode != Mode) SendCommand((on_a ? "MD1" : "MD0") + std::string(1, digit));
    SendCommand(freq);
    tx_mode = Mode;
    (on_a ? s.VFOB_Freq : s.VFOA_Freq) = Freq;
    m.apartment().sleep_ms(200);
    if (s.Split == 0) SendCommand(on_a ? "FT3" : "FT2");
  }
  s.TX_Freq = Freq;
  s.TX_Mode = Mode;
  s.Split = 1;
  SendCommand("FT");
  return VTrue;
}

VBool Protocol::SetVFOB(double& Freq) {
  // Neither range nor width is checked: only a value that is no number at all
  // (infinite, NaN) has no digits to send.
  if (Refused(cap::SetVFOB) || !std::isfinite(Freq)) return VFalse;
  bool to_a = s.TXW == 1;
  SendCommand((to_a ? "FA" : "FB") + FreqDigits(Freq, s.TransceiverID));
  (to_a ? s.VFOA_Freq : s.VFOB_Freq) = Freq;
  return VTrue;
}

VBool Protocol::SetAeqB() {
  if (s.Property[cap::SetAeqB] == 0 || s.MemMode == 1) return VFalse;
  if (s.VFO == 0) {
    SendCommand("AB");
    s.VFOB_Freq = s.VFOA_Freq;
    s.VFOB_Mode = s.VFOA_Mode;
    m.apartment().sleep_ms(250);
    SendCommand("FB");
    SendCommand("MD1");
  } else if (s.VFO == 1) {
    SendCommand("BA");
    s.VFOA_Freq = s.VFOB_Freq;
    s.VFOA_Mode = s.VFOB_Mode;
    m.apartment().sleep_ms(250);
    SendCommand("FA");
    SendCommand("MD0");
  }
  return VTrue;
}

VBool Protocol::SetAexcB() {
  if (s.Property[cap::SetAexcB] == 0 || s.MemMode == 1) return VFalse;
  m.apartment().sleep_ms(200);
  SendCommand("SV");
  // The exchanged VFOs arrive through the current-VFO sequence, which goes
  // on from where it is.
  m.port_and_timers().tmrPollVFO->set_enabled(true);
  return VTrue;
}

VBool Protocol::SetBand(int16_t& Band) {
  if (Refused(cap::SetBand)) return VFalse;
  SendCommand("BS" + radio::ZeroPad(Band, 2));
  m.apartment().sleep_ms(200);
  s.Band = Band;
  return VTrue;
}

VBool Protocol::SetRIT(int16_t& Status, double& Offset) {
  if (s.Property[cap::SetRIT] == 0) return VTrue;
  double h = Offset * 1000 + 0.1;
  if (h > 9999) h = 9999;
  if (h < -9999) h = -9999;
  // The wire carries at most 9999 Hz; the state keeps the offset as given.
  std::string digits = radio::ZeroPad(static_cast<int64_t>(std::fabs(std::floor(h))), 4);
  if (Status != s.RITStatus) SendCommand("RT" + decimal(Status));
  SendCommand("RC");
  if (Offset < 0) SendCommand("RD" + digits);
  if (Offset > 0) SendCommand("RU" + digits);
  s.RITStatus = Status;
  s.RITOffset = Offset;
  return VTrue;
}

VBool Protocol::SetRITClear() {
  if (Refused(cap::SetRITClear)) return VFalse;
  SendCommand("RC");
  s.RITOffset = 0;
  return VTrue;
}

VBool Protocol::SetScanning(int16_t& UpDown, int16_t& /*Step*/) {
  if (Refused(cap::SetScanning)) return VFalse;
  if (UpDown == -1) SendCommand("SC2");
  if (UpDown == 0) SendCommand("SC0");
  if (UpDown == 1) SendCommand("SC1");
  return VTrue;
}

VBool Protocol::SetTuningStep(int16_t& Index) {
  if (Index > s.Property[cap::SetTuningStep]) return VFalse;
  s.TuningStep = 0;
  return VTrue;
}

}  // namespace tovrak::core
