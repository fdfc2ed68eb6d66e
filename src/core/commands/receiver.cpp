// Receiver commands: gains, roofing filter, AGC, attenuator, preamplifier,
// noise blanker and reduction, notch, auto-notch, dual watch and antennas.
// Each tests its capability entry (and the upper bound of its argument),
// writes its command and stores what it sent.
#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/arrays.hpp"
#include "core/values/numbers.hpp"
#include "radio/digits.hpp"

namespace tovrak::core {

namespace {

// Noise reduction, notch and keyer are off at 0 and at any value of 1000 or
// more (the level plus 1000 is remembered while off).
bool is_off(int16_t folded) { return folded == 0 || folded >= 1000; }

}  // namespace

bool Protocol::Refused(cap::Entry entry, int16_t arg, Bound bound) const {
  int16_t p = s.Property[static_cast<size_t>(entry)];
  if (p == 0) return true;
  if (bound == Bound::Entry) return arg > p;
  if (bound == Bound::Receivers) return arg > p - 1;
  return false;
}

VBool Protocol::WriteAndStore(std::string command, int16_t& field, int16_t value) {
  SendCommand(std::move(command));
  field = value;
  return VTrue;
}

VBool Protocol::SetAFLevel(int16_t& Receiver, int16_t& Level) {
  if (Refused(cap::SetAFLevel, Receiver, Bound::Receivers)) return VFalse;
  PausePolling();
  SendCommand("AG" + decimal(Receiver) + three_digits(Level));
  element(s.AFLevel, Receiver) = Level;
  return VTrue;
}

VBool Protocol::SetRFLevel(int16_t& Receiver, int16_t& Level) {
  if (Refused(cap::SetRFLevel, Receiver, Bound::Receivers)) return VFalse;
  PausePolling();
  // The command takes the receiver digit from the VFO and the gain inverted.
  SendCommand("RG" + vfo_digit() + three_digits(255 - Level));
  element(s.RFLevel, Receiver) = Level;
  return VTrue;
}

VBool Protocol::SetSQLevel(int16_t& Receiver, int16_t& Level) {
  if (Refused(cap::SetSQLevel, Receiver, Bound::Receivers)) return VFalse;
  PausePolling();
  SendCommand("SQ" + decimal(Receiver) + three_digits(Level));
  element(s.SQLevel, Receiver) = Level;
  return VTrue;
}

VBool Protocol::SetRFT(int16_t& Receiver, int16_t& RFT) {
  if (Refused(cap::SetRFT, RFT, Bound::Entry)) return VFalse;
  SendCommand("RF" + decimal(Receiver) + decimal(RFT));
  element(s.RFT, Receiver) = RFT;
  return VTrue;
}

VBool Protocol::SetAGC(int16_t& AGC) {
  if (Refused(cap::SetAGC, AGC, Bound::Entry)) return VFalse;
  return WriteAndStore("GT" + vfo_digit() + decimal(AGC), s.AGC, AGC);
}

VBool Protocol::SetAtt(int16_t& Att) {
  if (Refused(cap::SetAtt, Att, Bound::Entry)) return VFalse;
  return WriteAndStore("RA" + vfo_digit() + decimal(Att), s.Att, Att);
}

VBool Protocol::SetPreAmp(int16_t& PreAmp) {
  if (Refused(cap::SetPreAmp, PreAmp, Bound::Entry)) return VFalse;
  return WriteAndStore("PA" + vfo_digit() + decimal(PreAmp), s.PreAmp, PreAmp);
}

VBool Protocol::SetNB(int16_t& NB) {
  if (Refused(cap::SetNB, NB, Bound::Entry)) return VFalse;
  PausePolling();
  std::string level = radio::ZeroPad(NB, 3);
  if (s.NBType == 0) return VFalse;  // the blanker is off
  NBRecord& rec = element(s.NBRec, s.NBType);
  SendCommand(rec.Cmd + vfo_digit() + level);
  rec.On = 1;
  s.NBRec[s.NBType == 1 ? 2 : 1].On = 0;
  rec.Level = NB;
  s.NB = NB;
  s.StatusChange = VTrue;
  return VTrue;
}

int16_t Protocol::SetNR(int16_t& NR) {
  if (Refused(cap::SetNR, NR, Bound::Entry)) return 0;
  PausePolling();
  if (NR != 0) {
    if (is_off(s.NR)) {
      SendCommand("NR" + vfo_digit() + "1");
      s.StatusChange = VTrue;
    }
    SendCommand("RL" + vfo_digit() + radio::ZeroPad(NR, 2));
    s.NRSwitch = 1;
    s.NRLevel = NR;
  } else {
    SendCommand("NR" + vfo_digit() + "0");
    s.NRSwitch = 0;
  }
  s.NR = to_i16(s.NRLevel + (s.NRSwitch == 1 ? 0 : 1000));
  return -1;
}

VBool Protocol::SetNF(int16_t& NF) {
  if (Refused(cap::SetNF, NF, Bound::Entry)) return VFalse;
  PausePolling();
  std::string position = radio::ZeroPad(NF, 3);
  if (NF != 0) {
    if (is_off(s.NF)) {
      SendCommand("BP" + vfo_digit() + "0001");
      s.StatusChange = VTrue;
    }
    SendCommand("BP" + vfo_digit() + "1" + position);
    s.NFSwitch = 1;
    s.NFLevel = NF;
    s.FNotch = to_i16(NF * 10);
  } else {
    SendCommand("BP" + vfo_digit() + "0000");
    s.NFSwitch = 0;
  }
  s.NF = to_i16(s.NFLevel + (s.NFSwitch == 1 ? 0 : 1000));
  return VTrue;
}

VBool Protocol::SetAutoNF(int16_t& AutoNF) {
  if (Refused(cap::SetAutoNF)) return VFalse;
  s.AutoNF = Variant(AutoNF);
  SendCommand("BC" + vfo_digit() + decimal(AutoNF));
  return VTrue;
}

VBool Protocol::SetDual(int16_t& Dual) {
  if (Refused(cap::SetDual)) return VFalse;
  SendCommand(Dual == 0 ? "FR0" : "FR2");
  s.Dual = Dual;
  return VTrue;
}

VBool Protocol::SetRXAnt(int16_t& State) {
  if (Refused(cap::SetRXAnt)) return VFalse;
  if (State == 0) {
    // Back to the selected antenna connector, written again.
    int16_t antenna = s.Antenna;
    SetAntenna(antenna);
  } else if (State == 1) {
    SendCommand("AN" + vfo_digit() + "5");
  }
  s.RXAnt = State;
  return VTrue;
}

VBool Protocol::SetAntenna(int16_t& Antenna) {
  if (Refused(cap::SetAntenna, Antenna, Bound::Receivers)) return VFalse;  // connectors 0..entry-1
  // Connectors count from 0 here and from 1 on the wire.
  SendCommand("AN" + vfo_digit() + decimal(Antenna + 1));
  s.Antenna = Antenna;
  return VTrue;
}

}  // namespace tovrak::core
