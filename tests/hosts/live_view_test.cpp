// The live screen of the monitor: settings shown once the radio reported
// them, replies wrapped to the width and paged from their first line.
#include "hosts/cli/live_view.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "support/station_bench.hpp"

namespace tovrak::hosts {
namespace {

std::vector<std::string> rows(const std::string& screen) {
  std::vector<std::string> out;
  std::istringstream in(screen);
  for (std::string l; std::getline(in, l);) out.push_back(l.substr(0, l.find("\x1b[K")));
  return out;
}

TEST(LiveView, WrapBreaksAtSpacesByCharacters) {
  const std::tuple<const char*, int, std::vector<std::string>> table[] = {
      {"short", 10, {"short"}},
      {"one two three four", 9, {"one two", "  three", "  four"}},
      {"abcdefghijkl", 5, {"abcde", "  fgh", "  ijk", "  l"}},  // no space: cut
      {"——— ———", 5, {"———", "  ———"}},                         // characters, not bytes
      {"  lead then", 6, {"  lead", "  then"}},                 // leading spaces kept
      {"exactly ten", 11, {"exactly ten"}},
      {"abcdef", 1, {"abcd", "  ef"}},  // narrower than the indent: a column past it
  };
  for (const auto& [text, width, lines] : table) EXPECT_EQ(wrap(text, width, "  "), lines) << text;
}

TEST(LiveView, SMeterInSUnitsAndA30ColumnBar) {
  const std::pair<int16_t, std::string> rows[] = {
      {-3, "[------------------------------] S0"},
      {13, "[#-----------------------------] S1"},
      {100, "[###########-------------------] S8"},
      {120, "[##############----------------] S9"},
      {121, "[##############----------------] S9+0 dB"},
      {122, "[##############----------------] S9+1 dB"},
      {300, "[##############################] S9+60 dB"},
  };
  for (const auto& [raw, shown] : rows) EXPECT_EQ(s_meter_bar(raw), shown) << raw;
}

TEST(LiveView, SettingsShowWhatTheRadioReported) {
  test::StationBench b;
  LiveView view(b.station.rig(), "test");
  b.station.on_read([&](std::string_view bytes) { view.on_read(0, bytes); });
  b.station.on_write([&](std::string_view bytes) { view.on_write(0, bytes); });
  b.open();
  auto screen = rows(view.render(1, 80, 23));
  EXPECT_EQ(screen[6], " AF —/—  RF —  SQ —  AGC —  Att —  PreAmp —  NB —  NR —  Notch —");
  int16_t power = 50;  // a setting written is known too
  b.station.rig().SetRFPower(power);
  b.apt.advance_ms(300);
  EXPECT_EQ(rows(view.render(2, 80, 23))[7].substr(0, 20), " Power 50  Keyer —");
  view.toggle_panel();  // the control panel in the wire's place
  EXPECT_EQ(rows(view.render(2, 80, 23))[10],
            " > [        ]  Set  Delay between Polling Commands   now 10");
  view.toggle_panel();
  b.station.rig().PollLevels();
  b.apt.advance_ms(15'000);
  screen = rows(view.render(16, 80, 23));
  EXPECT_EQ(screen[6], " AF 64/64  RF 255  SQ 0  AGC 2  Att 0  PreAmp 0  NB 0  NR off  Notch off");
  // The radio's answer to the 50 set: its level 63, which reads 49.
  EXPECT_EQ(screen[7],
            " Power 49  Keyer 25 wpm  Pitch 700 Hz  Mic 50  VOX off  Tuner off  Lock off");
}

TEST(LiveView, LongRepliesStartAtTheirFirstLineAndPage) {
  test::StationBench b;
  LiveView view(b.station.rig(), "test");
  view.render(0, 40, 23);  // 5 reply rows, at row 18
  std::vector<std::string> reply;
  for (int i = 1; i <= 12; ++i) reply.push_back("line " + std::to_string(i));
  view.reply(0, reply);
  auto shown = [&](int height) {
    auto s = rows(view.render(0, 40, height));
    return std::vector<std::string>(s.end() - 6, s.end());
  };
  EXPECT_EQ(shown(23),
            (std::vector<std::string>{"    0.00  line 1", "    0.00  line 2", "    0.00  line 3",
                                      "    0.00  line 4", "    0.00  line 5",
                                      " -- 7 more lines: PgDn pages on, PgUp ba"}));
  view.page(-1);
  EXPECT_EQ(shown(23)[0], "    0.00  line 5");
  view.page(-5);  // not past the end
  EXPECT_EQ(shown(23)[4], "    0.00  line 12");
  view.note(0, "line 13");  // at the end, the newest line shows
  EXPECT_EQ(shown(23)[4], "    0.00  line 13");
  view.page(1);
  view.note(0, "line 14");  // paged back, the lines looked at stay
  EXPECT_EQ(shown(23)[0], "    0.00  line 5");
  view.page(9);  // nor before the start
  EXPECT_EQ(shown(23)[0], "    0.00  line 1");
  view.toggle_large_replies();  // the replies take the screen
  auto large = rows(view.render(0, 40, 23));
  EXPECT_EQ(large[0], " CAT off, port closed");
  EXPECT_EQ(large[1], "    0.00  line 1");
  EXPECT_EQ(large[12], "    0.00  line 12");
  // A long line wraps under its text.
  view.reply(0, {"a reply of many words that does not fit"});
  large = rows(view.render(0, 40, 23));
  EXPECT_EQ(large[15], "    0.00  a reply of many words that");
  EXPECT_EQ(large[16], "          does not fit");
}

}  // namespace
}  // namespace tovrak::hosts
