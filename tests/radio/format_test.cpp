// The radio layer's writer and the way back: the answers to every query of
// a state whose every field differs from the radio's start, in both
// frequency-digit forms; settings written from values; answers and settings
// stored into a state; and the plain facts (modes, bands, digits).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <utility>

#include "radio/digits.hpp"
#include "radio/format.hpp"
#include "radio/parse.hpp"

namespace tovrak::radio {
namespace {

RadioState Distinct() {
  RadioState s;
  s.vfo = {Vfo{7'123'450, mode::kCwR}, Vfo{21'074'000, mode::kPkt}};
  s.rx_vfo = 1;
  s.channel = 42;
  s.memories[42] = Memory{true, 51'500'000, mode::kFm, 1, 12, 2};
  s.rit = true;
  s.rit_hz = -250;
  Receiver& a = s.rx[0];
  a.af = 17, a.rf = 200, a.squelch = 33, a.roofing = 'A', a.agc = 4, a.att = 3, a.preamp = 2;
  a.antenna = 3, a.rx_antenna = true, a.nb_type = 2, a.nb_level = {0, 11, 222}, a.nr = 1;
  a.nr_level = 15, a.notch = true, a.notch_pos = 400, a.auto_notch = 1, a.narrow = 1;
  a.width = 31, a.if_shift_hz = -1200, a.contour = 2, a.contour_level = 40;
  a.contour_width = 20, a.repeater = 1, a.tone_mode = 2, a.tone = 49, a.smeter = 123;
  a.busy = true;
  Receiver& b = s.rx[1];
  b.af = 5, b.nb_level = {0, 77, 10}, b.tone_mode = 1, b.tone = 7, b.repeater = 2;
  b.if_shift_hz = 35, b.antenna = 2;
  s.dual = 3, s.keyer = false, s.keyer_wpm = 4, s.pitch_step = 15, s.power_level = 200;
  s.mic_gain = 255, s.processor = true, s.vox = true, s.break_in = true;
  s.break_in_delay_ms = 3000, s.monitor = true, s.monitor_level = 7, s.meter = 1, s.tuner = 2;
  s.lock = true, s.fast = true, s.ptt = true, s.spot = true, s.tx_watch = true, s.scan = 2;
  s.ai = 1, s.dimmer = {0, 15, 9, 1};
  s.menu = {{55, 1}, {68, 1000}, {86, -40}, {87, 1}};
  return s;
}

std::string answers(const RadioState& s, int id, const char* queries) {
  std::string out;
  for (std::string_view q = queries; !q.empty();) {
    const size_t end = q.find(' ');
    const std::string_view one = q.substr(0, end);
    out += Answer(s, id, one).value_or("-");
    out += ' ';
    q.remove_prefix(end == std::string_view::npos ? q.size() : end + 1);
  }
  return out;
}

TEST(RadioFormat, EveryQueryOfAStateInBothForms) {
  const RadioState s = Distinct();
  const char* both =
      "MD0 MD1 VS FT MC RT SC AG0 AG1 RG0 SQ0 RF0 GT0 RA0 PA0 BC0 NA NA0 NB0 NR0 OS0 CT0 CN0 RL0 "
      "NL0 NL1 NL BP00 BP01 IS0 IS1 SH0 CO00 CO01 CO02 AN0 AN1 FR VX PR BI KR LK FS TS CS PC KS KP "
      "SD MG TX SM0 SM1 BY ML ML0 ML1 MS RM00 RM01 RM04 AC AI PS DA EX055 EX068 EX069 EX086 EX087 "
      "EX089 EX090 EX095 EX098 EX101 EX104 EX107 EX110 EX113 EX116 AB FA0 AG2 XX";
  EXPECT_EQ(answers(s, 570, both),
            "MD07 MD18 VS1 FT0 MC042 RT1 SC2 AG0017 AG1005 RG0200 SQ0033 RF0A GT04 RA03 PA02 BC01 "
            "NA10 NA01 NB02 NR01 OS01 CT02 CN049 RL015 NL0222 NL1077 NL1077 BP00001 BP01400 "
            "IS0-1200 IS1+0035 SH031 CO0002 CO0140 CO0220 AN031 AN120 FR3 VX1 PR1 BI1 KR0 LK1 FS1 "
            "TS1 CS1 PC200 KS004 KP15 SD3000 MG255 TX1 SM0123 SM1000 BY10 ML0001 ML0001 ML1007 MS1 "
            "RM00123 RM01255 RM04000 AC002 AI1 PS1 DA00150901 EX0551 EX0681000 EX0691000 EX086-40 "
            "EX08701 EX089-15 EX09010 EX09504 EX09804 EX10104 EX10408 EX10704 EX11004 EX11304 "
            "EX11608 - - - - ");
  EXPECT_EQ(answers(s, 570, "ID FA FB IF OI"),
            "ID0570 FA007123450 FB021074000 IF042021074000-02501080107 "
            "OI042007123450-02501702491 ");
  EXPECT_EQ(answers(s, 460, "ID FA FB IF OI"),
            "ID0460 FA07123450 FB21074000 IF04221074000-025010801072 OI04207123450-025010702491 ");

  RadioState memory = s;  // the channel's frequency, mode and tones
  memory.memory_mode = true;
  memory.rx_vfo = 0;
  EXPECT_EQ(answers(memory, 570, "IF OI MD0"),
            "IF042051500000-02501041112 OI042021074000-02501801072 MD04 ");
  EXPECT_EQ(answers(memory, 460, "IF"), "IF04251500000-025010411122 ");
}

// Settings of layouts no answer has (the others are written as their
// answers are; the frequencies as the simulated radio tells a turn of its
// dial).
TEST(RadioFormat, SettingsFromValues) {
  const auto text = [](const char* code, int id, std::initializer_list<int64_t> v,
                       std::string_view t = {}) {
    return SettingText(*FindCommand(code), id, -1, v, t);
  };
  EXPECT_EQ(text("KM", 570, {3}, "CQ"), "KM3CQ");
  EXPECT_EQ(text("MW", 460, {7, 3'573'000, -20, 0, 0, '2', 0, 1, 8, 2}),
            "MW00703573000-002000201082");
  EXPECT_EQ(text("AB", 570, {}), "AB");
}

Message read(std::string_view text, Direction d, int id = 570) {
  Parsed p = Parse(text, d, id);
  EXPECT_TRUE(p) << text << ": " << p.refusal;
  return p.message;
}

// An answer stored into a state is answered back as it was read.
TEST(RadioStore, AnswersAreAnsweredBackAsRead) {
  const struct {
    int id;
    const char* answers;  // the query of each is its code, receiver and item
  } rows[] = {
      {570,
       "FA007123450 FB021074000 MD07 MD1D VS1 FT1 MC042 RT1 SC2 AG0017 RG1200 SQ0033 RF0A GT04 "
       "RA03 PA02 BC01 NA11 NB02 NR01 OS01 CT02 CN049 RL015 NL0222 BP00001 BP11400 IS0-1200 "
       "SH031 CO0002 CO1140 CO0220 AN031 FR3 VX1 PR1 BI1 KR0 LK1 FS1 TS1 CS1 PC200 KS004 KP15 "
       "SD3000 MG255 TX1 SM0123 BY01 ML0001 ML1007 MS1 AC002 AI1 DA00150901 EX0551 EX086-40"},
      {570, "VS0 IF042021074000-02501080107 VS1 OI042007123450-02501702491"},
      {460, "VS0 IF00114200000+000000200002 OI00107050000+000010500002"},
      {460, "IF04251500000-025010411122"},
      {570, "IF042051500000-02501041112"},
  };
  for (const auto& row : rows) {
    RadioState s;
    std::string back;
    std::string_view all = row.answers;
    while (!all.empty()) {
      const size_t end = std::min(all.find(' '), all.size());
      const Message m = read(all.substr(0, end), Direction::kAnswer, row.id);
      EXPECT_TRUE(Store(s, row.id, m)) << all.substr(0, end);
      if (!back.empty()) back += ' ';
      back += Answer(s, row.id, QueryText(*m.command, m.receiver)).value();
      all.remove_prefix(std::min(end + 1, all.size()));
    }
    EXPECT_EQ(back, row.answers);
  }
}

// Where the values land, and what settings do beyond storing a value.
TEST(RadioStore, SettingsLandWhereTheRadioKeepsThem) {
  RadioState s;
  s.rx[1].nb_type = 2;
  for (const char* setting :
       {"AG1077", "NL1100", "KM2HELLO", "AN05", "FT3", "MW00705000000+000000401122", "EX08701"}) {
    Store(s, 570, read(setting, Direction::kCommand));
  }
  const Memory& m = s.memories[7];
  EXPECT_EQ((std::tuple{s.rx[1].af, s.rx[0].af, s.rx[1].nb_level, s.keyer_messages[2],
                        s.rx[0].rx_antenna, s.rx[0].antenna, s.tx_vfo, s.menu[87]}),
            (std::tuple{77, 64, std::array<int, 3>{0, 10, 100}, "HELLO", true, 1, 1, 1}));
  EXPECT_EQ((std::tuple{m.used, m.hz, m.mode, m.tone_mode, m.tone, m.shift}),
            (std::tuple{true, 5'000'000, '4', 1, 12, 2}));

  Store(s, 570, read("AN02", Direction::kCommand));  // a connector: the receive antenna off
  EXPECT_EQ((std::pair{s.rx[0].antenna, s.rx[0].rx_antenna}), (std::pair{2, false}));

  // In memory mode the main receiver's mode is the channel's; choosing a VFO
  // leaves memory mode, being told of one does not.
  s.memory_mode = true;
  s.channel = 7;
  Store(s, 570, read("MD0A", Direction::kCommand));
  EXPECT_EQ((std::pair{s.memories[7].mode, s.vfo[0].mode}), (std::pair{'A', mode::kUsb}));
  Store(s, 570, read("VS1", Direction::kAnswer));
  EXPECT_TRUE(s.memory_mode);
  Store(s, 570, read("VS1", Direction::kCommand));
  EXPECT_FALSE(s.memory_mode);

  // Queries and settings that keep nothing are not stored.
  for (const char* nothing : {"FA", "AB", "KY1", "BS03", "RU0010"}) {
    EXPECT_FALSE(Store(s, 570, read(nothing, Direction::kCommand))) << nothing;
  }
}

TEST(RadioFacts, ModesBandsAndDigits) {
  std::string said;
  for (const char* name : {"usb", "WFM", "LSB", "FM-N", "", "US", "USBX", "U5B"})
    said += std::to_string(ModeNumber(name)) + " ";
  for (int number : {7, 0, -1, 8}) said += std::string(ModeName(number)) + " ";
  EXPECT_EQ(said, "1 7 0 -1 -1 -1 -1 -1 WFM LSB ? ? ");
  EXPECT_EQ(std::string({ModeCode(2, true), ModeCode(5, true), ModeCode(6, true), ModeCode(7, true),
                         ModeCode(3, false), ModeCode(6, false)}),
            "79C458");
  EXPECT_EQ((std::pair{ModeCode(8, false), ModeCode(-1, true)}), (std::pair{'\0', '\0'}));
  EXPECT_EQ(FindModeChar('E'), nullptr);
  EXPECT_EQ(FindModeChar('D')->name, "AM-N");

  // Both edges belong to the band (every band's edges in the table are the
  // core's band test's).
  const std::pair<int64_t, int> edges[] = {{1'499'999, 11}, {1'500'000, 0},   {2'000'000, 0},
                                           {2'000'001, 11}, {54'000'000, 10}, {54'000'001, 11}};
  for (auto [hz, band] : edges) EXPECT_EQ(BandOf(hz), band) << hz;

  // A longer text is kept whole; the sign counts.
  EXPECT_EQ(ZeroPad(5, 3) + " " + ZeroPad(1234, 3) + " " + ZeroPad(-5, 3), "005 1234 0-5");
  EXPECT_EQ(SignPad(0, 4) + " " + SignPad(-20, 4), "+0000 -0020");
  for (const char* no : {"", "12a", "/", ":", " 1"}) EXPECT_FALSE(IsDigits(no)) << no;
  EXPECT_TRUE(IsDigits("0123456789"));
  EXPECT_EQ(DigitsValue("0042"), 42);
  EXPECT_EQ(SkipBlanks(" \r\n\tFA \r"), "FA \r");
  EXPECT_EQ(SkipBlanks(" \r\n"), "");
}

TEST(RadioFacts, QueriesTheRadioTellsOfItself) {
  std::string told;
  for (const std::string& q : ToldQueries()) told += q + " ";
  EXPECT_EQ(told, "FA FB MD0 MD1 VS FT TX SM0 ");
}

}  // namespace
}  // namespace tovrak::radio
