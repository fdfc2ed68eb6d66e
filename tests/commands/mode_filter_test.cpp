// Mode and passband: mode digits, filter positions, IF shift and width,
// contour, noise-blanker type, cut-filter preferences.
#include <gtest/gtest.h>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

struct ModeFilterCommands : Commands {
  void SetUp() override {
    Commands::SetUp();
    s.VFOA_Freq = 14.2;
    s.VFOB_Freq = 7.05;
    s.Freq = 14.2;
  }
  void presets(std::array<int16_t, 10> codes) { s.FilterPresets = codes; }
  int16_t& narrow() { return s.Property[core::cap::NarrowFlag]; }
};

// ---- SetMode

TEST_F(ModeFilterCommands, SetModeSendsTheDigitThenTheFrequencyThenAsks) {
  EXPECT_TRUE(p.SetMode(i16(1), i16(0)));
  EXPECT_TRUE(wire_is(Wire{{0, "MD02;"}, {100, "FA14200000;"}, {200, "BI;"}}));
  EXPECT_EQ(s.Mode, 1);
  EXPECT_EQ(s.VFOA_Mode, 1);
  EXPECT_EQ(s.VFOB_Mode, 0);
  EXPECT_EQ(s.Reverse, 0);
}

TEST_F(ModeFilterCommands, SetModeOnVfoBWithReverse) {
  s.VFO = 1;
  s.Freq = 7.05;
  EXPECT_TRUE(p.SetMode(i16(2), i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"MD17;", "FB07050000;", "BI;"}));
  EXPECT_EQ(s.VFOB_Mode, 2);
  EXPECT_EQ(s.VFOA_Mode, 0);
  EXPECT_EQ(s.Reverse, 1);
}

TEST_F(ModeFilterCommands, SetModeDigitsNormalAndReverse) {
  const char* normal[] = {"1", "2", "3", "5", "4", "6", "8"};
  const char* reverse[] = {"1", "2", "7", "5", "4", "9", "C"};
  for (int16_t mode = 0; mode <= 6; ++mode) {
    for (int16_t rev : {0, 1}) {
      ASSERT_TRUE(p.SetMode(i16(mode), i16(rev)));
      auto sent = r.sent();
      ASSERT_EQ(sent.size(), 3u);
      EXPECT_EQ(sent[0], std::string("MD0") + (rev ? reverse : normal)[mode] + ";") << mode << rev;
      EXPECT_EQ(s.Mode, mode);
      EXPECT_EQ(s.Reverse, rev);
    }
  }
}

TEST_F(ModeFilterCommands, SetModeWideFmGoesOutAsFmWhereItIsOffered) {
  s.Property[core::cap::SetMode] = 255;
  int16_t mode = 7;
  EXPECT_TRUE(p.SetMode(mode, i16(1)));
  EXPECT_EQ(mode, 4);
  EXPECT_EQ(r.sent(), (Texts{"MD04;", "FA14200000;", "BI;"}));
  EXPECT_EQ(s.Mode, 4);
  EXPECT_EQ(s.VFOA_Mode, 4);
}

TEST_F(ModeFilterCommands, SetModeIgnoresARefusedFrequency) {
  s.Freq = 0;  // not a valid frequency: no tuning command
  EXPECT_TRUE(p.SetMode(i16(3), i16(0)));
  EXPECT_TRUE(wire_is(Wire{{0, "MD05;"}, {100, "BI;"}}));
  EXPECT_EQ(s.VFOA_Mode, 3);

  s.Freq = 14.2;
  s.VFO = 2;  // the sub receiver: no tuning command and no VFO mode
  EXPECT_TRUE(p.SetMode(i16(0), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"MD21;", "BI;"}));
  EXPECT_EQ(s.Mode, 0);
  EXPECT_EQ(s.VFOA_Mode, 3);
  EXPECT_EQ(s.VFOB_Mode, 0);
}

TEST_F(ModeFilterCommands, SetModeRefusals) {
  int16_t mode = 7;
  EXPECT_REFUSED(p.SetMode(mode, i16(0)));  // no WFM in the mode mask
  EXPECT_EQ(mode, 7);
  EXPECT_REFUSED(p.SetMode(i16(8), i16(0)));
  EXPECT_REFUSED(p.SetMode(i16(-1), i16(0)));
  s.Property[core::cap::SetMode] = 127 - 4;  // no CW
  EXPECT_REFUSED(p.SetMode(i16(2), i16(0)));
  s.Property[core::cap::SetMode] = 127;
  s.MemMode = 1;
  EXPECT_REFUSED(p.SetMode(i16(1), i16(0)));
  s.MemMode = 0;
  s.Property[core::cap::SetMode] = 0;
  EXPECT_REFUSED(p.SetMode(i16(0), i16(0)));
}

// ---- SetFilter

TEST_F(ModeFilterCommands, SetFilterInSsbSendsThePresetWidth) {
  presets({5, 20, 0, 0, 0, 0, 0, 0, 0, 31});
  s.Mode = 1;
  EXPECT_TRUE(p.SetFilter(i16(0), i16(1), i16(0)));
  EXPECT_TRUE(wire_is(Wire{{0, "SH005;"}, {100, "NA;"}}));
  EXPECT_EQ(s.WidthCode, 5);
  EXPECT_EQ(s.WidthLevel, 41);
  EXPECT_EQ(s.Property[core::cap::WidthLevel], 41);
  EXPECT_EQ(s.BW, 1100);
  EXPECT_EQ(s.Filter, 0);
  EXPECT_EQ(s.StatusChange, VTrue);

  EXPECT_TRUE(p.SetFilter(i16(9), i16(1), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"SH031;", "NA;"}));
  EXPECT_EQ(s.WidthLevel, 255);
  EXPECT_EQ(s.BW, 4000);
  EXPECT_EQ(s.Filter, 9);
}

TEST_F(ModeFilterCommands, SetFilterTurnsTheNarrowFilterOffFirst) {
  presets({0, 20, 0, 0, 0, 0, 0, 0, 0, 0});
  narrow() = 1;
  s.Mode = 0;
  s.VFO = 1;
  EXPECT_TRUE(p.SetFilter(i16(1), i16(0), i16(0)));
  EXPECT_TRUE(wire_is(Wire{{0, "NA10;"}, {100, "SH120;"}, {200, "NA;"}}));
  EXPECT_EQ(narrow(), 0);
  EXPECT_EQ(s.WidthCode, 20);
  EXPECT_EQ(s.WidthLevel, 165);  // 20 / 31 * 255 = 164.5
  EXPECT_EQ(s.BW, 2500);
}

TEST_F(ModeFilterCommands, SetFilterInCwFskAndPktUsesThePresetsTwoOn) {
  presets({0, 0, 0, 0, 0, 9, 16, 0, 3, 0});
  for (int16_t mode : {2, 5, 6}) {
    s.Mode = mode;
    EXPECT_TRUE(p.SetFilter(i16(3), i16(mode), i16(0)));
    EXPECT_EQ(r.sent(), (Texts{"SH009;", "NA;"})) << mode;
    EXPECT_EQ(s.WidthLevel, 74) << mode;  // 9 / 31 * 255 = 74.03
    EXPECT_EQ(s.BW, 300) << mode;
    EXPECT_TRUE(p.SetFilter(i16(4), i16(mode), i16(0)));
    EXPECT_EQ(r.sent(), (Texts{"SH016;", "NA;"})) << mode;
    EXPECT_EQ(s.WidthLevel, 132) << mode;
    EXPECT_EQ(s.BW, 500) << mode;
    EXPECT_TRUE(p.SetFilter(i16(6), i16(mode), i16(0)));
    EXPECT_EQ(r.sent(), (Texts{"SH003;", "NA;"})) << mode;
    EXPECT_EQ(s.BW, 50) << mode;
  }
}

TEST_F(ModeFilterCommands, SetFilterPositionBeyondThePresetsFailsBeforeSending) {
  s.Mode = 1;
  std::string before = picture(r);
  EXPECT_EQ(error_number([&] { p.SetFilter(i16(10), i16(1), i16(0)); }), 9);
  EXPECT_EQ(error_number([&] { p.SetFilter(i16(-1), i16(1), i16(0)); }), 9);
  s.Mode = 2;
  before = picture(r);
  EXPECT_EQ(error_number([&] { p.SetFilter(i16(8), i16(2), i16(0)); }), 9);
  EXPECT_EQ(error_number([&] { p.SetFilter(i16(-3), i16(2), i16(0)); }), 9);
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(picture(r), before);
  // Filter 7 is the last CW position.
  EXPECT_TRUE(p.SetFilter(i16(7), i16(2), i16(0)));
}

TEST_F(ModeFilterCommands, SetFilterInFmAndAmSwitchesTheNarrowFilter) {
  s.Mode = 4;
  s.WidthCode = 12;
  EXPECT_TRUE(p.SetFilter(i16(1), i16(4), i16(0)));
  EXPECT_TRUE(wire_is(Wire{{0, "NA01;"}, {100, "NA;"}}));
  EXPECT_EQ(narrow(), 1);
  EXPECT_EQ(s.BW, 9000);
  EXPECT_EQ(s.WidthCode, 12);  // no width step in FM
  EXPECT_EQ(s.Filter, 1);
  EXPECT_EQ(s.StatusChange, VTrue);

  EXPECT_TRUE(p.SetFilter(i16(0), i16(4), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"NA00;", "NA;"}));
  EXPECT_EQ(narrow(), 0);
  EXPECT_EQ(s.BW, 16000);

  s.Mode = 3;
  s.VFO = 1;
  EXPECT_TRUE(p.SetFilter(i16(20), i16(3), i16(0)));  // any position but 0 is narrow
  EXPECT_EQ(r.sent(), (Texts{"NA11;", "NA;"}));
  EXPECT_EQ(narrow(), 1);
  EXPECT_EQ(s.BW, 6000);
  EXPECT_TRUE(p.SetFilter(i16(0), i16(3), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"NA10;", "NA;"}));
  EXPECT_EQ(s.BW, 9000);
}

TEST_F(ModeFilterCommands, SetFilterRefusals) {
  s.Mode = 1;
  EXPECT_REFUSED(p.SetFilter(i16(0), i16(0), i16(0)));  // not the current mode
  EXPECT_REFUSED(p.SetFilter(i16(32), i16(1), i16(0)));
  s.Property[core::cap::SetFilter] = 0;
  EXPECT_REFUSED(p.SetFilter(i16(0), i16(1), i16(0)));
}

// ---- SetIFShift

TEST_F(ModeFilterCommands, SetIFShiftLevelsToTwentyHertzSteps) {
  struct Case {
    int16_t level;
    const char* sent;
    int16_t ifs;
  };
  const Case cases[] = {
      {0, "IS0-0000;", 0},      {1, "IS0-0000;", 0},       {3, "IS0-0020;", -20},
      {64, "IS0-0500;", -500},  {128, "IS0-1000;", -1000}, {-3, "IS0+0020;", 20},
      {-100, "IS0+0780;", 780}, {-128, "IS0+1000;", 1000},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetIFShift(i16(c.level)));
    EXPECT_EQ(r.sent(), (Texts{c.sent})) << c.level;
    EXPECT_EQ(s.IFS, c.ifs) << c.level;
    EXPECT_EQ(s.IFShift, c.level);
    EXPECT_TRUE(paused());
  }
  s.VFO = 1;
  EXPECT_TRUE(p.SetIFShift(i16(64)));
  EXPECT_EQ(r.sent(), (Texts{"IS1-0500;"}));
}

TEST_F(ModeFilterCommands, SetIFShiftOutOfRangeIsRefusedAfterPausingPolling) {
  s.IFS = 120;
  s.IFShift = 15;
  for (int16_t level : {129, 999, -129, 1256, 2000}) {
    m.polling.poll_paused = VFalse;
    m.port_and_timers().tmrStopPolling->set_enabled(false);
    std::string before = picture(r);
    EXPECT_FALSE(p.SetIFShift(i16(level))) << level;
    EXPECT_EQ(r.wire(), Wire{});
    EXPECT_TRUE(paused()) << level;
    m.polling.poll_paused = VFalse;
    m.port_and_timers().tmrStopPolling->set_enabled(false);
    EXPECT_EQ(picture(r), before) << level;
  }
  s.Property[core::cap::SetIFShiftWidth] = 0;  // no width through IF shift levels
  m.polling.poll_paused = VFalse;
  m.port_and_timers().tmrStopPolling->set_enabled(false);
  EXPECT_FALSE(p.SetIFShift(i16(1100)));
  EXPECT_TRUE(paused());
  EXPECT_EQ(r.wire(), Wire{});

  // Without the function nothing happens at all, polling included.
  s.Property[core::cap::SetIFShift] = 0;
  m.polling.poll_paused = VFalse;
  m.port_and_timers().tmrStopPolling->set_enabled(false);
  EXPECT_REFUSED(p.SetIFShift(i16(10)));
}

TEST_F(ModeFilterCommands, SetIFShiftFromAThousandSetsTheWidth) {
  s.Mode = 1;
  s.WidthCode = 7;
  s.VFO = 1;  // the width command always names VFO A
  struct Case {
    int16_t level;
    const char* sent;
    int16_t bw;
  };
  const Case cases[] = {{1255, "SH031;", 4000},
                        {1000, "SH000;", 200},
                        {1128, "SH015;", 2400},
                        {1008, "SH001;", 200},
                        {1247, "SH030;", 4000}};
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetIFShift(i16(c.level)));
    EXPECT_EQ(r.sent(), (Texts{c.sent})) << c.level;
    EXPECT_EQ(s.WidthLevel, c.level - 1000);
    EXPECT_EQ(s.Property[core::cap::WidthLevel], c.level - 1000);
    EXPECT_EQ(s.BW, c.bw) << c.level;
    EXPECT_EQ(s.WidthCode, 7);  // not changed
    EXPECT_EQ(s.IFShift, 0);
    EXPECT_TRUE(paused());
  }
  s.Mode = 2;
  EXPECT_TRUE(p.SetIFShift(i16(1128)));
  EXPECT_EQ(s.BW, 500);
}

TEST_F(ModeFilterCommands, SetIFShiftWidthWithTheNarrowFilterSendsNothing) {
  narrow() = 1;
  s.Mode = 1;
  s.WidthLevel = 99;
  EXPECT_TRUE(p.SetIFShift(i16(1100)));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(s.BW, 1800);  // the narrow SSB setting 8
  EXPECT_EQ(s.WidthLevel, 99);
  EXPECT_TRUE(p.SetIFShift(i16(3000)));  // no upper bound then
  EXPECT_EQ(r.wire(), Wire{});
}

// ---- SetContour

TEST_F(ModeFilterCommands, SetContourSwitch) {
  EXPECT_TRUE(p.SetContour(i16(0), i16(1)));
  EXPECT_TRUE(wire_is(Wire{{0, "CO0001;"}, {100, "CO00;"}}));
  EXPECT_EQ(s.ContourState, 1);
  EXPECT_EQ(s.StatusChange, VTrue);
  s.VFO = 2;
  EXPECT_TRUE(p.SetContour(i16(0), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"CO2000;", "CO20;"}));
  EXPECT_EQ(s.ContourState, 0);
}

TEST_F(ModeFilterCommands, SetContourLevelScalesToFortySteps) {
  s.ContourSign = 1;
  struct Case {
    int16_t value;
    const char* sent;
    int16_t fcontour;
  };
  const Case cases[] = {{0, "CO0101;", 100},   {6, "CO0101;", 100},    {7, "CO0101;", 100},
                        {13, "CO0102;", 200},  {128, "CO0120;", 2000}, {255, "CO0140;", 4000},
                        {300, "CO0140;", 4000}};
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetContour(i16(1), i16(c.value)));
    EXPECT_EQ(r.sent(), (Texts{c.sent, "CO01;"})) << c.value;
    EXPECT_EQ(s.Property[core::cap::ContourLevel], c.value);  // unscaled
    EXPECT_EQ(s.FContour, c.fcontour) << c.value;
  }
  s.ContourSign = -1;
  EXPECT_TRUE(p.SetContour(i16(1), i16(128)));
  EXPECT_EQ(s.FContour, -2000);
  s.ContourSign = 0;
  EXPECT_TRUE(p.SetContour(i16(1), i16(128)));
  EXPECT_EQ(s.FContour, 0);
}

TEST_F(ModeFilterCommands, SetContourFrequencyMenuTakesItsSign) {
  s.FContour = 2000;
  EXPECT_TRUE(p.SetContour(i16(2), i16(-5)));
  EXPECT_EQ(r.sent(), (Texts{"EX086-05;"}));
  EXPECT_EQ(s.ContourSign, -1);
  EXPECT_EQ(s.FContour, -2000);
  EXPECT_TRUE(p.SetContour(i16(2), i16(12)));
  EXPECT_EQ(r.sent(), (Texts{"EX086+12;"}));
  EXPECT_EQ(s.ContourSign, 1);
  EXPECT_EQ(s.FContour, 2000);
  EXPECT_TRUE(p.SetContour(i16(2), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"EX086+00;"}));
  EXPECT_EQ(s.StatusChange, VTrue);
}

TEST_F(ModeFilterCommands, SetContourWidthMenu) {
  EXPECT_TRUE(p.SetContour(i16(3), i16(7)));
  EXPECT_EQ(r.sent(), (Texts{"EX08707;"}));
  EXPECT_TRUE(p.SetContour(i16(3), i16(11)));
  EXPECT_EQ(r.sent(), (Texts{"EX08711;"}));
  EXPECT_EQ(s.StatusChange, VTrue);
}

TEST_F(ModeFilterCommands, SetContourMenusOnVfoBAreRefusedAndOnTheSubReceiverFail) {
  s.VFO = 1;
  EXPECT_REFUSED(p.SetContour(i16(2), i16(5)));
  EXPECT_REFUSED(p.SetContour(i16(3), i16(5)));
  s.VFO = 2;
  const std::string before = picture(r);
  EXPECT_EQ(error_number([&] { p.SetContour(i16(2), i16(5)); }), 9);
  EXPECT_EQ(error_number([&] { p.SetContour(i16(3), i16(5)); }), 9);
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(picture(r), before);
}

TEST_F(ModeFilterCommands, SetContourDepthScalesToTwentySteps) {
  struct Case {
    int16_t value;
    const char* sent;
    int16_t step;
  };
  const Case cases[] = {{0, "CO0200;", 0},   {12, "CO0200;", 0},   {13, "CO0201;", 1},
                        {100, "CO0207;", 7}, {255, "CO0220;", 20}, {400, "CO0220;", 20}};
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetContour(i16(4), i16(c.value)));
    EXPECT_EQ(r.sent(), (Texts{c.sent, "CO02;"})) << c.value;
    EXPECT_EQ(s.Property[core::cap::ContourLevel], c.step);  // scaled
  }
  s.VFO = 1;
  EXPECT_TRUE(p.SetContour(i16(4), i16(255)));
  EXPECT_EQ(r.sent(), (Texts{"CO1220;", "CO12;"}));
}

TEST_F(ModeFilterCommands, SetContourOtherParamsOnlyMarkTheStatus) {
  const std::string before = picture(r);
  EXPECT_TRUE(p.SetContour(i16(5), i16(1)));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(s.StatusChange, VTrue);
  s.StatusChange = VFalse;
  EXPECT_EQ(picture(r), before);

  s.Property[core::cap::SetContour] = 2;
  EXPECT_REFUSED(p.SetContour(i16(0), i16(1)));
}

// ---- SetNBType

TEST_F(ModeFilterCommands, SetNBTypeSwitchesBlankersAndAsksForTheLevel) {
  s.NBRec[1].Level = 30;
  s.NBRec[2].Level = 50;
  s.NBRec[1].On = 1;
  EXPECT_TRUE(p.SetNBType(i16(2)));
  EXPECT_TRUE(wire_is(Wire{{0, "NB02;"}, {100, "NL;"}}));
  EXPECT_EQ(s.NBType, 2);
  EXPECT_EQ(s.NBRec[2].On, 1);
  EXPECT_EQ(s.NBRec[1].On, 0);
  EXPECT_EQ(s.NB, 50);
  EXPECT_EQ(s.StatusChange, VTrue);

  s.VFO = 1;
  EXPECT_TRUE(p.SetNBType(i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"NB11;", "NL;"}));
  EXPECT_EQ(s.NBType, 1);
  EXPECT_EQ(s.NBRec[1].On, 1);
  EXPECT_EQ(s.NBRec[2].On, 0);
  EXPECT_EQ(s.NB, 30);

  s.VFO = 0;
  EXPECT_TRUE(p.SetNBType(i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"NB00;"}));
  EXPECT_EQ(s.NBType, 0);
  EXPECT_EQ(s.NBRec[1].On, 0);
  EXPECT_EQ(s.NBRec[2].On, 0);
  EXPECT_EQ(s.NB, 30);
}

TEST_F(ModeFilterCommands, SetNBTypeRefusals) {
  EXPECT_REFUSED(p.SetNBType(i16(3)));
  EXPECT_REFUSED(p.SetNBType(i16(-1)));
  s.Property[core::cap::SetNBType] = 0;
  EXPECT_REFUSED(p.SetNBType(i16(0)));
}

// ---- SetCutFilter, LPBT

TEST_F(ModeFilterCommands, SetCutFilterStoresPreferencesOnly) {
  EXPECT_TRUE(p.SetCutFilter(i16(300), i16(2700), i16(2), i16(10)));
  EXPECT_TRUE(p.SetCutFilter(i16(100), i16(2900), i16(0), i16(0)));
  EXPECT_EQ(p.get_LowCutFilter(i16(2), i16(10)), 300);
  EXPECT_EQ(p.get_HighCutFilter(i16(2), i16(10)), 2700);
  EXPECT_EQ(p.get_LowCutFilter(i16(0), i16(0)), 100);
  EXPECT_EQ(p.get_HighCutFilter(i16(0), i16(0)), 2900);
  EXPECT_EQ(r.wire(), Wire{});

  const std::string before = picture(r);
  EXPECT_EQ(error_number([&] { p.SetCutFilter(i16(1), i16(2), i16(3), i16(0)); }), 9);
  EXPECT_EQ(error_number([&] { p.SetCutFilter(i16(1), i16(2), i16(0), i16(11)); }), 9);
  EXPECT_EQ(error_number([&] { p.SetCutFilter(i16(1), i16(2), i16(-1), i16(0)); }), 9);
  EXPECT_EQ(error_number([&] { p.SetCutFilter(i16(1), i16(2), i16(0), i16(-1)); }), 9);
  EXPECT_EQ(picture(r), before);

  s.Property[core::cap::SetCutFilter] = 0;
  EXPECT_REFUSED(p.SetCutFilter(i16(1), i16(2), i16(0), i16(0)));
}

TEST_F(ModeFilterCommands, LPBTDoesNothing) {
  const std::string before = picture(r);
  int32_t i = 3;
  EXPECT_TRUE(p.LPBT(i, i16(1)).empty());
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(picture(r), before);
}

}  // namespace
}  // namespace tovrak::test
