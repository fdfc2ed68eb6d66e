// Mode and passband: mode, filter position, IF shift and width, contour,
// noise-blanker type, and the host's cut-filter preferences.
#include <cmath>
#include <cstdlib>

#include "core/commands/widths.hpp"
#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/arrays.hpp"
#include "core/values/numbers.hpp"
#include "radio/digits.hpp"
#include "radio/modes.hpp"

namespace tovrak::core {

VBool Protocol::SetMode(int16_t& Mode, int16_t& Reverse) {
  int16_t mask = s.Property[cap::SetMode];
  if (mask == 0 || s.MemMode == 1) return VFalse;
  if (Mode < 0 || Mode > 7 || (mask & (1 << Mode)) == 0) return VFalse;
  // The radio's mode digit; reverse matters for CW, FSK and PKT only.
  const char digit = radio::ModeCode(Mode, Reverse == 1);
  if (Mode == 7) Mode = 4;  // wide FM goes out as FM
  SendCommand("MD" + vfo_digit() + digit);
  s.Mode = Mode;
  // The frequency goes out again after a mode change.
  SetFreq(s.Freq);
  if (s.MemMode == 0) {
    if (s.VFO == 0) s.VFOA_Mode = Mode;
    if (s.VFO == 1) s.VFOB_Mode = Mode;
  }
  s.Reverse = Reverse;
  SendCommand("BI");
  return VTrue;
}

VBool Protocol::SetFilter(int16_t& Filter, int16_t& Mode, int16_t& /*Reverse*/) {
  auto& P = s.Property;
  if (P[cap::SetFilter] == 0 || Filter > P[cap::SetFilterIndex] || Mode != s.Mode) return VFalse;
  // The width step of the host's filter position; a position beyond the
  // presets fails before anything is sent.
  int16_t code = 0;
  if (Mode == 0 || Mode == 1) code = element(s.FilterPresets, Filter);
  if (Mode == 2 || Mode == 5 || Mode == 6) code = element(s.FilterPresets, Filter + 2);
  if (Mode == 3 || Mode == 4) {
    SendCommand("NA" + vfo_digit() + (Filter == 0 ? "0" : "1"));
    P[cap::NarrowFlag] = Filter == 0 ? 0 : 1;
  } else {
    if (P[cap::NarrowFlag] == 1) SendCommand("NA" + vfo_digit() + "0");  // narrow off first
    P[cap::NarrowFlag] = 0;
    SendCommand("SH" + vfo_digit() + two_digits(code));
    s.WidthLevel = to_i16(code / 31.0 * 255 + 0.01);
    s.WidthCode = code;
    P[cap::WidthLevel] = s.WidthLevel;
  }
  s.Filter = Filter;
  s.BW = FilterWidth(s.WidthCode, Mode, Variant(s.VFO));
  SendCommand("NA");
  s.StatusChange = VTrue;
  return VTrue;
}

VBool Protocol::SetIFShift(int16_t& Level) {
  auto& P = s.Property;
  if (P[cap::SetIFShift] == 0) return VFalse;
  PausePolling();
  if (Level < 1000) {
    if (Level < -128 || Level > 128) return VFalse;
    // The wire's sign is the opposite of the level's.
    bool up = Level >= 0;
    int64_t hz = to_i32(std::abs(Level) / 128.0 * 1000 + 0.1);
    hz = hz / 20 * 20;
    SendCommand("IS" + vfo_digit() + (up ? "-" : "+") + radio::ZeroPad(hz, 4));
    s.IFS = to_i16(static_cast<double>(hz) * (up ? -1 : 1));
    s.IFShift = Level;
    return VTrue;
  }
  if (P[cap::SetIFShiftWidth] == 0) return VFalse;
  int16_t code = 0;
  if (P[cap::NarrowFlag] != 1) {
    if (Level > 1255) return VFalse;
    int16_t w = to_i16(Level - 1000);
    code = floor_i16(w / 255.0 * 31 + 0.1);
    if (code < 0) code = 0;
    if (code > 31) code = 31;
    SendCommand("SH0" + two_digits(code));  // always VFO A's digit
    s.WidthLevel = w;
    P[cap::WidthLevel] = w;
  }
  s.BW = FilterWidth(code, s.Mode, Variant(s.VFO));
  return VTrue;
}

VBool Protocol::SetContour(int16_t& Param, int16_t& Value) {
  auto& P = s.Property;
  if (P[cap::SetContour] < 3) return VFalse;
  switch (Param) {
    case 0:
      SendCommand("CO" + vfo_digit() + "00" + decimal(Value));
      SendCommand("CO" + vfo_digit() + "0");
      s.ContourState = Value;
      break;
    case 1: {
      int64_t v = static_cast<int64_t>(std::floor(Value / 255.0 * 40));
      if (v == 0) v = 1;
      if (v > 40) v = 40;
      SendCommand("CO" + vfo_digit() + "1" + two_digits(v));
      P[cap::ContourLevel] = Value;
      SendCommand("CO" + vfo_digit() + "1");
      s.FContour = to_i16(static_cast<double>(v) * 100 * s.ContourSign);
      break;
    }
    case 2: {
      if (s.VFO == 1) return VFalse;
      const std::string& menu = element(s.ContourMenu, s.VFO);
      int sign = Value < 0 ? -1 : 1;
      SendCommand(menu + (sign == 1 ? "+" : "-") + two_digits(std::abs(static_cast<int>(Value))));
      s.ContourSign = static_cast<int16_t>(sign);
      s.FContour = to_i16(std::abs(static_cast<int>(s.FContour)) * sign);
      break;
    }
    case 3: {
      if (s.VFO == 1) return VFalse;
      const std::string& menu = element(s.ContourMenu2, s.VFO);
      SendCommand(menu + two_digits(Value));
      break;
    }
    case 4: {
      int64_t v = static_cast<int64_t>(std::floor(Value / 255.0 * 20));
      if (v > 20) v = 20;
      SendCommand("CO" + vfo_digit() + "2" + two_digits(v));
      P[cap::ContourLevel] = static_cast<int16_t>(v);
      SendCommand("CO" + vfo_digit() + "2");
      break;
    }
    default:
      break;
  }
  s.StatusChange = VTrue;
  return VTrue;
}

VBool Protocol::SetNBType(int16_t& NBType) {
  if (s.Property[cap::SetNBType] == 0 || NBType > s.Property[cap::SetNBType]) return VFalse;
  // A negative type addresses no blanker: refused before anything is sent.
  if (NBType < 0) return VFalse;
  if (NBType != 0) {
    s.NBType = NBType;
    SendCommand("NB" + vfo_digit() + decimal(NBType));
    s.NBRec[NBType].On = 1;
    s.NBRec[NBType == 1 ? 2 : 1].On = 0;
    s.NB = s.NBRec[NBType].Level;
    SendCommand(s.NBRec[NBType].Cmd);
  } else {
    SendCommand("NB" + vfo_digit() + "0");
    s.NBRec[1].On = 0;
    s.NBRec[2].On = 0;
  }
  s.NBType = NBType;
  s.StatusChange = VTrue;
  return VTrue;
}

VBool Protocol::SetCutFilter(int16_t& Low, int16_t& High, int16_t& Filter, int16_t& Mode) {
  if (Refused(cap::SetCutFilter)) return VFalse;
  auto& low = element(element(s.LowCutFilter, Filter), Mode);
  auto& high = element(element(s.HighCutFilter, Filter), Mode);
  low = Low;
  high = High;
  return VTrue;
}

Variant Protocol::LPBT(int32_t& /*i*/, int16_t& /*Mode*/) { return Variant(); }

}  // namespace tovrak::core
