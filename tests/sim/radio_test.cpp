// The simulated radio on a test bench, in radio time: its commands and
// answers as a table in the layouts of both identifications (570: 9-digit
// frequency fields), what it does between commands, and its line's faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "hosts/sim/sim_radio.hpp"

namespace tovrak::sim::test {
namespace {

using Out = std::vector<std::pair<int64_t, std::string>>;  // (time, bytes) as sent

// Commands in, answers out, each answer with the radio time it left at.
struct Bench {
  SimRadio radio;
  int64_t now = 0;
  Out out;

  explicit Bench(SimOptions o = {}) : radio(o) {
    radio.on_send([this](std::string_view b) { out.emplace_back(radio.now_us(), std::string(b)); });
  }

  std::string take() {
    std::string all;
    for (auto& [t, b] : out) all += b;
    out.clear();
    return all;
  }
  // Writes the text at the bench's time, a command a write (as in Exchange);
  // returns all the radio sent meanwhile.
  std::string exchange(std::string_view text) {
    take();
    while (!text.empty()) {
      std::string_view cmd =
          text.substr(0, std::min(text.find_first_of(";|"), text.size() - 1) + 1);
      text.remove_prefix(cmd.size());
      if (cmd.ends_with('|')) cmd.remove_suffix(1);
      if (cmd.starts_with('@')) {
        wait_ms(std::stoll(std::string(cmd.substr(1))));
      } else {
        radio.receive(cmd, now);
      }
    }
    return take();
  }
  void wait_ms(int64_t ms) {
    now += ms * 1000;
    radio.advance(now);
  }
};

struct Exchange {
  int id;
  const char* text;  // "@N;" waits N ms, "|" ends a write
  const char* answers;
};

// A fresh radio: VFO A 14.2 MHz USB, VFO B 7.05 MHz LSB, channels 1-6 stored.
const Exchange kExchanges[] = {
    // Either frequency digit form is hertz; answers take the radio's form.
    {460, "FA21074000;FB03573000;FA;FB;FA14250010;IF;FB018100000;FB;",
     "FA21074000;FB03573000;IF00114250010+000000200000;FB18100000;"},
    {570, "FA14250010;FA;IF;FB018100000;FB;",
     "FA014250010;IF001014250010+00000020000;FB018100000;"},
    // Modes per VFO; the information answer tells the receiving VFO's, the
    // other-VFO answer the other's.
    {460, "MD07;MD15;MD0;IF;OI;", "MD07;IF00114200000+000000700000;OI00107050000+000000500000;"},
    {570, "MD07;MD15;MD0;IF;OI;", "MD07;IF001014200000+00000070000;OI001007050000+00000500000;"},
    {460,
     "MD01;MD0;MD02;MD0;MD03;MD0;MD04;MD0;MD05;MD0;MD06;MD0;MD07;MD0;MD08;MD0;MD09;MD0;MD0A;MD0;"
     "MD0B;MD0;MD0C;MD0;MD1D;MD1;OI;",
     "MD01;MD02;MD03;MD04;MD05;MD06;MD07;MD08;MD09;MD0A;MD0B;MD0C;MD1D;"
     "OI00107050000+000000D00000;"},
    // Receive and transmit VFO make the split; IF follows the receiving VFO.
    {460, "FA07010000;FB07020000;VS0;FT3;FT;FT2;FT;FT3;VS1;VS;IF;OI;VS0;IF;",
     "FT1;FT0;VS1;IF00107020000+000000100000;OI00107010000+000000200000;"
     "IF00107010000+000000200000;"},
    // Copy and exchange of the VFOs; band select keeps each band's last frequency.
    {460, "FA14000000;MD02;FB07000000;MD11;SV;FA;MD0;AB;FB;FB10100000;BA;FA;",
     "FA07000000;MD01;FB07000000;FA10100000;"},
    {460, "FA07123000;BS05;FA;FA14070000;BS03;FA;BS05;FA;", "FA14200000;FA07123000;FA14070000;"},
    // Each band starts on its own frequency; band 11 is all the rest.
    {460,
     "BS00;FA;BS01;FA;BS02;FA;BS03;FA;BS04;FA;BS05;FA;BS06;FA;BS07;FA;BS08;FA;BS09;FA;BS10;FA;BS11;"
     "FA;",
     "FA01840000;FA03700000;FA05357000;FA07050000;FA10120000;FA14200000;FA18100000;FA21200000;"
     "FA24940000;FA28500000;FA50150000;FA15000000;"},
    // Memories: written (channel, frequency, clarifier, mode, tone mode,
    // tone, shift), recalled on the main receiver, left; channel 0 and an
    // empty channel refused. The memory flag follows the mode character.
    {460,
     "MW01214250000+000000200000;MW01329620000+000000402082;VS1;MC012;IF;MC;VS;MC013;IF;MD0;VM;"
     "IF;MC000;MC050;",
     "IF01214250000+000000210000;MC012;VS0;IF01329620000+000000412082;MD04;"
     "IF01314200000+000000200000;?;?;"},
    {570, "MC001;IF;MC002;IF;MC003;IF;MC004;IF;MC005;IF;MC006;IF;VM;IF;",
     "IF001007050000+00000011000;IF002014200000+00000021000;IF003003700000+00000011000;"
     "IF004029620000+00000041208;IF005010120000+00000031000;IF006051000000+00000041112;"
     "IF006014200000+00000020000;"},
    // Memories are neither band-switched nor scanned.
    {460, "MC001;SC0;IF;BS05;SC1;", "IF00107050000+000000110000;?;?;"},
    // The clarifier moves in steps from zero, to at most 9999 Hz either way.
    {460, "RT1;RC;RU1500;RD0500;IF;RD9999;RD9999;IF;RU9999;RU9999;IF;",
     "IF00114200000+100010200000;IF00114200000-999910200000;IF00114200000+999910200000;"},
    // Scanning (squelch closed) steps 1 kHz each 100 ms and wraps at the ends
    // of the band, or of the radio's range outside the bands.
    {460,
     "SQ0255;FA14499000;SC1;@200;FA;SC0;FA14001000;SC2;@200;FA;SC0;FA59999000;SC1;@200;FA;SC0;"
     "FA00031000;SC2;@200;SC0;FA;",
     "FA14000000;FA14500000;FA00030000;FA60000000;"},
    // Switched off, the radio hears only "PS1"; on again, automatic
    // information is off; a tuning the power cut leaves the tuner on.
    {460, "AC002;AI1;PS0;FA;PS;FA07000000;PS2;PS1;FA;PS;AI;AC;", "FA14200000;PS1;AI0;AC001;"},
    // Scanning and the tuner report themselves.
    {570, "SQ0255;RA03;RG0255;@100;AI1;SC1;@300;SC0;@1000;AC002;@2000;",
     "FA014201000;FA014202000;FA014203000;AC001;"},
    // The tuner tunes for two seconds, then is on.
    {460, "AC002;AC;@1999;AC;@1;AC;", "AC002;AC002;AC001;"},
    // Each blanker type keeps its own level; queries without a receiver
    // digit answer for the receiver in use; the antenna answer.
    {460, "DA03040506;DA;NB01;NL0040;NB02;NL0090;NL0;NB01;NL0;VS1;NA11;NL1077;NA;NL;ML0001;ML;",
     "DA03040506;NL0090;NL0040;NA11;NL1077;ML0001;"},
    {460, "AN03;AN0;AN15;AN1;", "AN030;AN111;"},
    // The meters carry their reading; the other receiver has answers of its own.
    {460, "SM0;RM00;SM1;CT1;CN1;CO12;", "SM0030;RM00030;SM1030;CT10;CN100;CO1210;"},
    // The transmit meter reads what "MS" chooses, while transmitting.
    {460,
     "PC200;MG100;PR1;TX1;MS0;RM01;MS1;RM01;MS2;RM01;MS3;RM01;MS4;RM01;MS5;RM01;PR0;MS4;RM01;TX0;"
     "RM01;",
     "RM01180;RM01100;RM01096;RM01020;RM01080;RM01040;RM01000;RM01000;"},
    // Transmitter, keyer and setup settings at the ends of their ranges.
    {460,
     "PC255;KS060;KR1;KP15;SD0000;EX0551;BI1;MG100;MS4;ML0001;ML1200;FS1;LK1;PC;KS;KR;KP;SD;EX055;"
     "BI;MG;MS;ML0;ML1;FS;LK;",
     "PC255;KS060;KR1;KP15;SD0000;EX0551;BI1;MG100;MS4;ML0001;ML1200;FS1;LK1;"},
    // What the radio does not take is answered "?;" and changes nothing.
    {460,
     "FA07100000;AG0100;XX;ag0;A;AG2;AG0256;AG01;FA12;FA0000;FA61000000;MD0Z;MD2;SH032;BS12;EX999;"
     "EX086+50;EX08605;IS01500;IS0+1300;KS003;KP16;NA12;FT4;RM07;AN06;BP02;BP01401;CO0141;MW012;"
     "EX11612;PA03;BP00002;KY12;DA07071607;IF0;FA;AG0;DA;",
     "?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;FA07100000;AG0100;"
     "DA07070707;"},
    {570, "FA061000000;FA;", "?;FA014200000;"},
    // Line ends and empty commands before a code are skipped; a command is
    // cut at its terminator across writes.
    {570, "\r\nID;;F|A;F|B;", "ID0570;FA014200000;FB007050000;"},
};

TEST(SimAnswers, CommandsAndAnswers) {
  for (const Exchange& row : kExchanges) {
    Bench b(SimOptions{.id = row.id});
    EXPECT_EQ(b.exchange(row.text), row.answers) << row.id << ": " << row.text;
  }
}

// Settings the component's polls read back, each "query|value": the query's
// answer is the setting itself.
const char* const kSettings =
    "AG0|120 AG1|077 RG0|055 RG1|200 PC|128 NR0|1 NR1|1 RL0|07 RL1|12 KS|032 VX|1 PR|1 SD|0450 "
    "FR|2 GT0|3 GT1|1 RA0|2 RA1|3 PA0|1 PA1|2 BC0|1 BC1|1 BP00|001 BP10|000 BP01|040 BP11|400 "
    "NB0|2 NB1|1 IS0|-0500 IS1|+1000 SH0|31 SH1|05 SQ0|128 SQ1|030 CO00|02 CO10|01 EX086|-05 "
    "EX089|+10 CO01|20 CO11|40 CO02|15 KR|0 NA0|1 NA1|1 KP|08 OS0|2 OS1|1 RF0|3 RF1|7 BI|1 "
    "NL0|050 NL1|123 EX055|1 ML0|001 ML1|050 MG|070 MS|3 EX095|07 EX098|03 EX101|02 EX104|11 "
    "EX107|09 EX110|01 EX113|05 EX116|00 CT0|1 CN0|08 LK|1 EX068|0600 EX069|1500 AC|001 TX|1";

class SimSettings : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(BothForms, SimSettings, ::testing::Values(570, 460),
                         [](const auto& info) { return "Id" + std::to_string(info.param); });

TEST_P(SimSettings, EachSettingIsAnsweredAsSet) {
  Bench b(SimOptions{.id = GetParam()});
  std::istringstream rows(kSettings);
  for (std::string row; rows >> row;) {
    const std::string query = row.substr(0, row.find('|'));
    const std::string set = query + row.substr(row.find('|') + 1);
    EXPECT_EQ(b.exchange(set + ";" + query + ";"), set + ";");
  }
}

TEST(SimAnswers, SettingsWithoutAQueryLandInTheState) {
  Bench b;
  EXPECT_EQ(b.exchange("TS1;KM2CQ CQ TEST DE THE STATION ON THE HILLTOP;PB03;"),
            "");  // 40 characters at most
  EXPECT_TRUE(b.radio.state().tx_watch);
  EXPECT_EQ(b.radio.state().keyer_messages[2], "CQ CQ TEST DE THE STATION ON THE HILLTOP");
  EXPECT_EQ(b.radio.state().voice_playing, 3);
}

TEST(SimAutoInformation, OwnChangesAreReportedOnlyWhileOn) {
  Bench b;
  EXPECT_TRUE(b.radio.turn_dial(500, 0));
  EXPECT_EQ(b.take(), "");
  b.exchange("AI1;");
  b.radio.turn_dial(-1000, 0);
  b.radio.set_mode(mode::kCw, 0);
  b.radio.panel("AG0200", 0);
  b.radio.select_vfo(1, 0);
  b.radio.panel("ID", 0);      // reported, not also answered
  b.radio.set_split(true, 0);  // receiving on B, A transmits
  EXPECT_EQ(b.take(), "FA014199500;MD03;AG0200;VS1;IF001007050000+00000010000;ID0570;FT0;");
  // Settings made over CAT are the component's own: not reported.
  EXPECT_EQ(b.exchange("FA007000000;MD12;AI0;"), "");
  b.radio.turn_dial(100, 0);
  EXPECT_EQ(b.take(), "");

  // A locked dial or a memory does not tune; the panel refuses what the
  // radio cannot do.
  b.exchange("LK1;");
  EXPECT_FALSE(b.radio.turn_dial(1000, 0));
  b.exchange("LK0;MC001;");
  EXPECT_FALSE(b.radio.turn_dial(1000, 0));
  EXPECT_FALSE(b.radio.panel("SH040", 0));
  EXPECT_FALSE(b.radio.select_vfo(2, 0));
}

// What the radio tells of each change made by hand: the answers to the
// queries that would ask for it, and nothing for what no query asks.
TEST(SimAutoInformation, ChangesByHandAreToldAsTheirQueriesWouldAnswer) {
  Bench b;
  b.exchange("AI1;");
  // Each "setting|told".
  std::istringstream rows(
      "RT1|IF001014200000+00001020000; RU0100|IF001014200000+01001020000; "
      "RD0050|IF001014200000+00501020000; RC|IF001014200000+00001020000; "
      "MC002|IF002014200000+00001021000; VM|IF002014200000+00001020000; "
      "AB|FA014200000;FB014200000;MD02;MD12; BA|FA014200000;FB014200000;MD02;MD12; "
      "SV|FA014200000;FB014200000;MD02;MD12; VS1|VS1;IF002014200000+00001020000; "
      "BS03|FB007050000; EX0551|EX0551; BP01040|BP01040; ML1100|ML1100; KY1| KM1CQ| PB01| "
      "MW00307000000+000000100000| PS1| ");
  for (std::string row; rows >> row;) {
    const std::string setting = row.substr(0, row.find('|'));
    EXPECT_TRUE(b.radio.panel(setting, 0)) << setting;
    EXPECT_EQ(b.take(), row.substr(row.find('|') + 1)) << setting;
  }
}

TEST(SimPower, AnswersOnTheirWayAreLostAndCyclesComeFromOutsideOrByThemselves) {
  Bench b(SimOptions{.latency_us = 50'000});
  EXPECT_EQ(b.exchange("FA;@10;PS0;@10;PS1;@100;"), "");

  Bench c;
  c.exchange("AI1;SC1;");
  c.radio.power_cycle(0, 1'000'000);
  EXPECT_EQ(c.exchange("ID;@1000;ID;AI;SC;"), "ID0570;AI0;SC0;");  // nor does it scan

  Bench p(SimOptions{.power_cycle_every_us = 10'000'000, .power_off_for_us = 2'000'000});
  EXPECT_EQ(p.exchange("@10500;ID;@1500;ID;"), "ID0570;");

  // Switched on by hand before the cycle's end: the cycle does not switch it
  // on again later, which would turn automatic information off.
  Bench h;
  h.radio.power_cycle(0, 1'000'000);
  const std::string got = h.exchange("PS1;@100;AI1;@2000;AI;");
  EXPECT_TRUE(got.ends_with("AI1;")) << got;
}

TEST(SimSilence, NeitherHearsNorAnswersForItsSpan) {
  Bench b;
  b.radio.receive("A", 0);
  b.radio.go_silent(0, 1'000'000);
  // What it did not hear it did not do; the "A" before the silence is forgotten.
  EXPECT_EQ(b.exchange("AG0100;ID;@1000;AG0;ID;"), "AG0064;ID0570;");

  Bench late(SimOptions{.latency_us = 100'000});
  late.radio.receive("ID;", 0);
  late.radio.go_silent(50'000, 100'000);
  EXPECT_EQ(late.exchange("@500;"), "");  // its answer was due during the silence

  // An answer due as a silence starts still leaves.
  Bench periodic(
      SimOptions{.latency_us = 100'000, .silent_every_us = 5'000'000, .silent_for_us = 1'000'000});
  EXPECT_EQ(periodic.exchange("@4900;ID;@600;ID;@500;ID;@100;"), "ID0570;ID0570;");
}

// Each fault alone, on every answer (seed 1): what arrives, and when; each
// answer is counted as its fault.
TEST(SimLine, EachFault) {
  const auto through = [](SimOptions o, const char* text, int64_t LineStats::*counted) {
    Bench b(o);
    b.radio.receive(text, 0);
    b.radio.advance(100'000);
    EXPECT_EQ(b.radio.line_stats().*counted, b.radio.line_stats().answers) << text;
    return b.out;
  };
  EXPECT_EQ(through({.faults = {.drop = 1.0}}, "FA;ID;", &LineStats::dropped), Out{});
  // One byte of each answer changed, the length kept.
  EXPECT_EQ(through({.faults = {.garble = 1.0}}, "FA;IF;ID;SM0;EX086;", &LineStats::garbled),
            (Out{{0, "FA0142@0000;"},
                 {0, "IF001014200000+00@00020000;"},
                 {0, "~D0570;"},
                 {0, "SM003a;"},
                 {0, "EX08u-15;"}}));
  // The second piece at most the gap later, the next answer behind it.
  const SimOptions split{.latency_us = 10'000, .faults = {.split = 1.0, .split_gap_us = 5'000}};
  EXPECT_EQ(through(split, "FA;X;", &LineStats::split),
            (Out{{10'000, "FA0142000"}, {14'900, "00;"}, {14'900, "?"}, {14'900, ";"}}));
  // Held back at most 40 ms, and the next answer behind it.
  EXPECT_EQ(through({.faults = {.late = 1.0, .late_max_us = 40'000}}, "FA;ID;", &LineStats::late),
            (Out{{25'115, "FA014200000;"}, {25'115, "ID0570;"}}));
}

// The line's faults follow from the seed: the first answers of seed 7 as
// recorded, and a line without faults from then on.
TEST(SimLine, TheSeedGivesTheLineAndFaultsCanStop) {
  Bench b(SimOptions{
      .seed = 7,
      .latency_us = 5'000,
      .faults = {.drop = 0.1, .garble = 0.1, .split = 0.2, .late = 0.1, .late_max_us = 30'000}});
  const char* queries[] = {"FA;", "IF;", "SM0;", "AG0;", "OI;", "EX095;"};
  for (int i = 0; i < 300; ++i) b.radio.receive(queries[i % 6], i * 20'000);
  b.wait_ms(7'000);
  EXPECT_EQ(Out(b.out.begin(), b.out.begin() + 8), (Out{{5000, "FA01420000"},
                                                        {23112, "0;"},
                                                        {25000, "IF00101420000"},
                                                        {28763, "0+00000020000;"},
                                                        {45000, "SM"},
                                                        {45234, "0021;"},
                                                        {65000, "AG0064;"},
                                                        {85000, "OI001007050000+00000100000;"}}));
  b.radio.set_line_faults({});
  EXPECT_EQ(b.exchange("FA;ID;@5;"), "FA014200000;ID0570;");
}

// What the operator of seed 10 does in five minutes, as the radio tells it
// with automatic information on ("ms:report"; a turn of the dial told by its
// first step, the meter's and the busy flag's reports left out). The radio is
// switched off and on in the middle of a turn at 206.5 s (the turn is not
// taken up again); the operator leaves at 240 s and comes back at 250 s.
TEST(SimOperator, WorksTheRadioFromTheSeedAndComesAndGoes) {
  Bench b(SimOptions{.seed = 10, .operator_on = true});
  b.radio.receive("AI1;", 0);
  b.wait_ms(206'500);
  b.radio.power_cycle(b.now);
  b.radio.receive("AI1;", b.now);
  b.wait_ms(33'500);
  b.radio.set_operator(false, b.now);
  b.wait_ms(10'000);
  b.radio.set_operator(true, b.now);
  b.wait_ms(50'000);
  // The meter is told as it moves.
  EXPECT_EQ(Out(b.out.begin(), b.out.begin() + 3),
            (Out{{300'000, "SM0022;"}, {600'000, "SM0021;"}, {900'000, "SM0023;"}}));
  std::string told, code = "-";
  int64_t at = 0;
  for (const auto& [t, r] : b.out) {
    if (r.starts_with("SM") || r.starts_with("BY")) continue;
    const bool step = r.starts_with(code) && t - at <= 200'000;
    code = r.substr(0, 2);
    at = t;
    if (!step) told += std::to_string(t / 1000) + ":" + r + " ";
  }
  EXPECT_EQ(
      told,
      "3973:SQ0000; 5995:MD01; 7550:FA014200010; 8502:IS0-0960; 11031:FA014200580; "
      "11858:AN020; 13809:MD03; 17898:FA014202630; 18856:FT1; 21770:NR01; 29689:AG0099; "
      "31460:AG0139; 36975:VS1; 36975:IF001007050000+00000010000; 41956:FB007050100; "
      "46822:VS0; 46822:IF001014202930+00000030000; 48800:FA014202680; 50939:SH004; "
      "57848:IS0+0360; 60317:FA014200620; 60878:AG0172; 67835:FA014200540; 68695:IS0+0420; "
      "72785:NB02; 74601:PA00; 76377:NB02; 82222:NR00; 87694:FA014200140; 88706:SQ0027; "
      "92793:AG0194; 95628:FA014199810; 96300:SH011; 103571:NB01; 106311:PA00; 110250:NA01; "
      "114158:FA014199870; 115417:KS017; 117805:RG0106; 123177:FA014199690; 125493:PC116; "
      "132119:FA014198670; 132742:MD03; 134679:SQ0000; 137064:FA014198580; 139170:NR01; "
      "144786:FA014195930; 145584:NR00; 148711:NR01; 156218:FA014190930; 156823:NB02; "
      "161889:VS1; 161889:IF001007042430+00000010000; 166862:AG0167; 171477:VS0; "
      "171477:IF001014185930+00000030000; 179219:FA014186930; 179899:VS1; "
      "179899:IF001007042430+00000010000; 184652:RG0000; 188427:NA00; 193457:AG0156; "
      "197987:MD13; 200107:MD1C; 202402:SH000; 206041:FB007042420; 209536:FB007042440; "
      "210396:NR00; 215676:VS0; 215676:IF001014191930+00000030000; 221030:RA03; 227666:KS036; "
      "229415:MD05; 235277:FA014192430; 235738:KS022; 253133:SH015; 260138:MD08; "
      "267426:FA014193950; 268409:SH030; 272016:RA03; 275130:FA018100000; 280251:MD05; "
      "286027:FA018099990; 286324:SH029; 289258:SH000; 294590:AN020; 299239:VS1; "
      "299239:IF001007046490+000000C0000; ");
}

constexpr int64_t kStation = 14'026'000;  // a station of seed 1's band

// The band of seed 1 about a station, as the S-meter sees it before the
// receiver's settings: 13 points 250 Hz apart, for a passband, at a time.
TEST(SimSMeter, TheBandHasStationsThatFadeAndTakeTurns) {
  const SimRadio r;
  const std::tuple<int64_t, int, int64_t, const char*> rows[] = {
      {kStation - 1500, 2120, 100'000, "30 114 185 185 185 185 185 185 185 185 185 114 30 "},
      {kStation - 1500, 500, 100'000, "30 30 30 30 92 185 185 185 92 30 30 30 30 "},
      {kStation - 1500, 0, 1'500'000, "28 28 28 28 43 152 218 152 43 28 28 28 28 "},
      {kStation - 1500, 2120, 1'500'000, "28 135 218 218 218 218 218 218 218 218 218 135 28 "},
      {kStation - 1500, 2120, 4'000'000, "23 23 23 23 23 23 23 23 23 23 23 23 23 "},  // listening
      {15'085'500, 500, 100'000, "30 30 30 30 49 98 98 98 49 30 30 30 30 "},  // outside the bands
  };
  for (auto [from, width, at, levels] : rows) {
    std::string seen;
    for (int i = 0; i < 13; ++i)
      seen += std::to_string(r.band_signal(from + 250 * i, width, at)) + " ";
    EXPECT_EQ(seen, levels) << from << " " << width << " " << at;
  }
}

// What the receiver makes of it 700 Hz beside the station: the meter and the
// busy flag 100 ms after tuning, per setting; transmitting shows no signal.
TEST(SimSMeter, TheReceiversSettingsShapeTheReading) {
  const std::pair<const char*, const char*> rows[] = {{"", "SM0185;BY10;"},
                                                      {"SQ0255;", "SM0185;BY00;"},
                                                      {"RA03;", "SM0149;BY10;"},
                                                      {"PA02;RG0090;", "SM0175;BY10;"},
                                                      {"SH005;", "SM0074;BY10;"},
                                                      {"MD03;", "SM0157;BY10;"},
                                                      {"NA01;", "SM0122;BY10;"},
                                                      {"SH004;RG0030;", "SM0041;BY10;"},
                                                      {"SH000;RA03;", "SM0000;BY00;"},
                                                      {"PC200;MS0;TX1;", "SM0000;BY00;"}};
  for (auto [setting, told] : rows) {
    Bench b;
    EXPECT_EQ(b.exchange(setting + ("FA0" + std::to_string(kStation + 700)) + ";@100;SM0;BY;"),
              told)
        << setting;
  }
}

}  // namespace
}  // namespace tovrak::sim::test
