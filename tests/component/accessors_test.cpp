// A fresh object's properties, and the accessors with rules of their own.
#include <gtest/gtest.h>

#include "commands/command_fixture.hpp"
#include "tovrak/dispatch.hpp"

namespace tovrak::test {
namespace {

TEST(Accessors, RoundingIndexesAndValues) {
  Rig r;
  auto& p = *r.rig;
  // Shift and tuning step round half to even, and overflow.
  r.s().Shift = 600000.0f;  // a repeater shift stored as given
  EXPECT_EQ(error_number([&] { p.get_Shift(); }), 6);
  r.s().Shift = 2.5f;
  EXPECT_EQ(p.get_Shift(), 2);
  r.s().TuningStep = 3.5f;
  EXPECT_EQ(p.get_TuningStep(), 4);
  // Receiver-indexed getters take a Variant.
  r.s().RFT[0] = 3;
  Variant zero(0.4), junk("abc");
  EXPECT_EQ(p.get_RFT(zero), 3);
  for (auto bad : {Variant(int16_t{2}), Variant(int16_t{-1}), Variant(1.5)}) {
    EXPECT_EQ(error_number([&] { p.get_SQLevel(bad); }), 9);
    EXPECT_EQ(error_number([&] { p.get_RFLevel(bad); }), 9);
  }
  EXPECT_EQ(error_number([&] { p.get_AFLevel(junk); }), 13);
  // The cut-filter tables are three by eleven; the capability table 0..100.
  r.s().HighCutFilter[2][10] = 3100;
  EXPECT_EQ(p.get_HighCutFilter(i16(2), i16(10)), 3100);
  EXPECT_EQ(error_number([&] { p.get_HighCutFilter(i16(3), i16(0)); }), 9);
  EXPECT_EQ(error_number([&] { p.get_LowCutFilter(i16(0), i16(11)); }), 9);
  EXPECT_EQ(error_number([&] { p.get_LowCutFilter(i16(-1), i16(0)); }), 9);
  EXPECT_EQ(p.get_Property(i16(100)), 0);
  EXPECT_EQ(error_number([&] { p.get_Property(i16(-1)); }), 9);
  // AutoNF holds a value as given (an object: the late binding's test).
  p.put_AutoNF(Variant("on"));
  EXPECT_EQ(p.get_AutoNF(), Variant("on"));
}

// Every property a host reads from a fresh object, in slot order; receivers
// 0 and 1, and one entry of the tables.
TEST(Defaults, EveryPropertyOfAFreshObject) {
  Rig r;
  std::string all;
  for (const auto& m : Members()) {
    if (m.kind != MemberKind::Get) continue;
    std::vector<std::vector<Variant>> calls = {{}};
    if (m.args.size() == 1) calls = {{Variant(int16_t{0})}, {Variant(int16_t{1})}};
    if (m.name == "Property") calls = {{Variant(int16_t{16})}};
    if (m.args.size() == 2) calls = {{Variant(int16_t{2}), Variant(int16_t{10})}};
    for (auto& args : calls) {
      const Variant v = Invoke(*r.rig, m.name, MemberKind::Get, args);
      all += std::string(m.name) + "=" + (v.empty() ? "Empty" : v.to_string()) + " ";
    }
  }
  EXPECT_EQ(
      all,
      "MeterCaption= Meter=0 NBType=1 StatusChange=False AutoNF=Empty IFShift=0 "
      "AutoPolling=True About=TOVRAK V1.2.3 ContourState=0 FullBK=0 CATAnswer= Sub_Mode=0 "
      "RITStatus=0 RITOffset=0 Range=1 RangeMax=60 RangeMin=0.03 VFOB_Mode=0 VFOA_Mode=0 "
      "TuningStep=0 HighCutFilter=0 LowCutFilter=0 AFLevel=0 AFLevel=0 CKBuffer=False "
      "SQLevel=0 SQLevel=0 RFPower=0 RFLevel=0 RFLevel=0 PTT=0 PowerON=-1 Shift=0 DimLevel=0 "
      "CAT=0 Sub_Freq=0 MemMode=0 Pitch=0 Property=127 KeyerSpeed=0 Comp=0 Vox=0 Band=0 Busy=0 "
      "BK=0 MeterSW=0 MonitorLevel=0 MicGain=0 ProcLevel=0 Monitor=0 TXEQ=0 BW=0 IFS=0 "
      "FNotch=0 FContour=0 KeyerWPM=0 BKIn=0 AGC=0 RFT=0 RFT=0 Att=0 PreAmp=0 NR=0 NF=0 NB=0 "
      "LockDial=0 Dual=0 Antenna=0 Fast=0 Tuner=0 CHLabel= RPT=0 Split=0 Dec=0 Enc=0 DCS=0 "
      "CTCSS=0 ChannelMin=1 ChannelMax=99 Channel=1 Filter=0 Reverse=0 SMeter=0 PortDTR=False "
      "PortRTS=True PortOpen=False VFOB_Freq=0 VFOA_Freq=0 VFO=0 TX_Mode=0 Mode=0 TX_Freq=0 "
      "Freq=0 PortSpeed= Port=0 RXAnt=0 ");
}

}  // namespace
}  // namespace tovrak::test
