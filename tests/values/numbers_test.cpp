// Number reading, rounding and number texts: used by every decoder and command.
#include "core/values/numbers.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "tovrak/errors.hpp"

namespace tovrak::core {
namespace {

TEST(ReadNumber, ReadsDecimalTextAsAnswerFieldsAreRead) {
  EXPECT_EQ(read_number("014250000"), 14250000.0);
  EXPECT_EQ(read_number("-0500"), -500.0);
  EXPECT_EQ(read_number("+0500"), 500.0);
  EXPECT_EQ(read_number(" 1 2"), 12.0);   // blanks are skipped anywhere
  EXPECT_EQ(read_number("12.5x"), 12.5);  // stops at the first other character
  EXPECT_EQ(read_number("5-3"), 5.0);     // a sign after digits ends the number
  EXPECT_EQ(read_number("1.2.3"), 1.2);   // a second point ends it
  EXPECT_EQ(read_number(".5"), 0.5);
  // Text without digits is 0.
  EXPECT_EQ(read_number(""), 0.0);
  EXPECT_EQ(read_number("   "), 0.0);
  EXPECT_EQ(read_number("-"), 0.0);
  EXPECT_EQ(read_number("A12"), 0.0);
  EXPECT_EQ(read_number("--5"), 0.0);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, int16_t> cases[] = {{0.5, 0},   {1.5, 2},     {2.5, 2},   {-2.5, -2},
                                              {-3.5, -4}, {95.625, 96}, {2.4999, 2}};
  for (auto [x, rounded] : cases) EXPECT_EQ(to_i16(x), rounded) << x;
}

TEST(Rounding, OutOfRangeIsTheOverflowError) {
  EXPECT_EQ(to_i16(32767.4), 32767);
  EXPECT_EQ(to_i16(-32768.5), -32768);  // rounds to even, which fits
  EXPECT_THROW(to_i16(32767.5), ComError);
  EXPECT_THROW(to_i16(100000.0), ComError);
  EXPECT_THROW(to_i16(std::nan("")), ComError);
  try {
    to_i16(1e6);
  } catch (const ComError& e) {
    EXPECT_EQ(e.number(), 6);
    EXPECT_EQ(e.hresult(), static_cast<int32_t>(0x800A0006));
  }
  EXPECT_EQ(floor_i16(-0.5), -1);
  EXPECT_EQ(floor_i16(32767.9), 32767);
  EXPECT_THROW(floor_i16(32768.0), ComError);
}

TEST(NumberText, PaddingRules) {
  EXPECT_EQ(decimal(-5), "-5");
  EXPECT_EQ(zero_padded(5, 3), "005");
  EXPECT_EQ(zero_padded(1234, 3), "1234");  // a longer text is kept whole
  EXPECT_EQ(zero_padded(-5, 3), "0-5");     // padding counts the sign
  EXPECT_EQ(three_digits(5), "005");
  EXPECT_EQ(three_digits(50), "050");
  EXPECT_EQ(three_digits(255), "255");
  EXPECT_EQ(three_digits(1000), "1000");
  EXPECT_EQ(three_digits(-5), "00-5");  // below 100 and below 10: two zeros
}

TEST(Field, PositionsCountFromOneAndCutAtTheEnd) {
  EXPECT_EQ(field("FA00014250000", 3, 11), "00014250000");
  EXPECT_EQ(field("AG0123", 4, 3), "123");
  EXPECT_EQ(field("AG01", 4, 3), "1");
  EXPECT_EQ(field("AG0", 4, 3), "");
  EXPECT_EQ(field("AG0", 9, 3), "");
}

TEST(Shortest, ReadsBackTheSameValue) {
  EXPECT_EQ(shortest(14.2), "14.2");
  EXPECT_EQ(shortest(0.03), "0.03");
  EXPECT_EQ(shortest(60.0), "60");
  EXPECT_EQ(shortest(88.5f), "88.5");
  EXPECT_EQ(shortest(0.1f), "0.1");
}

}  // namespace
}  // namespace tovrak::core
