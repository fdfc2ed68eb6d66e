// Number reading, rounding and number texts, used by every decoder and
// command; conversions of the tagged value, as an Automation host makes them.
#include "core/values/numbers.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "commands/command_fixture.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/variant.hpp"

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

TEST(Rounding, HalvesGoToTheEvenNeighbourAndOutOfRangeOverflows) {
  const std::pair<double, int16_t> cases[] = {{0.5, 0},   {1.5, 2},     {2.5, 2},   {-2.5, -2},
                                              {-3.5, -4}, {95.625, 96}, {2.4999, 2}};
  for (auto [x, rounded] : cases) EXPECT_EQ(to_i16(x), rounded) << x;
  // Out of range is the overflow error; -32768.5 rounds to even, which fits.
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

using test::error_number;

// Text converts as a number; numbers round half to even and overflow; a
// Boolean is -1 or 0; Empty is 0.
TEST(Variant, ConversionsOfTextNumbersAndBooleans) {
  EXPECT_EQ(std::tuple(Variant(" 2.5 ").to_i16(), Variant("-3.5").to_i32(),
                       Variant("1e3").to_double(), Variant("True").to_i16(), Variant(2.5).to_i16(),
                       Variant(3.5f).to_i16(), Variant(int32_t{40000}).to_i32(), Variant().to_i16(),
                       Variant(VTrue).to_i16(), Variant(VFalse).to_double()),
            std::tuple(2, -4, 1000.0, -1, 2, 4, 40000, 0, -1, 0.0));
  EXPECT_EQ(
      std::tuple(Variant(int16_t{5}).to_bool(), Variant(0.0).to_bool(), Variant("false").to_bool()),
      std::tuple(VTrue, VFalse, VFalse));
  for (const char* bad : {"abc", "", "12abc", "1.2.3"})
    EXPECT_EQ(error_number([&] { Variant(bad).to_i16(); }), 13) << bad;
  EXPECT_EQ(error_number([] { Variant(int32_t{40000}).to_i16(); }), 6);
  EXPECT_EQ(error_number([] { Variant(1e40).to_single(); }), 6);
  EXPECT_EQ(error_number([] { Variant("-1e999").to_double(); }), 6);  // beyond a Double
}

// An object whose value is the next object of a chain, `links` long, ending
// in 7; with no end, its value is itself.
struct Chain : Object, std::enable_shared_from_this<Chain> {
  explicit Chain(int links) : links(links) {}
  Variant value() const override {
    if (links < 0)
      return Variant(std::shared_ptr<Object>(std::const_pointer_cast<Chain>(shared_from_this())));
    if (links == 0) return Variant(int16_t{7});
    return Variant(std::shared_ptr<Object>(std::make_shared<Chain>(links - 1)));
  }
  int links;
};

TEST(Variant, ObjectsReadTheirDefaultValueAFewLevelsDeep) {
  struct Without : Object {};
  auto of = [](std::shared_ptr<Object> o) { return Variant(std::move(o)); };
  EXPECT_EQ(of(std::make_shared<Chain>(0)).to_i16(), 7);
  EXPECT_EQ(of(std::make_shared<Chain>(7)).to_string(), "7");  // eight objects deep
  // Deeper, or an object that is its own value, or none at all: no value.
  for (auto o :
       std::vector<std::shared_ptr<Object>>{std::make_shared<Chain>(8), std::make_shared<Chain>(-1),
                                            std::make_shared<Without>(), nullptr}) {
    EXPECT_EQ(error_number([&] { of(o).to_double(); }), 13);
    EXPECT_EQ(error_number([&] { of(o).to_string(); }), 13);
  }
}

}  // namespace
}  // namespace tovrak::core
