// Conversions of the tagged value, as an Automation host makes them.
#include "tovrak/variant.hpp"

#include <gtest/gtest.h>

#include "commands/command_fixture.hpp"

namespace tovrak {
namespace {

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
}  // namespace tovrak
