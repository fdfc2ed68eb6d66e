// The frequency field of the tuning and memory commands, the band of a
// frequency, and the range check that guards tuning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "command_fixture.hpp"
#include "core/commands/frequency.hpp"

namespace tovrak::test {
namespace {

using core::BandOf;
using core::FreqDigits;

// Text of a whole number, left-padded with "0" to `width`.
std::string padded(int64_t n, int width) {
  std::string t = std::to_string(n);
  return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(t.size()))), '0') + t;
}

TEST(FrequencyDigits, WholeStepsInBothFormsAcrossTheRange) {
  // Radio 570 takes hertz; any other the packed form: 10 Hz steps in eight
  // digits below 100 MHz, hertz in nine to 1000 MHz, then 10 Hz steps.
  std::vector<int64_t> hz;
  for (int64_t n = 3'000; n < 10'000'000; n += 163) hz.push_back(n * 10);
  for (int64_t n = 1'400'000; n <= 1'401'000; ++n) hz.push_back(n * 10);
  // The digit split's small corrections may carry 9 Hz into the next step.
  for (int64_t h = 100'000'000; h < 1'000'000'000; h += 99'991) {
    if (h % 10 != 9) hz.push_back(h);
  }
  for (int64_t ten = 100'000'000; ten < 1'000'000'000; ten += 999'983) hz.push_back(ten * 10);
  for (int64_t h : hz) {
    const double mhz = static_cast<double>(h) / 1e6;
    const std::string packed = h < 100'000'000     ? padded(h, 8)
                               : h < 1'000'000'000 ? padded(h, 9)
                                                   : padded(h / 10, 9);
    // Only the size counts: the sign is dropped.
    for (double f : {mhz, -mhz}) {
      ASSERT_EQ(FreqDigits(f, 0), packed) << h << " Hz";
      ASSERT_EQ(FreqDigits(f, 570), padded(h, 9)) << h << " Hz";
    }
    ASSERT_EQ(FreqDigits(mhz, 569), packed);
    ASSERT_EQ(FreqDigits(mhz, -570), packed);
    if (h >= 100'000'000) continue;
    // A few hertz over a step: the packed form drops them, the decimal keeps them.
    const double over = static_cast<double>(h + 4) / 1e6;
    ASSERT_EQ(FreqDigits(over, 0), packed) << h + 4 << " Hz";
    ASSERT_EQ(FreqDigits(over, 570), padded(h + 4, 9)) << h + 4 << " Hz";
  }
}

TEST(FrequencyDigits, FractionsOfAStep) {
  // The decimal form rounds a fraction of a hertz: a whole number of hertz
  // never carries a decimal point into a command.
  const std::tuple<double, int16_t, const char*> cases[] = {
      {14.250017, 0, "14250010"},     {14.250017, 570, "014250017"}, {14.2000004, 570, "014200000"},
      {14.2000006, 570, "014200001"}, {0.0, 570, "000000000"},       {0.0, 0, "00000000"}};
  for (auto [mhz, id, digits] : cases) EXPECT_EQ(FreqDigits(mhz, id), digits) << mhz;
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

TEST(FrequencyRange, ValidFrequenciesLieInTheRangeTable) {
  // Checking sends nothing and changes nothing.
  std::vector<Row> rows;
  const std::pair<double, int> one[] = {{0.0, F},   {0.03, T},       {14.2, T},
                                        {60.0, T},  {60.0000001, F}, {0.0299, F},
                                        {-14.2, F}, {-0.03, F},      {144.2, F}};
  for (auto [f, valid] : one) rows.push_back(row("one", {}, CALL(ValidFreq, f), "", {}, valid));
  // A second range counts as well; an empty table makes every frequency invalid.
  const std::pair<double, int> two[] = {{144.0, T}, {146.0, T}, {14.2, T}, {100.0, F}};
  for (auto [f, valid] : two) {
    rows.push_back(row("two",
                       SET(m.ranges.count = 2; m.ranges.min[2] = 144.0; m.ranges.max[2] = 146.0),
                       CALL(ValidFreq, f), "", {}, valid));
  }
  rows.push_back(row("none", SET(m.ranges.count = 0), CALL(ValidFreq, 14.2), "", {}, F));
  run(rows);
}

}  // namespace
}  // namespace tovrak::test
