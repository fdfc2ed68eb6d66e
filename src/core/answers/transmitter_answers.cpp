// Answers about transmitting, the keyer, the meters and a few switches. The
// transmitter settings mark the status dirty; the readings (S-meter, PTT,
// busy), the switches AC, LK, TS, OS, the pitch and the auto-information
// state do not.
#include <cmath>

#include "core/answers/codes.hpp"
#include "core/answers/fields.hpp"
#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/arrays.hpp"
#include "core/values/steps.hpp"

namespace tovrak::core {

using codes::operator""_c;

// "AI": the radio's auto-information state. The first report after the
// radio was switched on restarts the level reading when the radio reports by
// itself (no automatic polling).
void Protocol::DecodeAI(std::string_view a) {
  int16_t before = s.AIState;
  step([&] { s.AIState = ival(a, 3, 1); });
  if (before == -1 && s.AutoPolling == VFalse) RestartLevelPolling();
}

bool Protocol::DecodeTransmitter(uint16_t code, std::string_view a) {
  switch (code) {
    case "AC"_c: {
      // The tuner state is the character at 5, compared as a number with 0;
      // a character that is no number counts as equal.
      std::string_view c = chr(a, 5);
      bool digit = c.size() == 1 && c[0] >= '0' && c[0] <= '9';
      s.Tuner = (!digit || c[0] == '0') ? 0 : 1;
      return false;
    }
    case "LK"_c:
      step([&] { s.LockDial = ival(a, 3, 1); });
      return false;
    case "SM"_c:
      if (val(a, 3, 1) == 0) step([&] { s.SMeter = ival(a, 4, 3); });
      return false;
    case "TX"_c:
      step([&] { s.PTT = ival(a, 3, 1) != 0 ? 1 : 0; });
      return false;
    case "PC"_c:
      step([&] {
        s.RFPower = to_i16(val(a, 3, 3) / 255 * 200);
        if (s.RFPower > 200) s.RFPower = 200;
      });
      return true;
    case "VX"_c:
      step([&] { s.Vox = ival(a, 3, 1); });
      return true;
    case "PR"_c: {
      double v = val(a, 3, 1);
      if (v == 0) s.Comp = 0;
      if (v == 1) s.Comp = 1;
      return true;
    }
    case "SD"_c: {
      // The break-in delay in milliseconds, scaled to the steps the host
      // offers when there are any.
      bool scaled = false;
      step([&] { s.BKIn = ival(a, 3, 4); });
      int16_t steps = s.Property[cap::SetBKIn];
      if (steps != 0 && s.BKIn != 0) {
        step([&] {
          s.BKIn = floor_i16(static_cast<float>(s.BKIn) / 50.0f);
          if (s.BKIn > steps) s.BKIn = steps;
        });
        scaled = true;
      }
      return scaled;
    }
    case "BI"_c:
      step([&] { s.BK = ival(a, 3, 1); });
      return true;
    case "TS"_c:
      step([&] { s.TXW = ival(a, 3, 1); });
      return false;
    case "KP"_c:
      step([&] { s.Pitch = ival(a, 3, 2); });
      step([&] { s.Pitch = to_i16(static_cast<float>(s.Pitch) / 15.0f * 750.0f + 300.0f); });
      return false;
    case "OS"_c: {
      double v = val(a, 4, 1);
      s.RPT = v == 1 ? 1 : (v == 2 ? -1 : 0);
      return false;
    }
    case "KR"_c:
      step([&] { s.KeyerSwitch = ival(a, 3, 1); });
      step([&] { s.KeyerSpeed = fold(s.KeyerSwitch, s.KeyerLevel); });
      return true;
    case "KS"_c:
      step([&] { s.KeyerLevel = to_i16((val(a, 3, 3) - 4) / 56 * 255); });
      step([&] { s.KeyerSpeed = fold(s.KeyerSwitch, s.KeyerLevel); });
      step([&] { s.KeyerWPM = ival(a, 3, 3); });
      return true;
    case "ML"_c: {
      double v = val(a, 3, 1);
      if (v == 0) step([&] { s.Monitor = ival(a, 6, 1); });
      if (v == 1) step([&] { s.MonitorLevel = ival(a, 4, 3); });
      return true;
    }
    case "MG"_c:
      step([&] { s.MicGain = ival(a, 3, 3); });
      return true;
    case "MS"_c:
      step([&] { s.MeterSW = ival(a, 3, 1); });
      step([&] { s.MeterCaption = element(s.MeterName, s.MeterSW); });
      return true;
    case "BY"_c:
      step([&] { s.Busy = ival(a, 3, 1); });
      return false;
    case "RM"_c: {
      std::string_view selector = field(a, 3, 2);
      if (selector == "00" || selector == "04") {
        step([&] { s.SMeter = ival(a, 5, 3); });
        s.Meter = 0;
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace tovrak::core
