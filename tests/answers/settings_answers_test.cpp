// Answers about receiver and transmitter settings: field positions, the
// receiver match, rounding and folding, and which of them mark the status.
#include <gtest/gtest.h>

#include "support/rig.hpp"

namespace tovrak::test {
namespace {

struct Settings : ::testing::Test {
  Rig r;
  // Feeds one answer; true when it raised Change(4).
  bool feed(const std::string& answer) {
    r.take_events();
    int16_t fmt = 0;
    r.rig->SetCommand(fmt, "$" + answer + ";");
    for (int16_t e : r.take_events()) {
      if (e == 4) return true;
    }
    return false;
  }
  void SetUp() override { feed("SM0000"); }  // past the first answer's events
};

TEST_F(Settings, GainsAndTheReceiverMatch) {
  EXPECT_TRUE(feed("AG1123"));
  EXPECT_EQ(r.s().AFLevel[1], 123);
  EXPECT_TRUE(feed("AG2050"));  // no such receiver: nothing, still marked
  EXPECT_EQ(r.s().AFLevel[0], 0);
  EXPECT_TRUE(feed("RG0055"));
  EXPECT_EQ(r.s().RFLevel[0], 200);  // reported inverted
  EXPECT_TRUE(feed("RG1000"));       // the other receiver: marked, nothing stored
  EXPECT_EQ(r.s().RFLevel[0], 200);
  EXPECT_TRUE(feed("RG0"));  // short: the missing field reads 0
  EXPECT_EQ(r.s().RFLevel[0], 255);
  EXPECT_TRUE(feed("SQ1128"));
  EXPECT_EQ(r.s().SQLevel[1], 128);
}

TEST_F(Settings, SwitchAndLevelFolding) {
  EXPECT_TRUE(feed("RL000"));
  EXPECT_EQ(r.s().NRLevel, 1);  // a level of 0 becomes 1
  EXPECT_EQ(r.rig->get_NR(), 1001);
  EXPECT_TRUE(feed("NR01"));
  EXPECT_EQ(r.rig->get_NR(), 1);
  EXPECT_FALSE(feed("NR11"));  // the other receiver
  EXPECT_TRUE(feed("BP01040"));
  EXPECT_EQ(r.s().NFLevel, 40);
  EXPECT_EQ(r.rig->get_FNotch(), 400);
  EXPECT_EQ(r.rig->get_NF(), 1040);
  EXPECT_TRUE(feed("BP00001"));
  EXPECT_EQ(r.rig->get_NF(), 40);
  EXPECT_TRUE(feed("KS025"));
  EXPECT_EQ(r.s().KeyerLevel, 96);
  EXPECT_EQ(r.rig->get_KeyerWPM(), 25);
  EXPECT_EQ(r.rig->get_KeyerSpeed(), 1096);
  EXPECT_TRUE(feed("KR1"));
  EXPECT_EQ(r.rig->get_KeyerSpeed(), 96);
  EXPECT_TRUE(feed("KSx"));  // short
  EXPECT_EQ(r.s().KeyerLevel, -18);
  EXPECT_EQ(r.rig->get_KeyerWPM(), 0);
}

TEST_F(Settings, SwitchesWithTheirRules) {
  EXPECT_TRUE(feed("FR2"));
  EXPECT_EQ(r.rig->get_Dual(), 1);
  EXPECT_TRUE(feed("FR1"));
  EXPECT_EQ(r.rig->get_Dual(), 0);
  EXPECT_TRUE(feed("GT07"));
  EXPECT_EQ(r.rig->get_AGC(), 4);
  EXPECT_TRUE(feed("GT02"));
  EXPECT_EQ(r.rig->get_AGC(), 2);
  EXPECT_TRUE(feed("RA03"));
  EXPECT_EQ(r.rig->get_Att(), 3);
  EXPECT_FALSE(feed("PA11"));  // the other receiver, nothing tracked moved
  EXPECT_EQ(r.rig->get_PreAmp(), 0);
  EXPECT_TRUE(feed("BC01"));
  EXPECT_EQ(r.rig->get_AutoNF(), Variant(1.0));
  EXPECT_TRUE(feed("AN032"));  // marks only through the tracked antenna items
  EXPECT_EQ(r.rig->get_Antenna(), 2);
  EXPECT_EQ(r.rig->get_RXAnt(), 2);
  EXPECT_FALSE(feed("AN032"));  // the same again: nothing moved
  EXPECT_TRUE(feed("AN09"));    // beyond the connectors: 0
  EXPECT_EQ(r.rig->get_Antenna(), 0);
  EXPECT_TRUE(feed("RF19"));
  EXPECT_EQ(r.s().RFT[1], 4);
  EXPECT_TRUE(feed("RF0A"));
  EXPECT_EQ(r.s().RFT[0], 5);
}

TEST_F(Settings, NoiseBlankerRecords) {
  r.s().NBRec[2].Level = 70;
  EXPECT_TRUE(feed("NB02"));
  EXPECT_EQ(r.rig->get_NBType(), 2);
  EXPECT_EQ(r.s().NBRec[2].On, 1);
  EXPECT_EQ(r.rig->get_NB(), 70);
  EXPECT_TRUE(feed("NL0033"));
  EXPECT_EQ(r.s().NBRec[2].Level, 33);
  EXPECT_EQ(r.rig->get_NB(), 33);
  EXPECT_TRUE(feed("NB00"));
  EXPECT_EQ(r.s().NBRec[1].On + r.s().NBRec[2].On, 0);
  EXPECT_EQ(r.rig->get_NB(), 33);
  EXPECT_TRUE(feed("NB07"));  // no such record: type kept, the rest skipped
  EXPECT_EQ(r.rig->get_NBType(), 7);
  EXPECT_EQ(r.rig->get_NB(), 33);
  EXPECT_TRUE(feed("NL0099"));
  EXPECT_EQ(r.rig->get_NB(), 33);
}

TEST_F(Settings, IFShiftSignsAndTheScratchSign) {
  EXPECT_TRUE(feed("IS0-0500"));
  EXPECT_EQ(r.rig->get_IFShift(), 64);
  EXPECT_EQ(r.rig->get_IFS(), -500);
  EXPECT_TRUE(feed("IS0+0500"));
  EXPECT_EQ(r.rig->get_IFShift(), -64);
  EXPECT_EQ(r.rig->get_IFS(), 500);
  EXPECT_TRUE(feed("IS0-2000"));
  EXPECT_EQ(r.rig->get_IFShift(), 128);
  EXPECT_TRUE(feed("IS0 0500"));  // no sign: the scratch sign of this call, 0
  EXPECT_EQ(r.rig->get_IFShift(), 0);
}

TEST_F(Settings, WidthNarrowAndContour) {
  EXPECT_TRUE(feed("SH031"));
  EXPECT_EQ(r.s().WidthLevel, 255);
  EXPECT_EQ(r.rig->get_Property(i16(49)), 255);
  EXPECT_TRUE(feed("SH016"));
  EXPECT_EQ(r.s().WidthLevel, 132);
  EXPECT_EQ(r.rig->get_BW(), 2400);  // LSB, step 16
  EXPECT_TRUE(feed("SH105"));        // the other receiver: marked only
  EXPECT_EQ(r.s().WidthCode, 16);
  EXPECT_TRUE(feed("NA01"));
  EXPECT_EQ(r.rig->get_Property(i16(57)), 1);
  EXPECT_EQ(r.rig->get_BW(), 1800);  // narrow SSB, setting 8
  r.s().ContourSign = 1;
  EXPECT_TRUE(feed("CO0120"));
  EXPECT_EQ(r.s().ContourLevel, 127);
  EXPECT_EQ(r.rig->get_FContour(), 2000);
  EXPECT_EQ(r.rig->get_Property(i16(51)), 127);
  EXPECT_TRUE(feed("CO0002"));
  EXPECT_EQ(r.rig->get_ContourState(), 2);
  EXPECT_TRUE(feed("EX086-05"));
  EXPECT_EQ(r.s().ContourSign, -1);
  EXPECT_EQ(r.rig->get_FContour(), -2000);
}

TEST_F(Settings, MenuItems) {
  EXPECT_TRUE(feed("EX0551"));
  EXPECT_EQ(r.rig->get_FullBK(), 1);
  r.s().VFO = 1;
  EXPECT_FALSE(feed("EX086-05"));  // VFO A's contour menu is no menu for VFO B
  EXPECT_TRUE(feed("EX089-05"));
  r.s().VFO = 0;
  EXPECT_TRUE(feed("EX10102"));
  EXPECT_EQ(r.s().NarrowSetting[0][2], 2);  // receiver 0, FSK
  EXPECT_TRUE(feed("EX11603"));
  EXPECT_EQ(r.s().NarrowSetting[1][0], 3);  // receiver 1, SSB
  EXPECT_FALSE(feed("EX999"));
}

TEST_F(Settings, TransmitterAnswers) {
  EXPECT_TRUE(feed("PC255"));
  EXPECT_EQ(r.rig->get_RFPower(), 200);
  EXPECT_TRUE(feed("PC128"));
  EXPECT_EQ(r.rig->get_RFPower(), 100);
  EXPECT_TRUE(feed("SD0300"));
  EXPECT_EQ(r.rig->get_BKIn(), 6);
  EXPECT_TRUE(feed("SD2000"));
  EXPECT_EQ(r.rig->get_BKIn(), 20);
  r.s().Property[core::cap::SetBKIn] = 0;
  r.s().BKIn = 300;  // as tracked, so no item moves
  feed("SM0000");
  EXPECT_FALSE(feed("SD0300"));
  EXPECT_EQ(r.rig->get_BKIn(), 300);
  EXPECT_FALSE(feed("KP08"));
  EXPECT_EQ(r.rig->get_Pitch(), 700);
  feed("KP00");
  EXPECT_EQ(r.rig->get_Pitch(), 300);
  EXPECT_TRUE(feed("MS3"));
  EXPECT_EQ(r.rig->get_MeterCaption(), "SWR");
  EXPECT_TRUE(feed("MS7"));
  EXPECT_EQ(r.rig->get_MeterCaption(), "");
  EXPECT_TRUE(feed("ML0001"));
  EXPECT_EQ(r.rig->get_Monitor(), 1);
  EXPECT_TRUE(feed("ML1050"));
  EXPECT_EQ(r.rig->get_MonitorLevel(), 50);
  EXPECT_TRUE(feed("PR1"));
  EXPECT_EQ(r.rig->get_Comp(), 1);
  EXPECT_TRUE(feed("MG077"));
  EXPECT_EQ(r.rig->get_MicGain(), 77);
}

TEST_F(Settings, ReadingsAndQuietSwitches) {
  EXPECT_FALSE(feed("OS02"));
  EXPECT_EQ(r.rig->get_RPT(), -1);
  EXPECT_FALSE(feed("TX2"));
  EXPECT_EQ(r.rig->get_PTT(), 1);
  EXPECT_FALSE(feed("SM1200"));  // another meter
  EXPECT_EQ(r.rig->get_SMeter(), 0);
  EXPECT_FALSE(feed("RM04120"));
  EXPECT_EQ(r.rig->get_SMeter(), 120);
  EXPECT_FALSE(feed("RM01050"));
  EXPECT_EQ(r.rig->get_SMeter(), 120);
  EXPECT_FALSE(feed("AC001"));
  EXPECT_EQ(r.rig->get_Tuner(), 1);
  EXPECT_FALSE(feed("AC000"));
  EXPECT_EQ(r.rig->get_Tuner(), 0);
  EXPECT_FALSE(feed("LK1"));
  EXPECT_EQ(r.rig->get_LockDial(), 1);
  EXPECT_FALSE(feed("BY1"));
  EXPECT_EQ(r.rig->get_Busy(), 1);
  EXPECT_FALSE(feed("TS1"));
  EXPECT_EQ(r.s().TXW, 1);
}

TEST_F(Settings, OversizeFieldsAreSkippedAndDecodingGoesOn) {
  EXPECT_TRUE(feed("MG99999"));  // three characters are read: 999
  EXPECT_EQ(r.rig->get_MicGain(), 999);
  feed("ID99999");  // 9999 fits
  r.s().FContour = -32768;
  r.s().VFO = 0;
  feed("EX086+05");  // |-32768| does not fit: FContour keeps its value
  EXPECT_EQ(r.rig->get_FContour(), -32768);
  EXPECT_EQ(r.s().ContourSign, 1);
}

TEST_F(Settings, AutoInformationRestartsLevelReadingAfterAPowerCycle) {
  r.rig->put_Port(1);
  r.open();
  r.s().AIState = -1;
  feed("AI1");  // automatic polling on: no restart
  EXPECT_EQ(r.s().AIState, 1);
  EXPECT_FALSE(r.p->m.port_and_timers().tmrLevels->enabled());
  r.rig->put_AutoPolling(VFalse);
  r.s().AIState = 0;
  feed("AI1");  // not after a power cycle
  EXPECT_FALSE(r.p->m.port_and_timers().tmrLevels->enabled());
  r.s().AIState = -1;
  feed("AI1");
  EXPECT_TRUE(r.p->m.port_and_timers().tmrLevels->enabled());
}

}  // namespace
}  // namespace tovrak::test
