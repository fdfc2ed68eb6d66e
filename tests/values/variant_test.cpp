// Conversions of the tagged value, as an Automation host makes them.
#include "tovrak/variant.hpp"

#include <gtest/gtest.h>

#include "commands/command_fixture.hpp"

namespace tovrak {
namespace {

using test::error_number;

TEST(Variant, TextConvertsToNumbers) {
  EXPECT_EQ(Variant(" 2.5 ").to_i16(), 2);
  EXPECT_EQ(Variant("-3.5").to_i32(), -4);
  EXPECT_EQ(Variant("1e3").to_double(), 1000.0);
  EXPECT_EQ(Variant("True").to_i16(), -1);
  for (const char* bad : {"abc", "", "12abc", "1.2.3"})
    EXPECT_EQ(error_number([&] { Variant(bad).to_i16(); }), 13) << bad;
}

TEST(Variant, NumbersRoundAndOverflow) {
  EXPECT_EQ(Variant(2.5).to_i16(), 2);
  EXPECT_EQ(Variant(3.5f).to_i16(), 4);
  EXPECT_EQ(Variant(int32_t{40000}).to_i32(), 40000);
  EXPECT_EQ(error_number([] { Variant(int32_t{40000}).to_i16(); }), 6);
  EXPECT_EQ(error_number([] { Variant(1e40).to_single(); }), 6);
  EXPECT_EQ(error_number([] { Variant("-1e999").to_double(); }), 6);  // beyond a Double
  EXPECT_EQ(Variant().to_i16(), 0);                                   // Empty is 0
}

TEST(Variant, BooleansAreMinusOneAndZero) {
  EXPECT_EQ(Variant(VTrue).to_i16(), -1);
  EXPECT_EQ(Variant(VFalse).to_double(), 0.0);
  EXPECT_EQ(Variant(int16_t{5}).to_bool(), VTrue);
  EXPECT_EQ(Variant(0.0).to_bool(), VFalse);
  EXPECT_EQ(Variant("false").to_bool(), VFalse);
}

TEST(Variant, ObjectsReadTheirDefaultValue) {
  struct WithValue : Object {
    Variant value() const override { return Variant(int16_t{7}); }
  };
  struct Without : Object {};
  EXPECT_EQ(Variant(std::shared_ptr<Object>(std::make_shared<WithValue>())).to_i16(), 7);
  EXPECT_EQ(
      error_number([] { Variant(std::shared_ptr<Object>(std::make_shared<Without>())).to_i16(); }),
      13);
}

}  // namespace
}  // namespace tovrak
