// Set-up commands: power with its start-up sequence, dial lock, tuning
// speed, dimmer, and the reserved entry that mutes the link, loads filter
// presets and sets the narrow filter.
#include <gtest/gtest.h>

#include <string>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

struct SetupCommands : Commands {};

// ---- SetPowerON

TEST_F(SetupCommands, SetPowerOnRepeatsItselfThenSwitchesCatOn) {
  EXPECT_TRUE(p.SetPowerON(i16(1)));
  // AI0 and ID are SetCAT(1)'s with polling by the component.
  EXPECT_TRUE(wire_is(Wire{{0, "PS1;"}, {1000, "PS1;"}, {1500, "AI0;"}, {1600, "ID;"}}));
  EXPECT_EQ(s.PowerON, 1);
  EXPECT_EQ(s.CAT, 1);
  EXPECT_EQ(s.AIState, -1);
  EXPECT_EQ(m.polling.refresh_active, VTrue);
  EXPECT_EQ(m.polling.startup_query, VTrue);
  EXPECT_EQ(now_ms(), 1600);
}

TEST_F(SetupCommands, SetPowerOnWaitsWithoutHandlingAnswers) {
  // An answer arriving during the waits stays unread until they are over.
  r.apt.schedule_outside(300'000, [&] { r.line().radio_sends("SM0012;"); });
  EXPECT_TRUE(p.SetPowerON(i16(1)));
  EXPECT_EQ(s.SMeter, 0);
  r.apt.process_pending();
  EXPECT_EQ(s.SMeter, 12);
}

TEST_F(SetupCommands, SetPowerOffWaitsHalfASecondAndLeavesCatOff) {
  s.CAT = 1;
  s.AIState = 1;
  EXPECT_TRUE(p.SetPowerON(i16(0)));
  EXPECT_TRUE(wire_is(Wire{{0, "PS0;"}}));
  EXPECT_EQ(now_ms(), 500);
  EXPECT_EQ(s.PowerON, 0);
  EXPECT_EQ(s.CAT, 0);
  EXPECT_EQ(s.AIState, -1);
  EXPECT_EQ(m.polling.refresh_active, VFalse);

  EXPECT_TRUE(p.SetPowerON(i16(2)));  // not "on": no repeat, no CAT
  EXPECT_TRUE(wire_is(Wire{{500, "PS2;"}}));
  EXPECT_EQ(now_ms(), 1000);
  EXPECT_EQ(s.PowerON, 2);
  EXPECT_EQ(s.CAT, 2);

  s.Property[core::cap::SetPowerON] = 0;
  EXPECT_REFUSED(p.SetPowerON(i16(1)));
}

// ---- SetLockDial, SetFast, SetDimLevel

TEST_F(SetupCommands, SetLockDialWritesTheSwitch) {
  EXPECT_TRUE(p.SetLockDial(i16(1)));
  EXPECT_EQ(s.LockDial, 1);
  EXPECT_TRUE(p.SetLockDial(i16(0)));
  EXPECT_EQ(s.LockDial, 0);
  EXPECT_TRUE(wire_is(Wire{{0, "LK1;"}, {100, "LK0;"}}));
  s.Property[core::cap::SetLockDial] = 0;
  EXPECT_REFUSED(p.SetLockDial(i16(1)));
}

TEST_F(SetupCommands, SetFastChoosesTheTuningStep) {
  EXPECT_TRUE(p.SetFast(i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"FS1;"}));
  EXPECT_EQ(p.get_TuningStep(), 100);
  EXPECT_EQ(s.Fast, 1);
  EXPECT_TRUE(p.SetFast(i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"FS0;"}));
  EXPECT_EQ(p.get_TuningStep(), 10);
  EXPECT_EQ(s.Fast, 0);
  EXPECT_TRUE(p.SetFast(i16(2)));  // a read request
  EXPECT_EQ(r.sent(), (Texts{"FS;"}));
  EXPECT_EQ(p.get_TuningStep(), 10);
  EXPECT_EQ(s.Fast, 2);
  s.Property[core::cap::SetFast] = 0;
  EXPECT_REFUSED(p.SetFast(i16(1)));
}

TEST_F(SetupCommands, SetDimLevelHalvesIntoFourFields) {
  struct Case {
    int16_t level;
    const char* sent;
  };
  const Case cases[] = {{9, "DA04040404;"}, {15, "DA07070707;"}, {0, "DA00000000;"},
                        {1, "DA00000000;"}, {14, "DA07070707;"}, {-3, "DA-2-2-2-2;"}};
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetDimLevel(i16(c.level)));
    EXPECT_EQ(r.sent(), (Texts{c.sent})) << c.level;
    EXPECT_EQ(s.DimLevel, c.level);
  }
  EXPECT_REFUSED(p.SetDimLevel(i16(16)));
  s.Property[core::cap::SetDimLevel] = 0;
  EXPECT_REFUSED(p.SetDimLevel(i16(0)));
}

// ---- SetData

struct DataCommands : Commands {
  bool data(int16_t l1, int16_t l2, std::string text = "") {
    double d = 1.5;
    return static_cast<bool>(p.SetData(l1, l2, d, text));
  }
};

TEST_F(DataCommands, MutingSilencesEveryFamilyWhileStateStillFollows) {
  EXPECT_FALSE(data(1, 0));
  EXPECT_EQ(m.link.send_muted, VTrue);
  s.VFOA_Freq = 14.0;
  s.Freq = 14.0;
  std::string info;
  // One member of each family.
  EXPECT_TRUE(p.SetFreq(14.2));
  EXPECT_TRUE(p.SetSplit(i16(1)));
  EXPECT_TRUE(p.SetMode(i16(1), i16(0)));
  EXPECT_TRUE(p.SetChannel(i16(7)));
  EXPECT_TRUE(p.SetAFLevel(i16(0), i16(80)));
  EXPECT_EQ(p.SetNR(i16(5)), -1);
  EXPECT_TRUE(p.SetRFPower(i16(100)));
  EXPECT_TRUE(p.SetKeyerSpeed(i16(128)));
  EXPECT_TRUE(p.SetLockDial(i16(1)));
  EXPECT_TRUE(p.SetDimLevel(i16(9)));
  EXPECT_FALSE(data(6, 1));
  r.p->SendPoll("FA");
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(s.VFOA_Freq, 14.2);
  EXPECT_EQ(s.Split, 1);
  EXPECT_EQ(s.Mode, 1);
  EXPECT_EQ(s.Channel, 7);
  EXPECT_EQ(s.MemMode, 1);
  EXPECT_EQ(s.AFLevel[0], 80);
  EXPECT_EQ(s.NR, 5);
  EXPECT_EQ(s.RFPower, 100);
  EXPECT_EQ(s.KeyerSpeed, 128);
  EXPECT_EQ(s.LockDial, 1);
  EXPECT_EQ(s.DimLevel, 9);
  EXPECT_EQ(s.Property[core::cap::NarrowFlag], 1);

  EXPECT_FALSE(data(1, 2));  // neither on nor off
  EXPECT_EQ(m.link.send_muted, VTrue);
  EXPECT_FALSE(data(1, 1));
  EXPECT_EQ(m.link.send_muted, VFalse);
  EXPECT_TRUE(p.SetLockDial(i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"LK0;"}));
}

TEST_F(DataCommands, MutingWritesNothingItself) {
  const std::string before = picture(r);
  EXPECT_FALSE(data(1, 0));
  EXPECT_EQ(r.wire(), Wire{});
  m.link.send_muted = VFalse;
  EXPECT_EQ(picture(r), before);
}

TEST_F(DataCommands, PresetsAreReadInPairs) {
  EXPECT_FALSE(data(5, 0, "0102030405060708091011"));
  EXPECT_EQ(s.FilterPresets, (std::array<int16_t, 10>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_FALSE(data(5, 0, "050607"));
  EXPECT_EQ(s.FilterPresets, (std::array<int16_t, 10>{5, 6, 7, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(data(5, 0, "3"));
  EXPECT_EQ(s.FilterPresets, (std::array<int16_t, 10>{3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(data(5, 0, "1234567"));  // a last single character
  EXPECT_EQ(s.FilterPresets, (std::array<int16_t, 10>{12, 34, 56, 7, 0, 0, 0, 0, 0, 0}));
  // Read leniently: blanks skipped, stops at what cannot go on, rounded.
  EXPECT_FALSE(data(5, 0, " 58xx33x-2.72..51.  "));
  EXPECT_EQ(s.FilterPresets, (std::array<int16_t, 10>{5, 8, 0, 3, -2, 1, 2, 0, 1, 0}));
  EXPECT_EQ(r.wire(), Wire{});
}

TEST_F(DataCommands, NarrowFilterRecomputesTheWidth) {
  s.Mode = 1;
  s.WidthCode = 20;
  EXPECT_FALSE(data(6, 1));
  EXPECT_TRUE(wire_is(Wire{{0, "NA01;"}}));
  EXPECT_EQ(s.Property[core::cap::NarrowFlag], 1);
  EXPECT_EQ(s.BW, 1800);  // the narrow SSB setting
  EXPECT_EQ(s.StatusChange, VTrue);

  s.StatusChange = VFalse;
  s.VFO = 1;
  s.Mode = 2;
  EXPECT_FALSE(data(6, 0));
  EXPECT_EQ(r.sent(), (Texts{"NA10;"}));
  EXPECT_EQ(s.Property[core::cap::NarrowFlag], 0);
  EXPECT_EQ(s.BW, 800);  // CW step 20
  EXPECT_EQ(s.StatusChange, VTrue);
}

TEST_F(DataCommands, NeedsNoCapabilityAndIgnoresOtherSelectors) {
  s.Property.fill(0);
  s.Mode = 3;
  EXPECT_FALSE(data(6, 1));
  EXPECT_EQ(r.sent(), (Texts{"NA01;"}));
  EXPECT_EQ(s.BW, 6000);

  const std::string before = picture(r);
  for (int16_t l1 : {0, 2, 3, 4, 7, -1}) EXPECT_FALSE(data(l1, 1, "0102"));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(picture(r), before);
}

}  // namespace
}  // namespace tovrak::test
