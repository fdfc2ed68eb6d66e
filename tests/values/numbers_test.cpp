// Number reading, rounding and number texts: used by every decoder and command.
#include "core/values/numbers.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "tovrak/errors.hpp"

namespace tovrak::core {
namespace {

TEST(ReadNumber, ReadsDecimalTextAsAnswerFieldsAreRead) {
  // Blanks are skipped anywhere; a sign after digits, a second point or any
  // other character ends the number; text without digits is 0. The value is
  // the decimal text's nearest double, for short fields and long texts alike.
  // "TEXT=VALUE".
  for (const std::string row :
       {"014250000=14250000", "-0500=-500", "+0500=500", " 1 2=12", "12.5x=12.5", "5-3=5",
        "1.2.3=1.2", ".5=0.5", "=0", "   =0", "-=0", "A12=0", "--5=0", "14.195=14.195", "0.3=0.3",
        "9007199254740993=9007199254740993", "123456789.123456789=123456789.123456789",
        ".0000000000000000000001=1e-22", ".00000000000000000000001=1e-23"}) {
    const size_t cut = row.rfind('=');
    EXPECT_EQ(read_number(row.substr(0, cut)), std::stod(row.substr(cut + 1))) << row;
  }
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, int16_t> cases[] = {{0.5, 0},   {1.5, 2},     {2.5, 2},   {-2.5, -2},
                                              {-3.5, -4}, {95.625, 96}, {2.4999, 2}};
  for (auto [x, rounded] : cases) EXPECT_EQ(to_i16(x), rounded) << x;
}

TEST(Rounding, OutOfRangeIsTheOverflowError) {
  // -32768.5 rounds to even, which fits.
  EXPECT_EQ(std::tuple(to_i16(32767.4), to_i16(-32768.5), floor_i16(-0.5), floor_i16(32767.9)),
            std::tuple(32767, -32768, -1, 32767));
  EXPECT_THROW(to_i16(32767.5), ComError);
  EXPECT_THROW(to_i16(std::nan("")), ComError);
  EXPECT_THROW(floor_i16(32768.0), ComError);
  try {
    to_i16(1e6);
    ADD_FAILURE() << "1e6 fits";
  } catch (const ComError& e) {
    EXPECT_EQ(std::pair(e.number(), e.hresult()), std::pair(6, static_cast<int32_t>(0x800A0006)));
  }
}

// -5 is below 100 and below 10: two zeros. A float gets its own shortest text.
TEST(NumberText, PaddingAndShortestTexts) {
  std::string texts;
  for (int v : {5, 50, 255, 1000, -5}) texts += three_digits(v) + " ";
  EXPECT_EQ(texts + shortest(14.2) + " " + shortest(0.1f), "005 050 255 1000 00-5 14.2 0.1");
}

}  // namespace
}  // namespace tovrak::core
