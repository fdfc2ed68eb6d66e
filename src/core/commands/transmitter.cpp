// Transmitter and keyer commands: PTT, power, speech, CW keyer, break-in,
// monitor, meter, messages and tuner.
#include <cmath>

#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/arrays.hpp"
#include "core/values/numbers.hpp"
#include "core/values/text.hpp"
#include "radio/digits.hpp"

namespace tovrak::core {

VBool Protocol::SetPTT(int16_t& PTT) {
  if (Refused(cap::SetPTT)) return VFalse;
  return WriteAndStore("TX" + decimal(PTT), s.PTT, PTT);
}

VBool Protocol::SetComp(int16_t& Comp) {
  if (Refused(cap::SetComp)) return VFalse;
  return WriteAndStore("PR" + decimal(Comp), s.Comp, Comp);
}

VBool Protocol::SetVox(int16_t& Vox) {
  if (Refused(cap::SetVox)) return VFalse;
  return WriteAndStore("VX" + decimal(Vox), s.Vox, Vox);
}

VBool Protocol::SetBK(int16_t& BK) {
  if (Refused(cap::SetBK)) return VFalse;
  return WriteAndStore("BI" + decimal(BK), s.BK, BK);
}

VBool Protocol::setTXW(int16_t& State) {
  if (Refused(cap::setTXW)) return VFalse;
  return WriteAndStore("TS" + decimal(State), s.TXW, State);
}

VBool Protocol::SetSpot(int16_t& State) {
  if (Refused(cap::SetSpot)) return VFalse;
  SendCommand("CS" + decimal(State));
  return VTrue;
}

VBool Protocol::SetMicGain(int16_t& MG) {
  s.MicGain = MG;
  SendCommand("MG" + radio::ZeroPad(MG, 3));
  return VTrue;
}

VBool Protocol::SetTuner(int16_t& Tuner) {
  if (Refused(cap::SetTuner)) return VFalse;
  if (Tuner != s.Tuner) SendCommand("AC00" + decimal(Tuner));
  s.Tuner = Tuner;
  return VTrue;
}

VBool Protocol::SetStartTuner() {
  if (Refused(cap::SetStartTuner)) return VFalse;
  SendCommand("AC002");
  return VTrue;
}

VBool Protocol::SetVoiceMessage(int16_t& MSG) {
  if (Refused(cap::SetVoiceMessage, MSG, Bound::Entry)) return VFalse;
  SendCommand(MSG != 0 ? "PB0" + decimal(MSG) : std::string("PB00"));
  return VTrue;
}

VBool Protocol::SetTXEQ(int16_t& /*TXEQ*/) { return VFalse; }

VBool Protocol::SetRFPower(int16_t& Power) {
  if (Refused(cap::SetRFPower)) return VFalse;
  PausePolling();
  // Watts 0..200 onto the radio's 0..255 scale.
  float scaled = static_cast<float>(Power) / 200.0f * 255.0f;
  int64_t v = static_cast<int64_t>(std::floor(static_cast<double>(scaled) + 0.1));
  SendCommand("PC" + radio::ZeroPad(v, 3));
  s.RFPower = Power;
  return VTrue;
}

VBool Protocol::SetPitch(int16_t& Pitch) {
  if (Refused(cap::SetPitch)) return VFalse;
  // Hertz onto the radio's 50 Hz steps from 300 Hz, rounded down.
  int64_t n = static_cast<int64_t>(std::floor((Pitch + 0.01 - 300) / 50));
  SendCommand("KP" + two_digits(n));
  s.Pitch = Pitch;
  return VTrue;
}

VBool Protocol::SetKeyerSpeed(int16_t& KeyerSpeed) {
  if (Refused(cap::SetKeyerSpeed)) return VFalse;
  PausePolling();
  if (KeyerSpeed != 0) {
    if (s.KeyerSpeed == 0 || s.KeyerSpeed >= 1000) {
      SendCommand("KR1");
      s.StatusChange = VTrue;
    }
    // The level 0..255 onto 4..60 words per minute.
    int16_t wpm = to_i16(static_cast<float>(KeyerSpeed) / 255.0f * 56.0f + 4.0f);
    SendCommand("KS" + radio::ZeroPad(wpm, 3));
    s.KeyerSwitch = 1;
    s.KeyerWPM = wpm;
    s.KeyerLevel = KeyerSpeed;
  } else {
    SendCommand("KR0");
    s.KeyerSwitch = 0;
  }
  s.KeyerSpeed = to_i16(s.KeyerLevel + (s.KeyerSwitch == 1 ? 0 : 1000));
  return VTrue;
}

VBool Protocol::SetBKIn(int16_t& BKIn) {
  if (Refused(cap::SetBKIn, BKIn, Bound::Entry)) return VFalse;
  // The delay in steps of 50 ms; 0 is full break-in.
  std::string delay = radio::ZeroPad(static_cast<int64_t>(BKIn) * 50, 4);
  if (BKIn != 0) {
    SendCommand("SD" + delay);
    SendCommand(s.FullBKMenu + "0");
    s.FullBK = 0;
  } else {
    SendCommand("SD0000");
    SendCommand(s.FullBKMenu + "1");
    s.FullBK = 1;
  }
  s.BKIn = BKIn;
  return VTrue;
}

VBool Protocol::SetMonitor(int16_t& P1, int16_t& P2) {
  if (Refused(cap::SetMonitor)) return VFalse;
  std::string text = "ML";  // alone, a read request
  if (P1 == 0) {
    text += "000";
    text += decimal(P2);
    s.Monitor = P2;
  } else if (P1 == 1) {
    text += '1';
    text += radio::ZeroPad(P2, 3);
    s.MonitorLevel = P2;
  }
  SendCommand(text);
  return VTrue;
}

VBool Protocol::SetMeterSW(int16_t& MS) {
  if (Refused(cap::SetMeterSW)) return VFalse;
  SendCommand("MS" + decimal(MS));
  s.MeterSW = MS;
  s.MeterCaption = element(s.MeterName, MS);
  SendCommand("RM" + s.MeterRead);  // the selected meter's reading
  return VTrue;
}

VBool Protocol::SetKeyerMessage(int16_t& LOAD, int16_t& MSG, std::string& MESS) {
  if (Refused(cap::SetKeyerMessage, MSG, Bound::Entry)) return VFalse;
  if (LOAD == 0) {
    // Play: messages 1..5 are KY6..KY9 and KYA.
    std::string n = decimal(MSG + 5);
    SendCommand("KY" + (n == "10" ? std::string("A") : n));
  } else if (LOAD == 1) {
    // Store: upper case, at most 40 characters (not bytes: a character is
    // never cut in half), no blanks around.
    std::string text = FirstChars(UpperText(MESS), 40);
    size_t b = text.find_first_not_of(' ');
    text =
        b == std::string::npos ? std::string() : text.substr(b, text.find_last_not_of(' ') - b + 1);
    SendCommand("KM" + decimal(MSG) + text);
  }
  return VTrue;
}

}  // namespace tovrak::core
