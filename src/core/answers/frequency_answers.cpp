// Answers about frequency, VFO selection, memory mode, operating mode,
// transmit VFO and identity. None marks the status dirty; the consolidation
// step derives Freq, Mode and TX_Freq from what they store.
#include "core/answers/character_codes.hpp"
#include "core/answers/fields.hpp"
#include "core/component/protocol.hpp"
#include "core/values/steps.hpp"
#include "radio/digits.hpp"

namespace tovrak::core {

namespace {

constexpr int16_t kDecimalFormId = radio::kNineDigitId;

// Frequency digits on the wire: 9 for the decimal-form radio, 8 otherwise.
int freq_width(int16_t id) { return id == kDecimalFormId ? 9 : 8; }

}  // namespace

// "IF": the composite information of the receiving VFO or memory.
void Protocol::DecodeIF(std::string_view a, ReadScratch& r) {
  if (a.size() != 26) return;
  step([&] {
    double mem = val(a, 22, 1);
    s.MemMode = (mem == 1 || mem == 2) ? 1 : 0;
  });
  step([&] { s.Channel = ival(a, 4, 2); });
  ModeFromCode(chr(a, s.TransceiverID == kDecimalFormId ? 22 : 21), r.mode, r.reverse);
  double freq = val(a, 6, freq_width(s.TransceiverID)) / 1e6;
  if (s.MemMode == 0) {
    if (s.VFO == 0) {
      s.Mode = r.mode;
      s.Reverse = r.reverse;
      s.Freq = freq;
      s.VFOA_Freq = freq;
      s.VFOA_Mode = r.mode;
    }
  } else {
    s.Mode = r.mode;
    s.Reverse = r.reverse;
    s.Freq = freq;
  }
}

// "OI": the mode of the VFO that is not receiving.
void Protocol::DecodeOI(std::string_view a, ReadScratch& r) {
  if (a.size() != 26) return;
  ModeFromCode(chr(a, 21), r.mode, r.reverse);
  if (s.MemMode != 0) return;
  if (s.VFO == 1) s.VFOA_Mode = r.mode;
  if (s.VFO == 0) s.VFOB_Mode = r.mode;
}

// "VS": the receive VFO.
void Protocol::DecodeVS(std::string_view a) {
  double v = val(a, 3, 1);
  if (v == 0) {
    s.VFO = 0;
    s.Freq = s.VFOA_Freq;
    s.Mode = s.VFOA_Mode;
  } else if (v == 1) {
    s.VFO = 1;
    s.Freq = s.VFOB_Freq;
    s.Mode = s.VFOB_Mode;
  }
}

void Protocol::DecodeFA(std::string_view a) {
  int width = freq_width(s.TransceiverID);
  if (static_cast<int>(a.size()) != width + 2) return;
  double freq = val(a, 3, width) / 1e6;
  s.VFOA_Freq = freq;
  if (s.VFO == 0 && s.MemMode == 0) s.Freq = freq;
}

void Protocol::DecodeFB(std::string_view a) {
  int width = freq_width(s.TransceiverID);
  if (static_cast<int>(a.size()) != width + 2) return;
  double freq = val(a, 3, width) / 1e6;
  s.VFOB_Freq = freq;
  if (s.VFO == 1 && s.MemMode == 0) s.Freq = freq;
}

// "MD": the mode of VFO A ("0") or B ("1").
void Protocol::DecodeMD(std::string_view a, ReadScratch& r) {
  ModeFromCode(chr(a, 4), r.mode, r.reverse);
  s.Reverse = r.reverse;
  std::string_view vfo = chr(a, 3);
  if (vfo == "0") s.VFOA_Mode = r.mode;
  if (vfo == "1") s.VFOB_Mode = r.mode;
  if (s.VFO == 0) s.Mode = s.VFOA_Mode;
  if (s.VFO == 1) s.Mode = s.VFOB_Mode;
}

// "FT": the transmit VFO; the consolidation step recomputes Split after it.
void Protocol::DecodeFT(std::string_view a) {
  double v = val(a, 3, 1);
  if (v == 0 || v == 2) {
    s.Split = 0;
    s.TX_VFO = 0;
  } else if (v == 1 || v == 3) {
    s.Split = 1;
    s.TX_VFO = 1;
  }
}

void Protocol::DecodeID(std::string_view a) {
  step([&] { s.TransceiverID = ival(a, 3, 4); });
}

}  // namespace tovrak::core
