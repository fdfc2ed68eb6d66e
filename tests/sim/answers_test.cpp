// The simulated radio's commands and answers as a table: each row is a fresh
// radio, the text written to it and everything it answers, in the layouts
// of both identifications (570: 9-digit frequency fields; others: 8).
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/sim_support.hpp"

namespace tovrak::sim::test {
namespace {

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
    // Memories: written (channel, frequency, clarifier, mode, tone mode,
    // tone, shift), recalled on the main receiver, left; channel 0 and an
    // empty channel refused. The memory flag follows the mode character.
    {460,
     "MW01214250000+000000200000;MW01329620000+000000402082;VS1;MC012;IF;MC;VS;MC013;IF;MD0;VM;"
     "IF;MC000;MC050;",
     "IF01214250000+000000210000;MC012;VS0;IF01329620000+000000412082;MD04;"
     "IF01314200000+000000200000;?;?;"},
    {570, "MC005;IF;VM;IF;", "IF005010120000+00000031000;IF005014200000+00000020000;"},
    {570, "MW012014250000+000000200000;MW013029620000+000000402082;VS1;MC012;IF;MC013;IF;VM;IF;",
     "IF012014250000+00000021000;IF013029620000+00000041208;IF013014200000+00000020000;"},
    // The clarifier moves in steps from zero, to at most 9999 Hz.
    {460, "RT1;RC;RU1500;RD0500;IF;RD9999;RD9999;IF;RC;IF;",
     "IF00114200000+100010200000;IF00114200000-999910200000;IF00114200000+000010200000;"},
    // The status cycle's queries after the component's settings.
    {460, "FA14123450;FB07012340;MD07;MD15;FT3;TX1;AC001;AG0123;FA;FB;IF;OI;FT;TX;AC;VS;AG0;ID;AI;",
     "FA14123450;FB07012340;IF00114123450+000000700000;OI00107012340+000000500000;FT1;TX1;AC001;"
     "VS0;AG0123;ID0460;AI0;"},
    {570, "FA14123450;FB07012340;MD07;MD15;FT3;TX1;AC001;AG0123;FA;FB;IF;OI;FT;TX;AC;VS;AG0;ID;AI;",
     "FA014123450;FB007012340;IF001014123450+00000070000;OI001007012340+00000500000;FT1;TX1;AC001;"
     "VS0;AG0123;ID0570;AI0;"},
    // Switched off, the radio hears only "PS1"; on again, automatic
    // information is off.
    {460, "AI1;PS0;FA;PS;FA07000000;PS2;PS1;FA;PS;AI;", "FA14200000;PS1;AI0;"},
    // The tuner tunes for two seconds, then is on.
    {460, "AC002;AC;@1999;AC;@1;AC;", "AC002;AC002;AC001;"},
    // Each blanker type keeps its own level; queries without a receiver
    // digit answer for the receiver in use; the antenna answer.
    {460, "DA03040506;DA;NB01;NL0040;NB02;NL0090;NL0;NB01;NL0;VS1;NA11;NL1077;NA;NL;ML0001;ML;",
     "DA03040506;NL0090;NL0040;NA11;NL1077;ML0001;"},
    {460, "AN03;AN0;AN15;AN1;", "AN030;AN111;"},
    // Transmitter, keyer and setup settings at the ends of their ranges.
    {460,
     "PC255;KS060;KR1;KP15;SD0000;EX0551;BI1;MG100;MS4;ML0001;ML1200;FS1;LK1;PC;KS;KR;KP;SD;EX055;"
     "BI;MG;MS;ML0;ML1;FS;LK;",
     "PC255;KS060;KR1;KP15;SD0000;EX0551;BI1;MG100;MS4;ML0001;ML1200;FS1;LK1;"},
    // What the radio does not take is answered "?;" and changes nothing.
    {460,
     "FA07100000;AG0100;XX;ag0;A;AG2;AG0256;AG01;FA12;FA0000;FA61000000;MD0Z;MD2;SH032;BS12;EX999;"
     "EX086+50;EX08605;IS01500;IS0+1300;KS003;KP16;NA12;FT4;RM07;AN06;BP02;BP01401;CO0141;MW012;"
     "EX11612;PA03;BP00002;KY12;IF0;FA;AG0;DA;",
     "?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;?;FA07100000;AG0100;"
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

// Settings the level and current-VFO sequences read back, written as
// "query|value": the query's answer is the setting itself.
const char* const kSettings[] = {
    "AG0|120",   "AG1|077",   "RG0|055",   "RG1|200",  "PC|128",   "NR0|1",      "NR1|1",
    "RL0|07",    "RL1|12",    "KS|032",    "VX|1",     "PR|1",     "SD|0450",    "FR|2",
    "GT0|3",     "GT1|1",     "RA0|2",     "RA1|3",    "PA0|1",    "PA1|2",      "BC0|1",
    "BC1|1",     "BP00|001",  "BP10|000",  "BP01|040", "BP11|400", "NB0|2",      "NB1|1",
    "IS0|-0500", "IS1|+1000", "SH0|31",    "SH1|05",   "SQ0|128",  "SQ1|030",    "CO00|02",
    "CO10|01",   "EX086|-05", "EX089|+10", "CO01|20",  "CO11|40",  "CO02|15",    "KR|0",
    "NA0|1",     "NA1|1",     "KP|08",     "OS0|2",    "OS1|1",    "RF0|3",      "RF1|7",
    "BI|1",      "NL0|050",   "NL1|123",   "EX055|1",  "ML0|001",  "ML1|050",    "MG|070",
    "MS|3",      "EX095|07",  "EX098|03",  "EX101|02", "EX104|11", "EX107|09",   "EX110|01",
    "EX113|05",  "EX116|00",  "CT0|1",     "CN0|08",   "LK|1",     "EX068|0600", "EX069|1500",
};

class SimSettings : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(BothForms, SimSettings, ::testing::Values(570, 460),
                         [](const auto& info) { return "Id" + std::to_string(info.param); });

TEST_P(SimSettings, EachSettingIsAnsweredAsSet) {
  Bench b(SimOptions{.id = GetParam()});
  for (std::string row : kSettings) {
    const std::string query = row.substr(0, row.find('|'));
    const std::string set = query + row.substr(row.find('|') + 1);
    EXPECT_EQ(b.exchange(set + ";" + query + ";"), set + ";");
  }
}

// Every query the component polls that no setting above answers gets
// exactly one answer that starts with it.
TEST_P(SimSettings, EveryPolledQueryIsAnswered) {
  Bench b(SimOptions{.id = GetParam()});
  for (std::string q :
       {"FA", "FB", "IF",   "FT", "OI",  "TX",  "AC",  "VS",  "SM0",  "SM1", "AI",
        "ID", "BY", "RM00", "FS", "MD0", "MD1", "CT1", "CN1", "CO12", "AN0", "AN1"}) {
    std::string a = b.exchange(q + ";");
    EXPECT_EQ(a.rfind(q, 0), 0u) << q << " -> " << a;
    EXPECT_EQ(std::count(a.begin(), a.end(), ';'), 1) << q << " -> " << a;
  }
  // The S-meter's answers carry its reading.
  const std::string sm = std::to_string(1000 + b.radio.state().rx[0].smeter).substr(1);
  EXPECT_EQ(b.exchange("SM0;RM00;"), "SM0" + sm + ";RM00" + sm + ";");
}

// Settings without a query of their own land in the radio's state.
TEST(SimAnswers, SettingsWithoutAQueryLandInTheState) {
  Bench b;
  EXPECT_EQ(b.exchange("TS1;KM2CQ CQ TEST DE THE STATION ON THE HILLTOP;PB03;"),
            "");  // 40 characters at most
  EXPECT_TRUE(b.radio.state().tx_watch);
  EXPECT_EQ(b.radio.state().keyer_messages[2], "CQ CQ TEST DE THE STATION ON THE HILLTOP");
  EXPECT_EQ(b.radio.state().voice_playing, 3);
}

}  // namespace
}  // namespace tovrak::sim::test
