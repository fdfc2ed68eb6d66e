// Start-up values and the accessors with rules of their own.
#include <gtest/gtest.h>

#include "support/rig.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::test {
namespace {

int error_number(auto&& f) {
  try {
    f();
  } catch (const ComError& e) {
    return e.number();
  }
  return 0;
}

TEST(Defaults, AFreshObjectReadsItsStartUpValues) {
  Rig r;
  auto& p = *r.rig;
  EXPECT_EQ(p.get_AutoPolling(), VTrue);
  EXPECT_EQ(p.get_PortRTS(), VTrue);
  EXPECT_EQ(p.get_PortDTR(), VFalse);
  EXPECT_EQ(p.get_CKBuffer(), VFalse);
  EXPECT_EQ(p.get_PortOpen(), VFalse);
  EXPECT_EQ(p.get_PowerON(), -1);
  EXPECT_EQ(p.get_NBType(), 1);
  EXPECT_EQ(p.get_Channel(), 1);
  EXPECT_EQ(p.get_ChannelMin(), 1);
  EXPECT_EQ(p.get_ChannelMax(), 99);
  EXPECT_EQ(p.get_RangeMin(), 0.03);
  EXPECT_EQ(p.get_RangeMax(), 60.0);
  EXPECT_EQ(p.get_Range(), 1);
  EXPECT_EQ(p.get_PortSpeed(), "");
  EXPECT_EQ(p.get_Port(), 0);
  EXPECT_EQ(p.get_VFO(), 0.0);
  EXPECT_EQ(p.get_SMeter(), 0);
  EXPECT_TRUE(p.get_AutoNF().empty());
  EXPECT_EQ(r.s().AIState, 0);
  EXPECT_EQ(r.s().MeterRead, "00");
  EXPECT_EQ(r.s().NBRec[1].Cmd, "NL");
  EXPECT_EQ(r.s().NBRec[0].Cmd, "");
  EXPECT_EQ(r.s().ContourMenu[1], "EX089");
  EXPECT_EQ(r.s().ContourMenu2[0], "EX087");
  EXPECT_EQ(r.s().MeterName[3], "SWR");
  EXPECT_EQ(r.s().MeterName[5], "");
  EXPECT_EQ(r.s().NarrowSetting[1][0], 8);
}

TEST(Defaults, PropertiesNoOperationWritesStayEmpty) {
  Rig r;
  auto& p = *r.rig;
  EXPECT_EQ(p.get_Sub_Freq(), 0.0);
  EXPECT_EQ(p.get_Sub_Mode(), 0);
  EXPECT_EQ(p.get_ProcLevel(), 0);
  EXPECT_EQ(p.get_TXEQ(), 0);
  EXPECT_EQ(p.get_CHLabel(), "");
}

TEST(Accessors, VFOReadsAsADouble) {
  Rig r;
  r.s().VFO = 2;
  EXPECT_EQ(r.rig->get_VFO(), 2.0);
}

TEST(Accessors, ShiftAndTuningStepRoundHalfToEvenAndOverflow) {
  Rig r;
  r.s().Shift = 600000.0f;  // a repeater shift stored as given
  EXPECT_EQ(error_number([&] { r.rig->get_Shift(); }), 6);
  r.s().Shift = 2.5f;
  EXPECT_EQ(r.rig->get_Shift(), 2);
  r.s().TuningStep = 3.5f;
  EXPECT_EQ(r.rig->get_TuningStep(), 4);
  r.s().TuningStep = -32768.5f;
  EXPECT_EQ(r.rig->get_TuningStep(), -32768);
}

TEST(Accessors, ReceiverIndexedGettersTakeAVariant) {
  Rig r;
  r.s().AFLevel[1] = 77;
  r.s().RFT[0] = 3;
  Variant text("1");
  EXPECT_EQ(r.rig->get_AFLevel(text), 77);
  Variant zero(0.4);
  EXPECT_EQ(r.rig->get_RFT(zero), 3);
  for (auto bad : {Variant(int16_t{2}), Variant(int16_t{-1}), Variant(1.5)}) {
    EXPECT_EQ(error_number([&] { r.rig->get_SQLevel(bad); }), 9);
    EXPECT_EQ(error_number([&] { r.rig->get_RFLevel(bad); }), 9);
  }
  Variant junk("abc");
  EXPECT_EQ(error_number([&] { r.rig->get_AFLevel(junk); }), 13);
}

TEST(Accessors, CutFilterTablesAreThreeByEleven) {
  Rig r;
  r.s().HighCutFilter[2][10] = 3100;
  EXPECT_EQ(r.rig->get_HighCutFilter(i16(2), i16(10)), 3100);
  EXPECT_EQ(error_number([&] { r.rig->get_HighCutFilter(i16(3), i16(0)); }), 9);
  EXPECT_EQ(error_number([&] { r.rig->get_LowCutFilter(i16(0), i16(11)); }), 9);
  EXPECT_EQ(error_number([&] { r.rig->get_LowCutFilter(i16(-1), i16(0)); }), 9);
}

TEST(Accessors, AutoNFHoldsAValueOrAnObject) {
  Rig r;
  r.rig->put_AutoNF(Variant("on"));
  EXPECT_EQ(r.rig->get_AutoNF(), Variant("on"));
  struct Knob : Object {};
  auto knob = std::make_shared<Knob>();
  r.rig->putref_AutoNF(knob);
  EXPECT_EQ(r.rig->get_AutoNF().object().get(), knob.get());  // the same reference
}

TEST(Accessors, SettingsStoreWithoutRangeTests) {
  Rig r;
  r.rig->put_ChannelMax(-7);
  r.rig->put_ChannelMin(500);
  r.rig->put_StatusChange(VTrue);
  r.rig->put_CKBuffer(VBool(5));
  EXPECT_EQ(r.rig->get_ChannelMax(), -7);
  EXPECT_EQ(r.rig->get_ChannelMin(), 500);
  EXPECT_EQ(r.rig->get_StatusChange(), VTrue);
  EXPECT_EQ(r.rig->get_CKBuffer(), VBool(5));
  EXPECT_TRUE(r.line().writes().empty());
}

TEST(CapabilityTable, StartUpEntriesAndBounds) {
  Rig r;
  auto P = [&](int k) { return r.rig->get_Property(i16(k)); };
  EXPECT_EQ(P(16), 127);  // LSB..PKT, not WFM
  EXPECT_EQ(P(45), 0);    // no tuning-step choice
  EXPECT_EQ(P(18), 400);
  EXPECT_EQ(P(55), 31);
  EXPECT_EQ(P(83), 1);
  EXPECT_EQ(P(84), 0);
  EXPECT_EQ(P(100), 0);
  EXPECT_EQ(error_number([&] { P(101); }), 9);
  EXPECT_EQ(error_number([&] { P(-1); }), 9);
  int nonzero = 0;
  for (int k = 0; k <= 100; ++k) nonzero += P(k) != 0;
  EXPECT_EQ(nonzero, 71);  // 0..83 but for 39, 40, 45, 49, 51, 57, 62, 77..82
}

}  // namespace
}  // namespace tovrak::test
