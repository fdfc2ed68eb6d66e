// Late binding: the member table and calls by name with Variant arguments.
#include <gtest/gtest.h>

#include <set>

#include "support/rig.hpp"
#include "tovrak/dispatch.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::test {
namespace {

TEST(MemberTable, HasEverySlotInOrder) {
  const auto& members = Members();
  ASSERT_EQ(members.size(), 174u);
  for (size_t i = 0; i < members.size(); ++i) EXPECT_EQ(members[i].slot, static_cast<int>(i + 1));
  EXPECT_EQ(members[0].name, "MeterCaption");
  EXPECT_EQ(members[84].name, "setTXW");
  EXPECT_EQ(members[173].name, "SetVFOB");
}

TEST(MemberTable, KindsArgumentsAndResultsFollowTheInterface) {
  auto find = [](std::string_view name, MemberKind kind) {
    const Member* m = FindMember(name, kind);
    EXPECT_NE(m, nullptr) << name;
    return m;
  };
  // SetFreq alone takes its argument by value.
  for (const auto& m : Members()) {
    if (m.kind != MemberKind::Method) continue;
    for (const auto& a : m.args) {
      bool by_value = (m.name == "SetFreq") || (m.name == "SetCommand" && a.name == "Sequence");
      EXPECT_EQ(a.by_ref, !by_value) << m.name << " " << a.name;
    }
  }
  EXPECT_EQ(find("SetCAT", MemberKind::Method)->result, ValueType::Integer16);
  EXPECT_EQ(find("SetNR", MemberKind::Method)->result, ValueType::Integer16);
  EXPECT_EQ(find("LPBT", MemberKind::Method)->result, ValueType::Variant);
  EXPECT_EQ(find("LPBT", MemberKind::Method)->args[0].type, ValueType::Integer32);
  for (auto name :
       {"PollLevels", "PollCurrVFO", "SetRefresh", "SetCommand", "SetPolling", "ReadBuffer"}) {
    EXPECT_EQ(find(name, MemberKind::Method)->result, ValueType::Void) << name;
  }
  EXPECT_EQ(find("AutoNF", MemberKind::Set)->args[0].type, ValueType::Object);
  EXPECT_EQ(find("AutoNF", MemberKind::Let)->args[0].type, ValueType::Variant);
  EXPECT_EQ(find("AFLevel", MemberKind::Get)->args[0].type, ValueType::Variant);
  EXPECT_EQ(find("SetShift", MemberKind::Method)->args[0].type, ValueType::Single);
  EXPECT_EQ(find("SetPort", MemberKind::Method)->args[0].type, ValueType::Boolean);
  EXPECT_EQ(find("VFO", MemberKind::Get)->result, ValueType::Double);
  EXPECT_EQ(find("CTCSS", MemberKind::Get)->result, ValueType::Single);
  // Only AutoNF has a set, and the ten let/get pairs are separate slots.
  int sets = 0, lets = 0;
  for (const auto& m : Members()) {
    sets += m.kind == MemberKind::Set;
    lets += m.kind == MemberKind::Let;
  }
  EXPECT_EQ(sets, 1);
  EXPECT_EQ(lets, 10);
}

TEST(MemberTable, EveryNameResolvesExactly) {
  for (const auto& m : Members()) {
    const Member* found = FindMember(m.name, m.kind);
    ASSERT_NE(found, nullptr) << m.name;
    EXPECT_EQ(found->slot, m.slot);
  }
  EXPECT_EQ(FindMember("setTXW", MemberKind::Method)->name, "setTXW");
  EXPECT_EQ(FindMember("VFOA_Freq", MemberKind::Get)->name, "VFOA_Freq");
  EXPECT_EQ(FindMember("Nonsense", MemberKind::Get), nullptr);
}

TEST(LateBinding, ConvertsArgumentsAsAScriptingHostDoes) {
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
}

TEST(LateBinding, ReportsBadNamesCountsAndTypes) {
  Rig r;
  auto number = [&](std::string_view name, MemberKind kind, std::vector<Variant> args) {
    try {
      Invoke(*r.rig, name, kind, args);
    } catch (const ComError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(number("Frequency", MemberKind::Get, {}), 438);
  EXPECT_EQ(number("Freq", MemberKind::Let, {Variant(1.0)}), 438);
  EXPECT_EQ(number("AFLevel", MemberKind::Get, {}), 450);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant("x")}), 13);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant(int32_t{70000})}), 6);
  EXPECT_EQ(number("Property", MemberKind::Get, {Variant(int16_t{101})}), 9);
  EXPECT_EQ(number("ChannelMin", MemberKind::Let, {Variant(int32_t{40000})}), 6);
}

TEST(LateBinding, EveryMemberIsReachableByName) {
  // Every member answers through late binding: with arguments of its types it
  // runs, or raises a ComError of its own, never anything else.
  Rig r;
  std::set<std::string> reached;
  for (const auto& m : Members()) {
    if (m.kind == MemberKind::Set) continue;
    std::vector<Variant> args;
    for (const auto& a : m.args) {
      switch (a.type) {
        case ValueType::String:
          args.emplace_back("");
          break;
        case ValueType::Boolean:
          args.emplace_back(VFalse);
          break;
        case ValueType::Double:
          args.emplace_back(0.0);
          break;
        case ValueType::Single:
          args.emplace_back(0.0f);
          break;
        default:
          args.emplace_back(int16_t{0});
          break;
      }
    }
    try {
      Invoke(*r.rig, m.name, m.kind, args);
    } catch (const ComError&) {
    }
    reached.insert(std::string(m.name));
  }
  EXPECT_EQ(reached.size(), 163u);  // 174 slots, 11 of them a second accessor
}

}  // namespace
}  // namespace tovrak::test
