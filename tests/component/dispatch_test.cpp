// Late binding: calls by name with Variant arguments. (The member table
// itself is checked against the generated interface.)
#include <gtest/gtest.h>

#include "commands/command_fixture.hpp"
#include "tovrak/dispatch.hpp"

namespace tovrak::test {
namespace {

TEST(LateBinding, ConvertsArgumentsAsAScriptingHostDoesAndReportsBadOnes) {
  Rig r;
  r.s().AFLevel[1] = 42;
  std::vector<Variant> args{Variant("1")};
  EXPECT_EQ(Invoke(*r.rig, "AFLevel", MemberKind::Get, args), Variant(int16_t{42}));
  std::vector<Variant> idx{Variant(16.0)};
  EXPECT_EQ(Invoke(*r.rig, "Property", MemberKind::Get, idx), Variant(int16_t{127}));
  EXPECT_EQ(idx[0], Variant(int16_t{16}));  // written back in its declared type
  std::vector<Variant> value{Variant("250")};
  Invoke(*r.rig, "ChannelMax", MemberKind::Let, value);
  EXPECT_EQ(r.rig->get_ChannelMax(), 250);
  std::vector<Variant> flag{Variant(int16_t{1})};
  Invoke(*r.rig, "AutoPolling", MemberKind::Let, flag);
  EXPECT_EQ(r.rig->get_AutoPolling(), VTrue);
  // Bad counts and types.
  auto number = [&](std::string_view name, MemberKind kind, std::vector<Variant> args) {
    return error_number([&] { Invoke(*r.rig, name, kind, args); });
  };
  EXPECT_EQ(number("AFLevel", MemberKind::Get, {}), 450);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant("x")}), 13);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant(int32_t{70000})}), 6);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant(int16_t{101})}), 9);
  EXPECT_EQ(number("ChannelMin", MemberKind::Let, {Variant(int32_t{40000})}), 6);
  // A reference assignment takes an object and nothing else.
  struct Seven : Object {
    Variant value() const override { return Variant(int16_t{7}); }
  };
  EXPECT_EQ(number("AutoNF", MemberKind::Set, {Variant(int16_t{7})}), 13);
  std::vector<Variant> object{Variant(std::shared_ptr<Object>(std::make_shared<Seven>()))};
  Invoke(*r.rig, "AutoNF", MemberKind::Set, object);
  std::vector<Variant> none;
  EXPECT_EQ(Invoke(*r.rig, "AutoNF", MemberKind::Get, none).to_i16(), 7);
}

TEST(LateBinding, EveryMemberIsReachableByItsNameInItsSlot) {
  // With arguments of its types every member runs, or raises a ComError of
  // its own, never anything else. The slots count from 1 in table order, as
  // the dispatch interface numbers its members.
  Rig r;
  int slot = 0;
  for (const auto& m : Members()) {
    ASSERT_EQ(FindMember(m.name, m.kind), &m) << m.name;
    EXPECT_EQ(m.slot, ++slot) << m.name;
    if (m.kind == MemberKind::Set) continue;
    std::vector<Variant> args;
    for (const auto& a : m.args) {
      using VT = ValueType;
      args.push_back(a.type == VT::String    ? Variant("")
                     : a.type == VT::Boolean ? Variant(VFalse)
                     : a.type == VT::Double  ? Variant(0.0)
                     : a.type == VT::Single  ? Variant(0.0f)
                                             : Variant(int16_t{0}));
    }
    error_number([&] { Invoke(*r.rig, m.name, m.kind, args); });
  }
}

}  // namespace
}  // namespace tovrak::test
