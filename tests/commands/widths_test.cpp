// Passband widths in hertz: the wide width steps, the narrow-filter settings
// and the fixed AM and FM widths.
#include <gtest/gtest.h>

#include <vector>

#include "command_fixture.hpp"
#include "core/commands/widths.hpp"

namespace tovrak::test {
namespace {

using core::NarrowFilterWidth;

// The wide width of each step 0..31.
const int16_t kSsb[32] = {200,  200,  400,  600,  850,  1100, 1350, 1500, 1650, 1800, 1950,
                          2100, 2100, 2250, 2250, 2400, 2400, 2400, 2450, 2450, 2500, 2600,
                          2700, 2800, 2900, 3000, 3200, 3400, 3600, 3800, 4000, 4000};
const int16_t kCw[32] = {25,   25,   50,   50,   100,  100,  200,  200,  200,  300, 300,
                         300,  400,  400,  400,  500,  500,  500,  800,  800,  800, 1200,
                         1200, 1200, 1400, 1400, 1700, 1700, 2000, 2000, 2400, 2400};

struct WidthTables : Commands {
  int16_t width(int code, int mode, int vfo) {
    return r.p->FilterWidth(static_cast<int16_t>(code), static_cast<int16_t>(mode),
                            Variant(static_cast<int16_t>(vfo)));
  }
};

TEST_F(WidthTables, WideStepsOfEveryMode) {
  for (int code = 0; code <= 31; ++code) {
    for (int vfo : {0, 1, 2}) {  // the VFO does not matter while wide
      EXPECT_EQ(width(code, 0, vfo), kSsb[code]) << code;
      EXPECT_EQ(width(code, 1, vfo), kSsb[code]) << code;
      for (int mode : {2, 5, 6}) EXPECT_EQ(width(code, mode, vfo), kCw[code]);
      EXPECT_EQ(width(code, 3, vfo), 9000);
      EXPECT_EQ(width(code, 4, vfo), 16000);
    }
  }
}

TEST_F(WidthTables, WideEdgeCases) {
  EXPECT_EQ(width(5, 1, 0), 1100);
  EXPECT_EQ(width(16, 0, 0), 2400);
  EXPECT_EQ(width(31, 2, 0), 2400);
  for (int code : {-1, 32, 40, 255}) {
    EXPECT_EQ(width(code, 1, 0), 2400) << code;
    EXPECT_EQ(width(code, 2, 0), 2400) << code;
    EXPECT_EQ(width(code, 3, 0), 9000) << code;
    EXPECT_EQ(width(code, 4, 0), 16000) << code;
  }
  for (int mode : {7, 8, -1}) EXPECT_EQ(width(5, mode, 0), 2400) << mode;
}

TEST_F(WidthTables, NarrowFilterFollowsTheSettingOfTheVfo) {
  s.Property[core::cap::NarrowFlag] = 1;
  for (int code : {0, 17, 40}) {  // the width step is not used
    EXPECT_EQ(width(code, 0, 0), 1800);
    EXPECT_EQ(width(code, 1, 0), 1800);
    EXPECT_EQ(width(code, 2, 1), 300);
    EXPECT_EQ(width(code, 3, 0), 6000);
    EXPECT_EQ(width(code, 4, 0), 9000);
    EXPECT_EQ(width(code, 5, 0), 300);
    EXPECT_EQ(width(code, 6, 1), 300);
  }
  s.NarrowSetting[1] = {11, 11, 5, 6};
  EXPECT_EQ(width(0, 1, 1), 2250);
  EXPECT_EQ(width(0, 2, 1), 2000);
  EXPECT_EQ(width(0, 5, 1), 400);
  EXPECT_EQ(width(0, 6, 1), 4000);  // no data setting 6
  EXPECT_EQ(width(0, 1, 0), 1800);  // VFO A keeps its own
  // The VFO may come as any number the variant holds.
  EXPECT_EQ(r.p->FilterWidth(0, 2, Variant(1.0)), 2000);
}

TEST_F(WidthTables, NarrowFilterNeedsVfoAOrB) {
  s.Property[core::cap::NarrowFlag] = 1;
  EXPECT_EQ(error_number([&] { width(0, 1, 2); }), 9);
  EXPECT_EQ(error_number([&] { width(0, 4, -1); }), 9);
  // Outside the modes with a width the VFO is not looked at.
  EXPECT_EQ(width(0, 7, 2), 2400);
  // Neither wide nor narrow.
  s.Property[core::cap::NarrowFlag] = 2;
  EXPECT_EQ(width(5, 1, 2), 2400);
  EXPECT_EQ(width(5, 4, 0), 2400);
  s.Property[core::cap::NarrowFlag] = -1;
  EXPECT_EQ(width(5, 3, 0), 2400);
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
  EXPECT_EQ(NarrowFilterWidth(3, -7), 6000);
  EXPECT_EQ(NarrowFilterWidth(4, 99), 9000);
  EXPECT_EQ(NarrowFilterWidth(7, 0), 4000);
  EXPECT_EQ(NarrowFilterWidth(-1, 0), 4000);
}

TEST_F(WidthTables, AmAndFmHaveFixedWidthsAndNoShift) {
  s.IFS = 300;
  r.p->AMFMWidth(3);
  EXPECT_EQ(s.BW, 9000);
  EXPECT_EQ(s.IFS, 0);
  s.IFS = 300;
  r.p->AMFMWidth(4);
  EXPECT_EQ(s.BW, 25000);
  EXPECT_EQ(s.IFS, 0);

  s.Property[core::cap::NarrowFlag] = 1;
  s.IFS = 300;
  r.p->AMFMWidth(3);
  EXPECT_EQ(s.BW, 6000);
  EXPECT_EQ(s.IFS, 0);
  r.p->AMFMWidth(4);
  EXPECT_EQ(s.BW, 12500);

  s.Property[core::cap::NarrowFlag] = 2;  // only 1 is narrow
  r.p->AMFMWidth(4);
  EXPECT_EQ(s.BW, 25000);

  s.BW = 1234;
  s.IFS = 55;
  const core::State before = s;
  for (int16_t mode : {0, 1, 2, 5, 6, 7}) r.p->AMFMWidth(mode);
  EXPECT_TRUE(same_state(s, before));
  EXPECT_EQ(r.wire(), Wire{});
}

}  // namespace
}  // namespace tovrak::test
