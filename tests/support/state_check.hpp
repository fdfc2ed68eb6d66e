// Whole states compared with State's operator==; on a failure the fields
// that differ are named with both values. The list below only serves the
// message: a field missing from it still fails the comparison.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>

#include "core/component/state.hpp"

namespace tovrak::test {

// A field's value as text.
inline void show(std::ostream& o, const Variant& v) { o << (v.empty() ? "Empty" : v.to_string()); }
inline void show(std::ostream& o, VBool v) { o << v.value; }
inline void show(std::ostream& o, const core::NBRecord& r) {
  o << '{' << r.On << ',' << r.Level << ',' << r.Cmd << '}';
}
template <class T>
void show(std::ostream& o, const T& v) {
  if constexpr (requires { o << v; }) {
    o << v;
  } else {  // an array of fields
    o << '[';
    for (const auto& x : v) show(o, x), o << ' ';
    o << ']';
  }
}

// clang-format off
#define TOVRAK_STATE_FIELDS(X) \
  X(About) X(AFLevel) X(RFLevel) X(SQLevel) X(RFT) X(AGC) X(Antenna) X(Att) X(AutoNF)           \
  X(AutoPolling) X(BK) X(BKIn) X(Band) X(Busy) X(BW) X(CAT) X(CATAnswer) X(CHLabel) X(CKBuffer) \
  X(Channel) X(ChannelMax) X(ChannelMin) X(Comp) X(ContourState) X(CTCSS) X(DCS) X(Dec)         \
  X(DimLevel) X(Dual) X(Enc) X(Fast) X(FContour) X(Filter) X(FNotch) X(Freq) X(FullBK)          \
  X(HighCutFilter) X(LowCutFilter) X(IFS) X(IFShift) X(KeyerSpeed) X(KeyerWPM) X(LockDial)      \
  X(MemMode) X(Meter) X(MeterCaption) X(MeterSW) X(MicGain) X(Mode) X(Monitor) X(MonitorLevel)  \
  X(NB) X(NBType) X(NF) X(NR) X(Pitch) X(Port) X(PortDTR) X(PortOpen) X(PortRTS) X(PortSpeed)   \
  X(PowerON) X(PreAmp) X(ProcLevel) X(Property) X(PTT) X(Range) X(RangeMax) X(RangeMin)         \
  X(Reverse) X(RFPower) X(RITOffset) X(RITStatus) X(RPT) X(RXAnt) X(Shift) X(SMeter) X(Split)   \
  X(StatusChange) X(Sub_Freq) X(Sub_Mode) X(Tuner) X(TuningStep) X(TX_Freq) X(TX_Mode) X(TXEQ)  \
  X(VFO) X(VFOA_Freq) X(VFOA_Mode) X(VFOB_Freq) X(VFOB_Mode) X(Vox) X(AIState) X(PollPending)   \
  X(PollStep) X(WaitAnswer) X(MeterRead) X(PortSettings) X(TransceiverID) X(TX_VFO) X(TXW)      \
  X(WidthCode) X(WidthLevel) X(FilterPresets) X(ContourSign) X(ContourSwitch) X(ContourLevel)   \
  X(NRSwitch) X(NRLevel) X(NFSwitch) X(NFLevel) X(KeyerSwitch) X(KeyerLevel) X(NBRec)           \
  X(FullBKMenu) X(ContourMenu) X(ContourMenu2) X(MeterName) X(NarrowSetting)
// clang-format on

// The state is `expected`; otherwise the differing fields, actual then expected.
inline ::testing::AssertionResult same_state(const core::State& actual,
                                             const core::State& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::ostringstream o;
  o.precision(17);
#define TOVRAK_DIFF(f)           \
  if (!(actual.f == expected.f)) \
    o << "\n  " #f ": ", show(o, actual.f), o << " expected ", show(o, expected.f);
  TOVRAK_STATE_FIELDS(TOVRAK_DIFF)
#undef TOVRAK_DIFF
  return ::testing::AssertionFailure() << "state differs:" << o.str();
}

}  // namespace tovrak::test
