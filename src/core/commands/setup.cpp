// Set-up commands: power with its start-up sequence, dial lock, tuning
// speed, dimmer, and the reserved multi-purpose entry SetData.
#include <cmath>

#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/numbers.hpp"
#include "radio/digits.hpp"

namespace tovrak::core {

VBool Protocol::SetPowerON(int16_t& State) {
  if (Refused(cap::SetPowerON)) return VFalse;
  // Until the radio reports its auto-information state again, polling sets it.
  s.AIState = -1;
  SendCommand("PS" + decimal(State));
  auto& apt = m.apartment();
  if (State == 1) {
    apt.sleep_ms(1000);
    SendCommand("PS1");
  }
  apt.sleep_ms(500);
  if (State == 1) {
    int16_t on = 1;
    SetCAT(on);
  }
  s.CAT = State;
  s.PowerON = State;
  return VTrue;
}

VBool Protocol::SetLockDial(int16_t& Dial) {
  if (Refused(cap::SetLockDial)) return VFalse;
  SendCommand("LK" + decimal(Dial));
  s.LockDial = Dial;
  return VTrue;
}

VBool Protocol::SetFast(int16_t& Fast) {
  if (Refused(cap::SetFast)) return VFalse;
  std::string digit;  // none: "FS" alone asks the radio
  if (Fast == 0) {
    s.TuningStep = 10;
    digit = "0";
  } else if (Fast == 1) {
    s.TuningStep = 100;
    digit = "1";
  }
  SendCommand("FS" + digit);
  s.Fast = Fast;
  return VTrue;
}

VBool Protocol::SetDimLevel(int16_t& Level) {
  if (Refused(cap::SetDimLevel, Level, Bound::Entry)) return VFalse;
  // Four two-digit brightness fields, all the same.
  std::string d =
      radio::ZeroPad(static_cast<int64_t>(std::floor(static_cast<float>(Level) / 2.0f)), 2);
  SendCommand("DA" + d + d + d + d);
  s.DimLevel = Level;
  return VTrue;
}

VBool Protocol::SetData(int16_t& L1, int16_t& L2, double& /*D*/, std::string& s_) {
  switch (L1) {
    case 1:  // mute the link
      if (L2 == 0) m.link.send_muted = VTrue;
      if (L2 == 1) m.link.send_muted = VFalse;
      break;
    case 5:  // filter presets: ten two-character width steps
      for (size_t i = 0; i < s.FilterPresets.size(); ++i) {
        std::string_view pair = field(s_, static_cast<int>(2 * i + 1), 2);
        s.FilterPresets[i] = to_i16(read_number(pair));
      }
      break;
    case 6:  // the narrow filter
      s.Property[cap::NarrowFlag] = L2;
      SendCommand("NA" + vfo_digit() + decimal(L2));
      s.BW = FilterWidth(s.WidthCode, s.Mode, Variant(s.VFO));
      s.StatusChange = VTrue;
      break;
    default:
      break;
  }
  return VFalse;
}

}  // namespace tovrak::core
