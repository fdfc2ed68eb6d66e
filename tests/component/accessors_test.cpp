// A fresh object's properties, the accessors with rules of their own, and
// late binding: calls by name with Variant arguments.
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

TEST(LateBinding, ConvertsArgumentsAsAScriptingHostDoesAndReportsBadOnes) {
  Rig r;
  r.s().AFLevel[1] = 42;
  std::vector<Variant> args{Variant("1")};
  EXPECT_EQ(Invoke(*r.rig, "AFLevel", MemberKind::Get, args), Variant(int16_t{42}));
  std::vector<Variant> idx{Variant(16.0)};
  EXPECT_EQ(Invoke(*r.rig, "Property", MemberKind::Get, idx), Variant(int16_t{127}));
  EXPECT_EQ(idx[0], Variant(int16_t{16}));  // written back in its declared type
  std::vector<Variant> value{Variant("250")};
  Invoke(*r.rig, "ChannelMax", MemberKind::Let, value);
  EXPECT_EQ(r.rig->get_ChannelMax(), 250);
  std::vector<Variant> flag{Variant(int16_t{1})};
  Invoke(*r.rig, "AutoPolling", MemberKind::Let, flag);
  EXPECT_EQ(r.rig->get_AutoPolling(), VTrue);
  // Bad counts and types.
  auto number = [&](std::string_view name, MemberKind kind, std::vector<Variant> args) {
    return error_number([&] { Invoke(*r.rig, name, kind, args); });
  };
  EXPECT_EQ(number("AFLevel", MemberKind::Get, {}), 450);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant("x")}), 13);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant(int32_t{70000})}), 6);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant(int16_t{101})}), 9);
  EXPECT_EQ(number("ChannelMin", MemberKind::Let, {Variant(int32_t{40000})}), 6);
  // A reference assignment takes an object and nothing else.
  struct Seven : Object {
    Variant value() const override { return Variant(int16_t{7}); }
  };
  EXPECT_EQ(number("AutoNF", MemberKind::Set, {Variant(int16_t{7})}), 13);
  std::vector<Variant> object{Variant(std::shared_ptr<Object>(std::make_shared<Seven>()))};
  Invoke(*r.rig, "AutoNF", MemberKind::Set, object);
  std::vector<Variant> none;
  EXPECT_EQ(Invoke(*r.rig, "AutoNF", MemberKind::Get, none).to_i16(), 7);
}

TEST(LateBinding, EveryMemberIsReachableByItsNameInItsSlot) {
  // With arguments of its types every member runs, or raises a ComError of
  // its own, never anything else. The slots count from 1 in table order, as
  // the dispatch interface numbers its members.
  Rig r;
  int slot = 0;
  for (const auto& m : Members()) {
    ASSERT_EQ(FindMember(m.name, m.kind), &m) << m.name;
    EXPECT_EQ(m.slot, ++slot) << m.name;
    if (m.kind == MemberKind::Set) continue;
    std::vector<Variant> args;
    for (const auto& a : m.args) {
      using VT = ValueType;
      args.push_back(a.type == VT::String    ? Variant("")
                     : a.type == VT::Boolean ? Variant(VFalse)
                     : a.type == VT::Double  ? Variant(0.0)
                     : a.type == VT::Single  ? Variant(0.0f)
                                             : Variant(int16_t{0}));
    }
    error_number([&] { Invoke(*r.rig, m.name, m.kind, args); });
  }
}

}  // namespace
}  // namespace tovrak::test
