// Passband widths in hertz: the wide width steps, the narrow-filter settings
// and the fixed AM and FM widths.
#include <gtest/gtest.h>

#include <array>

#include "command_fixture.hpp"
#include "core/commands/widths.hpp"

namespace tovrak::test {
namespace {

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
                                          {1, 1, 1234, 55}, {1, 2, 1234, 55}, {1, 5, 1234, 55},
                                          {1, 6, 1234, 55}, {1, 7, 1234, 55}};
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
