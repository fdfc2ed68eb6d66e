// The frequency field of the tuning and memory commands, the band of a
// frequency, and the range check that guards tuning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "command_fixture.hpp"
#include "core/commands/frequency.hpp"

namespace tovrak::test {
namespace {

using core::BandOf;
using core::FreqDigits;

struct DigitsCase {
  double mhz;
  const char* packed;   // any radio but 570: 10 Hz steps below 100 MHz
  const char* decimal;  // radio 570: nine digits in hertz
};

TEST(FrequencyDigits, BothFormsFromLongwaveToMicrowave) {
  // Below 100 MHz the packed form's last digit is always 0; from 100 MHz it
  // is nine digits in whole hertz, from 1000 MHz nine digits in 10 Hz units
  // while the decimal form grows.
  const std::vector<DigitsCase> cases = {
      {14.25, "14250000", "014250000"},        {14.2, "14200000", "014200000"},
      {7.1, "07100000", "007100000"},          {7.05, "07050000", "007050000"},
      {14.250015, "14250010", "014250015"},    {14.250017, "14250010", "014250017"},
      {0.03, "00030000", "000030000"},         {0.1357, "00135700", "000135700"},
      {1.8, "01800000", "001800000"},          {3.5, "03500000", "003500000"},
      {9.99999, "09999990", "009999990"},      {10.0, "10000000", "010000000"},
      {21.0, "21000000", "021000000"},         {28.074, "28074000", "028074000"},
      {29.9999, "29999900", "029999900"},      {50.0, "50000000", "050000000"},
      {60.0, "60000000", "060000000"},         {99.99999, "99999990", "099999990"},
      {100.0, "100000000", "100000000"},       {144.2, "144200000", "144200000"},
      {144.390125, "144390125", "144390125"},  {430.05, "430050000", "430050000"},
      {1000.0, "100000000", "1000000000"},     {1296.1, "129610000", "1296100000"},
      {1296.12345, "129612345", "1296123450"}, {2400.5, "240050000", "2400500000"}};

  for (const auto& c : cases) {
    EXPECT_EQ(FreqDigits(c.mhz, 0), c.packed) << c.mhz;
    EXPECT_EQ(FreqDigits(c.mhz, 570), c.decimal) << c.mhz;
    // Only the size counts: the sign is dropped.
    EXPECT_EQ(FreqDigits(-c.mhz, 0), c.packed) << -c.mhz;
    EXPECT_EQ(FreqDigits(-c.mhz, 570), c.decimal) << -c.mhz;
    // Every identification but 570 takes the packed form.
    EXPECT_EQ(FreqDigits(c.mhz, 569), c.packed) << c.mhz;
    EXPECT_EQ(FreqDigits(c.mhz, -570), c.packed) << c.mhz;
  }
}

// Text of a whole number, left-padded with "0" to `width`.
std::string padded(int64_t n, int width) {
  std::string t = std::to_string(n);
  return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(t.size()))), '0') + t;
}

TEST(FrequencyDigits, WholeStepsComeOutExactlyAcrossTheRange) {
  // Below 100 MHz: every 10 Hz step, here sampled over the whole range and
  // complete over one band segment.
  std::vector<int64_t> tens;
  for (int64_t n = 3'000; n <= 6'000'000; n += 97) tens.push_back(n);
  for (int64_t n = 1'400'000; n <= 1'401'000; ++n) tens.push_back(n);
  for (int64_t n : tens) {
    const double mhz = static_cast<double>(n * 10) / 1e6;
    ASSERT_EQ(FreqDigits(mhz, 0), padded(n * 10, 8)) << n * 10 << " Hz";
    ASSERT_EQ(FreqDigits(mhz, 570), padded(n * 10, 9)) << n * 10 << " Hz";
    // A few hertz over a step do not reach the next one.
    ASSERT_EQ(FreqDigits(static_cast<double>(n * 10 + 4) / 1e6, 0), padded(n * 10, 8));
  }
  // 100 to 1000 MHz: whole hertz.
  for (int64_t hz = 100'000'000; hz < 1'000'000'000; hz += 99'991) {
    // Nine hertz over a step may be carried into the next by the small
    // corrections of the digit split; those are left out here.
    if (hz % 10 == 9) continue;
    ASSERT_EQ(FreqDigits(static_cast<double>(hz) / 1e6, 0), padded(hz, 9)) << hz << " Hz";
  }
  // From 1000 MHz: 10 Hz units.
  for (int64_t ten = 100'000'000; ten < 1'000'000'000; ten += 999'983) {
    ASSERT_EQ(FreqDigits(static_cast<double>(ten * 10) / 1e6, 0), padded(ten, 9)) << ten;
  }
}

TEST(FrequencyDigits, DecimalFormRoundsAFractionOfAHertz) {
  // A whole number of hertz never carries a decimal point into a command.
  EXPECT_EQ(FreqDigits(14.2000004, 570), "014200000");
  EXPECT_EQ(FreqDigits(14.2000006, 570), "014200001");
  EXPECT_EQ(FreqDigits(0.0, 570), "000000000");
  EXPECT_EQ(FreqDigits(0.0, 0), "00000000");
}

TEST(FrequencyDigits, BandEdgesAreInclusive) {
  const std::vector<std::pair<double, int>> cases = {
      {1.4999, 11},  {1.5, 0},   {2.0, 0},  {2.0001, 11},  {3.4999, 11}, {3.5, 1},
      {4.0, 1},      {5.0, 2},   {5.5, 2},  {7.0, 3},      {7.05, 3},    {7.5, 3},
      {7.5001, 11},  {10.0, 4},  {10.5, 4}, {14.0, 5},     {14.2, 5},    {14.5, 5},
      {18.0, 6},     {18.5, 6},  {21.0, 7}, {21.5, 7},     {24.49, 11},  {24.5, 8},
      {25.0, 8},     {28.0, 9},  {30.0, 9}, {30.0001, 11}, {50.0, 10},   {54.0, 10},
      {54.0001, 11}, {60.0, 11}, {0.0, 11}, {-14.2, 11},   {144.2, 11},
  };
  for (auto [mhz, band] : cases) EXPECT_EQ(BandOf(mhz), band) << mhz;
}

struct FrequencyRange : Commands {
  core::Module& m = r.m();
};

TEST_F(FrequencyRange, ValidFrequenciesLieInTheRangeTable) {
  auto valid = [&](double f) { return static_cast<bool>(p.ValidFreq(f)); };
  const std::pair<double, bool> one[] = {{0.0, false},   {0.03, true},        {14.2, true},
                                         {60.0, true},   {60.0000001, false}, {0.0299, false},
                                         {-14.2, false}, {-0.03, false},      {144.2, false}};
  for (auto [f, ok] : one) EXPECT_EQ(valid(f), ok) << f;
  // A second range counts as well; an empty table makes every frequency invalid.
  m.ranges.count = 2;
  m.ranges.min[2] = 144.0;
  m.ranges.max[2] = 146.0;
  const std::pair<double, bool> two[] = {
      {144.0, true}, {146.0, true}, {14.2, true}, {100.0, false}};
  for (auto [f, ok] : two) EXPECT_EQ(valid(f), ok) << f;
  m.ranges.count = 0;
  EXPECT_FALSE(valid(14.2));

  // Checking sends nothing and changes nothing.
  double f = 14.2;
  const core::State before = s;
  p.ValidFreq(f);
  EXPECT_TRUE(same_state(s, before));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(f, 14.2);
}

}  // namespace
}  // namespace tovrak::test
