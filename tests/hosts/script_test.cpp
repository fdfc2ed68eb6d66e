// Session scripts: the parser, the printed values and a run on the virtual
// platform.
#include "hosts/cli/script.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>
#include <vector>

#include "hosts/cli/virtual_script_platform.hpp"

namespace tovrak::hosts {
namespace {

std::string run(const std::string& text, std::vector<int>* failed_lines = nullptr) {
  platform::VirtualApartment apt;
  VirtualScriptPlatform platform(apt);
  std::ostringstream out;
  ScriptHooks hooks;
  hooks.failed = [&](int line, const std::string&) {
    if (failed_lines) failed_lines->push_back(line);
  };
  run_script(parse_script(text), platform, out, {}, hooks);
  return out.str();
}

TEST(ScriptParser, ReadsEveryStatementForm) {
  auto s = parse_script(
      "Port = 1  ' a comment\n"
      "\n"
      "? Freq\n"
      "? AFLevel(1)\n"
      "SetRefresh\n"
      "SetTX 14.1, 7   # another comment\n"
      "SetKeyerMessage 1, 2, \"say \"\"hi\"\" # not a comment\"\n"
      "@radio \"FA00014250000;\"\n"
      "@wait 250\n"
      "@clock 86399.5\n"
      "@failopen \"Port in use\"\n");
  ASSERT_EQ(s.size(), 10u);
  EXPECT_EQ(s[0].kind, Statement::Kind::Let);
  EXPECT_EQ(s[0].args[0], Variant(int16_t{1}));
  EXPECT_EQ(s[1].kind, Statement::Kind::Read);
  EXPECT_EQ(s[1].line, 3);
  EXPECT_EQ(s[2].args[0], Variant(int16_t{1}));
  EXPECT_EQ(s[3].kind, Statement::Kind::Call);
  EXPECT_TRUE(s[3].args.empty());
  EXPECT_EQ(s[4].args[0], Variant(14.1));
  EXPECT_EQ(s[4].args[1], Variant(int16_t{7}));
  EXPECT_EQ(s[5].args[2], Variant("say \"hi\" # not a comment"));
  EXPECT_EQ(s[6].text, "FA00014250000;");
  EXPECT_EQ(s[7].number, 250.0);
  EXPECT_EQ(s[8].number, 86399.5);
  EXPECT_EQ(s[8].kind, Statement::Kind::Clock);
  EXPECT_EQ(s[9].text, "Port in use");
}

TEST(ScriptParser, TypesNumbersAsLiteralsAre) {
  auto s = parse_script("X 1, -5, 40000, 3000000000, 2.5, True, False, Empty\n");
  auto& a = s[0].args;
  EXPECT_EQ(a[0].type(), Variant::Type::Integer16);
  EXPECT_EQ(a[1], Variant(int16_t{-5}));
  EXPECT_EQ(a[2], Variant(int32_t{40000}));
  EXPECT_EQ(a[3], Variant(3e9));
  EXPECT_EQ(a[4], Variant(2.5));
  EXPECT_EQ(a[5], Variant(VTrue));
  EXPECT_EQ(a[6], Variant(VFalse));
  EXPECT_TRUE(a[7].empty());
}

TEST(ScriptParser, StopsAtTheFirstBadLineWithItsNumber) {
  auto line_of = [](const std::string& text) {
    try {
      parse_script(text);
    } catch (const ScriptError& e) {
      return e.line();
    }
    return 0;
  };
  EXPECT_EQ(line_of("? Freq\nSetTX 14.1,\n"), 2);
  EXPECT_EQ(line_of("@radio FA;\n"), 1);
  EXPECT_EQ(line_of("\n\n@sleep 5\n"), 3);
  EXPECT_EQ(line_of("Port = \n"), 1);
  EXPECT_EQ(line_of("@radio \"open\n"), 1);
  EXPECT_EQ(line_of("? AFLevel(1\n"), 1);
  EXPECT_EQ(line_of("@clock 90000\n"), 1);
  EXPECT_EQ(line_of("@wait 5\n@wait 86400001\n"), 2);  // beyond a day
  EXPECT_EQ(line_of("@wait 9e15\n"), 1);
  EXPECT_EQ(line_of("1abc\n"), 1);
}

TEST(ScriptOutput, ValuesPrintAsTheyReadBack) {
  // As the scripting host prints them: plain up to 15 significant digits
  // (7 for a Single), an exponent only beyond.
  const std::pair<Variant, const char*> values[] = {
      {Variant(0.03), "0.03"},
      {Variant(60.0), "60"},
      {Variant(88.5f), "88.5"},
      {Variant(600000.0), "600000"},
      {Variant(14.25), "14.25"},
      {Variant(0.5), "0.5"},
      {Variant(-0.001), "-0.001"},
      {Variant(0.1 + 0.2), "0.3"},
      {Variant(123456789012345.0), "123456789012345"},
      {Variant(1e15), "1E+15"},
      {Variant(-1.5e-16), "-1.5E-16"},
      {Variant(1.23456789012345678e17), "1.23456789012346E+17"},
      {Variant(1e-15), "0.000000000000001"},
      {Variant(3e6f), "3000000"},
      {Variant(1e7f), "1E+07"},
      {Variant(14.2f), "14.2"},
      {Variant(VTrue), "True"},
      {Variant("a\"b"), "\"a\"\"b\""},
      {Variant(), "Empty"},
  };
  for (const auto& [value, text] : values) EXPECT_EQ(format_value(value), text);
  EXPECT_EQ(format_bytes("FA;\r\n"), "FA;\\x0D\\x0A");
  EXPECT_EQ(format_time(200'000), "0.200");
  EXPECT_EQ(format_time(12'345'678), "12.346");
}

TEST(ScriptRun, PrintsReadsCallsAndFailures) {
  std::vector<int> failed;
  std::string out =
      run("? Freq\n"
          "? AFLevel(1)\n"
          "? AFLevel(2)\n"
          "? Property(16)\n"
          "ChannelMax = 50\n"
          "? ChannelMax\n"
          "? Nonsense\n"
          "Freq = 1\n",
          &failed);
  EXPECT_EQ(failed, (std::vector<int>{3, 7, 8}));  // each failed call, by its line
  EXPECT_EQ(out,
            "Freq = 0\n"
            "AFLevel(1) = 0\n"
            "AFLevel(2) !! 9 Subscript out of range\n"
            "Property(16) = 127\n"
            "ChannelMax = 50\n"
            "Nonsense !! 438 Object doesn't support this property or method: Nonsense\n"
            "Freq = 1 !! 438 Object doesn't support this property or method: Freq cannot be "
            "assigned\n");
}

}  // namespace
}  // namespace tovrak::hosts
