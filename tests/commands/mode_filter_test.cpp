// Mode and passband: mode digits, filter positions, IF shift and width,
// contour, noise-blanker type, cut-filter preferences; passband widths in
// hertz of the wide steps, the narrow-filter settings and AM and FM.
#include <gtest/gtest.h>

#include <array>

#include "command_fixture.hpp"
#include "core/commands/widths.hpp"

namespace tovrak::test {
namespace {

const Before kTuned = SET(s.VFOA_Freq = 14.2; s.VFOB_Freq = 7.05; s.Freq = 14.2);

// SetMode, leaving `mode_after` in the host's mode.
Call set_mode(int16_t mode, int16_t reverse, int16_t mode_after) {
  return leaving({mode_after, reverse}, &TOVRAK_Protocol::SetMode, mode, reverse);
}

TEST(ModeFilterCommands, Mode) {
  std::vector<Row> rows = {
    row("VFO B with reverse", SET(s.VFO = 1; s.Freq = 7.05), set_mode(2, 1, 2),
        "MD17; 100 FB07050000; 200 BI;", CHANGE(s.VFOB_Mode = s.Mode = 2; s.Reverse = 1)),
    row("wide FM goes out as FM", SET(s.Property[cap::SetMode] = 255), set_mode(7, 1, 4),
        "MD04; 100 FA14200000; 200 BI;", CHANGE(s.VFOA_Mode = s.Mode = 4; s.Reverse = 1)),
    row("a refused frequency is left out", SET(s.Freq = 0), set_mode(3, 0, 3), "MD05; 100 BI;",
        CHANGE(s.VFOA_Mode = s.Mode = 3)),
    row("the sub receiver: no tuning, no VFO mode", SET(s.VFO = 2; s.Mode = s.VFOA_Mode = 3),
        set_mode(0, 0, 0), "MD21; 100 BI;", CHANGE(s.Mode = 0)),
    without(cap::SetMode, set_mode(0, 0, 0)),
  };
  // No wide FM in the mask, modes 8 and -1; no CW in the mask; memory mode.
  refuse(rows, {set_mode(7, 0, 7), set_mode(8, 0, 8), set_mode(-1, 0, -1)});
  refuse(rows, {set_mode(2, 0, 2)}, SET(s.Property[cap::SetMode] = 127 - 4));
  refuse(rows, {set_mode(1, 0, 1)}, SET(s.MemMode = 1));
  const std::string normal = "1235468", reverse = "127549C";
  for (int16_t mode = 0; mode <= 6; ++mode) {
    for (int16_t rev : {0, 1}) {
      const std::string sent = "MD0" + std::string(1, (rev ? reverse : normal)[mode]) + ";";
      rows.push_back(row("mode", SETV(s.Mode = s.VFOA_Mode = 9; s.Reverse = int16_t(1 - rev)),
                         set_mode(mode, rev, mode), sent + " 100 FA14200000; 200 BI;",
                         CHANGEV(s.Mode = s.VFOA_Mode = mode; s.Reverse = rev)));
    }
  }
  run(rows, kTuned);
}

// The change of choosing `filter`: its width step `code` at `level`, `bw` Hz.
Change chosen(int16_t filter, int16_t code, int16_t level, int16_t bw) {
  return CHANGEV(s.WidthCode = code; s.WidthLevel = s.Property[cap::WidthLevel] = level; s.BW = bw;
                 s.Filter = filter; s.StatusChange = VTrue);
}
// The change of switching the narrow filter to `on` for `filter`, `bw` Hz.
Change narrowed(int16_t on, int16_t filter, int16_t bw) {
  return CHANGEV(s.Property[cap::NarrowFlag] = on; s.BW = bw; s.Filter = filter;
                 s.StatusChange = VTrue);
}

TEST(ModeFilterCommands, FilterPositions) {
  std::vector<Row> rows = {
    row("SSB: the preset width", SET(s.Mode = 1), CALL(SetFilter, 0, 1, 0), "SH005; 100 NA;",
        chosen(0, 5, 41, 1100)),
    row("SSB: the last preset", SET(s.Mode = 1), CALL(SetFilter, 9, 1, 0), "SH031; 100 NA;",
        chosen(9, 31, 255, 4000)),
    row("the narrow filter goes off first", SET(s.Property[cap::NarrowFlag] = 1; s.VFO = 1),
        CALL(SetFilter, 1, 0, 0), "NA10; 100 SH120; 200 NA;",
        CHANGE(s.Property[cap::NarrowFlag] = 0; s.WidthCode = 20;
               s.WidthLevel = s.Property[cap::WidthLevel] = 165; s.BW = 2500; s.Filter = 1;
               s.StatusChange = VTrue)),
    row("CW position 7, the last", SET(s.Mode = 2), CALL(SetFilter, 7, 2, 0), "SH031; 100 NA;",
        chosen(7, 31, 255, 2400)),
    // FM and AM switch the narrow filter; any position but 0 is narrow.
    row("FM narrow", SET(s.Mode = 4; s.WidthCode = 12), CALL(SetFilter, 1, 4, 0), "NA01; 100 NA;",
        narrowed(1, 1, 9000)),
    row("FM wide", SET(s.Mode = 4; s.Property[cap::NarrowFlag] = 1), CALL(SetFilter, 0, 4, 0),
        "NA00; 100 NA;", narrowed(0, 0, 16000)),
    row("AM narrow on VFO B", SET(s.Mode = 3; s.VFO = 1), CALL(SetFilter, 20, 3, 0),
        "NA11; 100 NA;", narrowed(1, 20, 6000)),
    row("AM wide", SET(s.Mode = 3; s.VFO = 1; s.Property[cap::NarrowFlag] = 1),
        CALL(SetFilter, 0, 3, 0), "NA10; 100 NA;", narrowed(0, 0, 9000)),
  };
  // SSB positions 10 and -1, CW positions 8 and -3 are out of the table.
  refuse(rows, {CALL(SetFilter, 10, 1, 0), CALL(SetFilter, -1, 1, 0)}, SET(s.Mode = 1), E9);
  refuse(rows, {CALL(SetFilter, 8, 2, 0), CALL(SetFilter, -3, 2, 0)}, SET(s.Mode = 2), E9);
  // Not the current mode; position 32.
  refuse(rows, {CALL(SetFilter, 0, 0, 0), CALL(SetFilter, 32, 1, 0)}, SET(s.Mode = 1));
  refuse(rows, {CALL(SetFilter, 0, 1, 0)}, SET(s.Mode = 1; s.Property[cap::SetFilter] = 0));
  // CW, FSK and PKT take the presets from the sixth on.
  for (int16_t mode : {2, 5, 6}) {
    const std::tuple<int16_t, const char*, int16_t, int16_t, int16_t> picks[] = {
        {3, "SH009;", 9, 74, 300}, {4, "SH016;", 16, 132, 500}, {6, "SH003;", 3, 25, 50}};
    for (auto [filter, sent, code, level, bw] : picks) {
      rows.push_back(row("preset", SETV(s.Mode = mode), CALL(SetFilter, filter, mode, 0),
                         sent + std::string(" 100 NA;"), chosen(filter, code, level, bw)));
    }
  }
  run(rows, [&](core::State& s, core::Module& m) {
    kTuned(s, m);
    s.FilterPresets = {5, 20, 0, 0, 0, 9, 16, 0, 3, 31};
  });
}

TEST(ModeFilterCommands, IFShiftAndWidth) {
  std::vector<Row> rows = {
    row("VFO B", SET(s.VFO = 1), CALL(SetIFShift, 64), "IS1-0500;",
        CHANGE(s.IFS = -500; s.IFShift = 64; f.pause())),
    row("width without the IF-shift entry", SET(s.Property[cap::SetIFShiftWidth] = 0),
        CALL(SetIFShift, 1100), "", CHANGE(f.pause()), F),
    WITHOUT(SetIFShift, 10),
    row("width on CW", SET(s.Mode = 2), CALL(SetIFShift, 1128), "SH015;",
        CHANGE(s.WidthLevel = s.Property[cap::WidthLevel] = 128; s.BW = 500; f.pause())),
    row("narrow filter: no width sent",
        SET(s.Property[cap::NarrowFlag] = 1; s.Mode = 1; s.WidthLevel = 99), CALL(SetIFShift, 1100),
        "", CHANGE(s.BW = 1800; f.pause())),
    row("narrow filter: no upper bound", SET(s.Property[cap::NarrowFlag] = 1; s.Mode = 1),
        CALL(SetIFShift, 3000), "", CHANGE(s.BW = 1800; f.pause())),
  };
  // Levels to 20 Hz steps.
  const std::tuple<int16_t, const char*, int16_t> shifts[] = {
      {0, "IS0-0000;", 0},      {1, "IS0-0000;", 0},       {3, "IS0-0020;", -20},
      {64, "IS0-0500;", -500},  {128, "IS0-1000;", -1000}, {-3, "IS0+0020;", 20},
      {-100, "IS0+0780;", 780}, {-128, "IS0+1000;", 1000}};
  for (auto [level, sent, ifs] : shifts) {
    rows.push_back(row(sent, {}, CALL(SetIFShift, level), sent,
                       CHANGEV(s.IFS = ifs; s.IFShift = level; f.pause())));
  }
  // Out of range: refused after pausing polling.
  for (int16_t level : {129, 999, -129, 1256, 2000}) {
    rows.push_back(row("out of range", SET(s.IFS = 120; s.IFShift = 15), CALL(SetIFShift, level),
                       "", CHANGE(f.pause()), F));
  }
  // From 1000 on the level sets the width; that command always names VFO A.
  const std::tuple<int16_t, const char*, int16_t> widths[] = {
      {1255, "SH031;", 4000}, {1000, "SH000;", 200}, {1128, "SH015;", 2400}, {1008, "SH001;", 200}};
  for (auto [level, sent, bw] : widths) {
    rows.push_back(row(sent, SET(s.Mode = 1; s.WidthCode = 7; s.VFO = 1), CALL(SetIFShift, level),
                       sent,
                       CHANGEV(s.WidthLevel = s.Property[cap::WidthLevel] = int16_t(level - 1000);
                               s.BW = bw; f.pause())));
  }
  run(rows, kTuned);
}

TEST(ModeFilterCommands, Contour) {
  std::vector<Row> rows = {
    row("switch", {}, CALL(SetContour, 0, 1), "CO0001; 100 CO00;",
        CHANGE(s.ContourState = 1; s.StatusChange = VTrue)),
    row("switch on the sub receiver", SET(s.VFO = 2; s.ContourState = 1), CALL(SetContour, 0, 0),
        "CO2000; 100 CO20;", CHANGE(s.ContourState = 0; s.StatusChange = VTrue)),
    row("level, negative sign", SET(s.ContourSign = -1), CALL(SetContour, 1, 128),
        "CO0120; 100 CO01;",
        CHANGE(s.Property[cap::ContourLevel] = 128; s.FContour = -2000; s.StatusChange = VTrue)),
    row("frequency menu takes its sign", SET(s.FContour = 2000), CALL(SetContour, 2, -5),
        "EX086-05;", CHANGE(s.ContourSign = -1; s.FContour = -2000; s.StatusChange = VTrue)),
    row("frequency menu, plus", SET(s.FContour = -2000; s.ContourSign = -1),
        CALL(SetContour, 2, 12), "EX086+12;",
        CHANGE(s.ContourSign = 1; s.FContour = 2000; s.StatusChange = VTrue)),
    row("frequency menu, zero", {}, CALL(SetContour, 2, 0), "EX086+00;",
        CHANGE(s.ContourSign = 1; s.StatusChange = VTrue)),
    row("width menu", {}, CALL(SetContour, 3, 7), "EX08707;", CHANGE(s.StatusChange = VTrue)),
    row("depth on VFO B", SET(s.VFO = 1), CALL(SetContour, 4, 255), "CO1220; 100 CO12;",
        CHANGE(s.Property[cap::ContourLevel] = 20; s.StatusChange = VTrue)),
    row("other params only mark the status", {}, CALL(SetContour, 5, 1), "",
        CHANGE(s.StatusChange = VTrue)),
  };
  // The menus on VFO B are refused, on the sub receiver out of range.
  refuse(rows, {CALL(SetContour, 2, 5), CALL(SetContour, 3, 5)}, SET(s.VFO = 1));
  refuse(rows, {CALL(SetContour, 2, 5), CALL(SetContour, 3, 5)}, SET(s.VFO = 2), E9);
  refuse(rows, {CALL(SetContour, 0, 1)}, SET(s.Property[cap::SetContour] = 2));
  // The level scales to forty steps, the depth to twenty.
  const std::tuple<int16_t, const char*, int16_t> levels[] = {
      {0, "CO0101;", 100},    {6, "CO0101;", 100},    {7, "CO0101;", 100},   {13, "CO0102;", 200},
      {128, "CO0120;", 2000}, {255, "CO0140;", 4000}, {300, "CO0140;", 4000}};
  for (auto [value, sent, fcontour] : levels) {
    rows.push_back(row(sent, SET(s.ContourSign = 1), CALL(SetContour, 1, value),
                       sent + std::string(" 100 CO01;"),
                       CHANGEV(s.Property[cap::ContourLevel] = value; s.FContour = fcontour;
                               s.StatusChange = VTrue)));
  }
  const std::tuple<int16_t, const char*, int16_t> depths[] = {
      {0, "CO0200;", 0},   {12, "CO0200;", 0},   {13, "CO0201;", 1},
      {100, "CO0207;", 7}, {255, "CO0220;", 20}, {400, "CO0220;", 20}};
  for (auto [value, sent, step] : depths) {
    rows.push_back(row(sent, {}, CALL(SetContour, 4, value), sent + std::string(" 100 CO02;"),
                       CHANGEV(s.Property[cap::ContourLevel] = step; s.StatusChange = VTrue)));
  }
  run(rows, kTuned);
}

TEST(ModeFilterCommands, BlankerTypeAndPreferences) {
  std::vector<Row> rows = {
    row("blanker 2", SET(s.NBRec[1].On = 1), CALL(SetNBType, 2), "NB02; 100 NL;",
        CHANGE(s.NBType = 2; s.NBRec[2].On = 1; s.NBRec[1].On = 0; s.NB = 50;
               s.StatusChange = VTrue)),
    row("blanker 1 on VFO B", SET(s.VFO = 1; s.NBType = 2; s.NBRec[2].On = 1), CALL(SetNBType, 1),
        "NB11; 100 NL;",
        CHANGE(s.NBType = 1; s.NBRec[1].On = 1; s.NBRec[2].On = 0; s.NB = 30;
               s.StatusChange = VTrue)),
    row("off", SET(s.NBRec[1].On = 1; s.NB = 30), CALL(SetNBType, 0), "NB00;",
        CHANGE(s.NBType = 0; s.NBRec[1].On = 0; s.StatusChange = VTrue)),
    WITHOUT(SetNBType, 0),
    // Cut filters are the host's preferences only.
    row("cut filter", {}, CALL(SetCutFilter, 300, 2700, 2, 10), "",
        CHANGE(s.LowCutFilter[2][10] = 300; s.HighCutFilter[2][10] = 2700)),
    WITHOUT(SetCutFilter, 1, 2, 0, 0),
  };
  refuse(rows, {CALL(SetNBType, 3), CALL(SetNBType, -1)});
  refuse(rows,
         {CALL(SetCutFilter, 1, 2, 3, 0), CALL(SetCutFilter, 1, 2, 0, 11),
          CALL(SetCutFilter, 1, 2, -1, 0), CALL(SetCutFilter, 1, 2, 0, -1)},
         {}, E9);
  run(rows, SET(s.NBRec[1].Level = 30; s.NBRec[2].Level = 50));
}

using core::NarrowFilterWidth;

// The wide width of each step 0..31, then of any step beyond.
const int16_t kSsb[33] = {200,  200,  400,  600,  850,  1100, 1350, 1500, 1650, 1800, 1950,
                          2100, 2100, 2250, 2250, 2400, 2400, 2400, 2450, 2450, 2500, 2600,
                          2700, 2800, 2900, 3000, 3200, 3400, 3600, 3800, 4000, 4000, 2400};
const int16_t kCw[33] = {25,   25,   50,   50,   100,  100,  200,  200,  200,  300,  300,
                         300,  400,  400,  400,  500,  500,  500,  800,  800,  800,  1200,
                         1200, 1200, 1400, 1400, 1700, 1700, 2000, 2000, 2400, 2400, 2400};

struct WidthTables : Commands {
  int16_t width(int code, int mode, int vfo) {
    return r.p->FilterWidth(static_cast<int16_t>(code), static_cast<int16_t>(mode),
                            Variant(static_cast<int16_t>(vfo)));
  }
};

TEST_F(WidthTables, WideStepsOfEveryMode) {
  for (int code = -1; code <= 40; ++code) {
    const size_t k = code < 0 || code > 31 ? 32 : static_cast<size_t>(code);
    for (int vfo : {0, 1, 2}) {  // the VFO does not matter while wide
      for (int mode : {0, 1}) EXPECT_EQ(width(code, mode, vfo), kSsb[k]) << code;
      for (int mode : {2, 5, 6}) EXPECT_EQ(width(code, mode, vfo), kCw[k]) << code;
      EXPECT_EQ(width(code, 3, vfo), 9000);
      EXPECT_EQ(width(code, 4, vfo), 16000);
      for (int mode : {7, 8, -1}) EXPECT_EQ(width(code, mode, vfo), 2400) << mode;
    }
  }
}

TEST_F(WidthTables, NarrowFilterFollowsTheSettingOfTheVfo) {
  // Flag, mode, VFO, hertz. VFO B has settings of its own (no data setting
  // 6), VFO A the fresh ones; the width step is not used; outside the modes
  // with a width the VFO is not looked at. Only flag 1 is narrow; any other
  // but 0 is neither narrow nor wide.
  s.NarrowSetting[1] = {11, 11, 5, 6};
  const std::array<int, 4> cases[] = {
      {1, 0, 0, 1800}, {1, 1, 0, 1800}, {1, 2, 0, 300},  {1, 3, 0, 6000}, {1, 4, 1, 9000},
      {1, 5, 0, 300},  {1, 6, 0, 300},  {1, 1, 1, 2250}, {1, 2, 1, 2000}, {1, 5, 1, 400},
      {1, 6, 1, 4000}, {1, 7, 2, 2400}, {2, 1, 2, 2400}, {2, 4, 0, 2400}, {-1, 3, 0, 2400}};
  for (auto [flag, mode, vfo, hz] : cases) {
    s.Property[core::cap::NarrowFlag] = static_cast<int16_t>(flag);
    for (int code : {0, 17, 40}) EXPECT_EQ(width(code, mode, vfo), hz) << flag << mode << vfo;
  }
  // The VFO may come as any number the variant holds; only A and B have one.
  s.Property[core::cap::NarrowFlag] = 1;
  EXPECT_EQ(std::tuple(r.p->FilterWidth(0, 2, Variant(1.0)), error_number([&] { width(0, 1, 2); }),
                       error_number([&] { width(0, 4, -1); })),
            std::tuple(2000, 9, 9));
}

TEST(NarrowWidthTable, EveryGroupAndIndex) {
  // Indexes -1 to 12 of groups 0 to 7: SSB twice, CW, AM, FM, data twice;
  // 4000 outside a table, AM and FM one width throughout.
  const int16_t ssb[14] = {4000, 200,  400,  600,  850,  1100, 1350,
                           1500, 1650, 1800, 1950, 2100, 2250, 4000};
  const int16_t cw[14] = {4000, 25, 50, 100, 200, 300, 400, 500, 800, 1200, 1400, 1700, 2000, 4000};
  const int16_t data[14] = {4000, 25,   50,   100,  200,  300,  400,
                            4000, 4000, 4000, 4000, 4000, 4000, 4000};
  for (int16_t i = -1; i <= 12; ++i) {
    const size_t k = static_cast<size_t>(i + 1);
    EXPECT_EQ(NarrowFilterWidth(0, i), ssb[k]) << i;
    EXPECT_EQ(NarrowFilterWidth(1, i), ssb[k]) << i;
    EXPECT_EQ(NarrowFilterWidth(2, i), cw[k]) << i;
    EXPECT_EQ(NarrowFilterWidth(3, i), 6000) << i;
    EXPECT_EQ(NarrowFilterWidth(4, i), 9000) << i;
    EXPECT_EQ(NarrowFilterWidth(5, i), data[k]) << i;
    EXPECT_EQ(NarrowFilterWidth(6, i), data[k]) << i;
  }
  EXPECT_EQ(std::tuple(NarrowFilterWidth(3, -7), NarrowFilterWidth(4, 99), NarrowFilterWidth(7, 0),
                       NarrowFilterWidth(-1, 0)),
            std::tuple(6000, 9000, 4000, 4000));
}

TEST_F(WidthTables, AmAndFmHaveFixedWidthsAndNoShift) {
  // Narrow flag, mode, width and shift after.
  const std::array<int16_t, 4> cases[] = {{0, 3, 9000, 0},  {0, 4, 25000, 0}, {1, 3, 6000, 0},
                                          {1, 4, 12500, 0}, {2, 4, 25000, 0}, {1, 0, 1234, 55},
                                          {1, 2, 1234, 55}, {1, 7, 1234, 55}};
  for (auto [flag, mode, bw, ifs] : cases) {
    s.Property[core::cap::NarrowFlag] = flag;
    s.BW = 1234;
    s.IFS = 55;
    core::State after = s;
    after.BW = bw;
    after.IFS = ifs;
    r.p->AMFMWidth(mode);
    EXPECT_TRUE(same_state(s, after)) << mode;
  }
  EXPECT_EQ(r.wire(), Wire{});
}

}  // namespace
}  // namespace tovrak::test
