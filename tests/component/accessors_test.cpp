// The accessors with rules of their own. (A fresh object's values are read
// by the startup session script.)
#include <gtest/gtest.h>

#include "commands/command_fixture.hpp"

namespace tovrak::test {
namespace {

TEST(Accessors, RoundingIndexesAndObjects) {
  Rig r;
  auto& p = *r.rig;
  r.s().VFO = 2;
  EXPECT_EQ(p.get_VFO(), 2.0);  // a double
  // Shift and tuning step round half to even, and overflow.
  r.s().Shift = 600000.0f;  // a repeater shift stored as given
  EXPECT_EQ(error_number([&] { p.get_Shift(); }), 6);
  r.s().Shift = 2.5f;
  EXPECT_EQ(p.get_Shift(), 2);
  r.s().TuningStep = 3.5f;
  EXPECT_EQ(p.get_TuningStep(), 4);
  r.s().TuningStep = -32768.5f;
  EXPECT_EQ(p.get_TuningStep(), -32768);
  // Receiver-indexed getters take a Variant.
  r.s().AFLevel[1] = 77;
  r.s().RFT[0] = 3;
  Variant one("1"), zero(0.4), junk("abc");
  EXPECT_EQ(p.get_AFLevel(one), 77);
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
  EXPECT_EQ(error_number([&] { p.get_Property(i16(101)); }), 9);
  EXPECT_EQ(error_number([&] { p.get_Property(i16(-1)); }), 9);
  // AutoNF holds a value or the very object it was given.
  p.put_AutoNF(Variant("on"));
  EXPECT_EQ(p.get_AutoNF(), Variant("on"));
  struct Knob : Object {};
  auto knob = std::make_shared<Knob>();
  p.putref_AutoNF(knob);
  EXPECT_EQ(p.get_AutoNF().object().get(), knob.get());
}

TEST(Accessors, SettingsStoreWithoutRangeTests) {
  Rig r;
  auto& p = *r.rig;
  p.put_ChannelMax(-7);
  p.put_ChannelMin(500);
  p.put_StatusChange(VTrue);
  p.put_CKBuffer(VBool(5));
  EXPECT_EQ(p.get_ChannelMax(), -7);
  EXPECT_EQ(p.get_ChannelMin(), 500);
  EXPECT_EQ(p.get_StatusChange(), VTrue);
  EXPECT_EQ(p.get_CKBuffer(), VBool(5));
  EXPECT_TRUE(r.line().writes().empty());
}

}  // namespace
}  // namespace tovrak::test
