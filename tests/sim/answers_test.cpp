// Every query the component sends gets an answer whose fields sit exactly
// where the component's decoders read them, in both frequency-field forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "sim/sim_support.hpp"

namespace tovrak::sim::test {
namespace {

class SimAnswers : public ::testing::TestWithParam<int> {
 protected:
  SimAnswers() : b(SimOptions{.id = GetParam()}) {}
  int id() const { return GetParam(); }
  int w() const { return freq_width(id()); }
  Bench b;
};

INSTANTIATE_TEST_SUITE_P(BothForms, SimAnswers, ::testing::Values(570, 460),
                         [](const auto& info) { return "Id" + std::to_string(info.param); });

TEST_P(SimAnswers, StatusCycleFieldsSitWhereTheDecodersReadThem) {
  b.send({"FA" + freq_digits(id(), 14'123'450), "FB" + freq_digits(id(), 7'012'340), "MD07", "MD15",
          "FT3", "TX1", "AC001", "AG0123"});
  ASSERT_EQ(b.take(), "");  // settings are not answered

  std::string fa = b.ask("FA"), fb = b.ask("FB");
  EXPECT_EQ(fa.size(), id() == 570 ? 11u : 10u);
  EXPECT_EQ(fb.size(), fa.size());
  EXPECT_EQ(at(fa, 3, w()), 14'123'450);
  EXPECT_EQ(at(fb, 3, w()), 7'012'340);

  std::string info = b.ask("IF");
  ASSERT_EQ(info.size(), 26u) << info;
  EXPECT_EQ(at(info, 4, 2), 1);  // channel
  EXPECT_EQ(at(info, 6, w()), 14'123'450);
  EXPECT_EQ(ch(info, id() == 570 ? 22 : 21), "7");

  std::string other = b.ask("OI");  // the VFO that is not receiving
  ASSERT_EQ(other.size(), 26u) << other;
  EXPECT_EQ(ch(other, 21), "5");
  EXPECT_EQ(at(other, 6, w()), 7'012'340);

  double ft = at(b.ask("FT"), 3, 1);
  EXPECT_TRUE(ft == 1 || ft == 3) << ft;  // B transmits
  EXPECT_EQ(at(b.ask("TX"), 3, 1), 1);
  EXPECT_EQ(ch(b.ask("AC"), 5), "1");
  EXPECT_EQ(at(b.ask("VS"), 3, 1), 0);
  b.send({"VS1"});
  EXPECT_EQ(at(b.ask("VS"), 3, 1), 1);

  std::string sm = b.ask("SM0");
  ASSERT_EQ(sm.size(), 6u);
  EXPECT_EQ(at(sm, 3, 1), 0);
  EXPECT_EQ(at(sm, 4, 3), b.radio.state().rx[0].smeter);
  std::string rm = b.ask("RM00");  // the meter read: selector 00 is the S-meter
  EXPECT_EQ(ch(rm, 3) + ch(rm, 4), "00");
  EXPECT_EQ(at(rm, 5, 3), b.radio.state().rx[0].smeter);
  EXPECT_EQ(at(b.ask("AG0"), 4, 3), 123);
  EXPECT_EQ(at(b.ask("ID"), 3, 4), id());
  EXPECT_EQ(at(b.ask("AI"), 3, 1), 0);
}

TEST_P(SimAnswers, MemoryModeIsToldInTheInformationAnswer) {
  b.send({"MC005"});
  std::string mem = b.ask("IF");
  ASSERT_EQ(mem.size(), 26u);
  EXPECT_EQ(at(mem, 4, 2), 5);
  EXPECT_EQ(at(mem, 6, w()), 10'120'000);  // what channel 5 holds
  EXPECT_EQ(ch(mem, id() == 570 ? 22 : 21), "3");
  // The memory flag follows the mode character: at 22 in the 8-digit form,
  // at 23 in the 9-digit form, where 22 holds the mode.
  int flag = id() == 570 ? 23 : 22;
  EXPECT_EQ(ch(mem, flag), "1");
  b.send({"VM"});
  EXPECT_EQ(ch(b.ask("IF"), flag), "0");
}

struct Field {
  int pos, len;
  double value;
};
struct Row {
  const char* set;
  const char* query;
  std::vector<Field> fields;
};

// The level sequence (and the settings the current-VFO sequence re-reads):
// a setting, then the query, then where its value must be read.
const std::vector<Row> kLevelRows = {
    {"AG0120", "AG0", {{3, 1, 0}, {4, 3, 120}}},
    {"AG1077", "AG1", {{3, 1, 1}, {4, 3, 77}}},
    {"RG0055", "RG0", {{3, 1, 0}, {4, 3, 55}}},
    {"RG1200", "RG1", {{3, 1, 1}, {4, 3, 200}}},
    {"PC128", "PC", {{3, 3, 128}}},
    {"NR01", "NR0", {{3, 1, 0}, {4, 1, 1}}},
    {"NR11", "NR1", {{3, 1, 1}, {4, 1, 1}}},
    {"RL007", "RL0", {{3, 1, 0}, {4, 2, 7}}},
    {"RL112", "RL1", {{3, 1, 1}, {4, 2, 12}}},
    {"KS032", "KS", {{3, 3, 32}}},
    {"VX1", "VX", {{3, 1, 1}}},
    {"PR1", "PR", {{3, 1, 1}}},
    {"SD0450", "SD", {{3, 4, 450}}},
    {"AN03", "AN0", {{3, 1, 0}, {4, 1, 3}, {5, 1, 0}}},
    {"AN15", "AN1", {{3, 1, 1}, {4, 1, 1}, {5, 1, 1}}},
    {"FR2", "FR", {{3, 1, 2}}},
    {"GT03", "GT0", {{3, 1, 0}, {4, 1, 3}}},
    {"GT11", "GT1", {{3, 1, 1}, {4, 1, 1}}},
    {"RA02", "RA0", {{3, 1, 0}, {4, 1, 2}}},
    {"RA13", "RA1", {{3, 1, 1}, {4, 1, 3}}},
    {"PA01", "PA0", {{3, 1, 0}, {4, 1, 1}}},
    {"PA12", "PA1", {{3, 1, 1}, {4, 1, 2}}},
    {"BC01", "BC0", {{3, 1, 0}, {4, 1, 1}}},
    {"BC11", "BC1", {{3, 1, 1}, {4, 1, 1}}},
    {"BP00001", "BP00", {{3, 1, 0}, {4, 1, 0}, {5, 3, 1}}},
    {"BP10000", "BP10", {{3, 1, 1}, {4, 1, 0}, {5, 3, 0}}},
    {"BP01040", "BP01", {{3, 1, 0}, {4, 1, 1}, {5, 3, 40}}},
    {"BP11400", "BP11", {{3, 1, 1}, {4, 1, 1}, {5, 3, 400}}},
    {"NB02", "NB0", {{3, 1, 0}, {4, 1, 2}}},
    {"NB11", "NB1", {{3, 1, 1}, {4, 1, 1}}},
    {"IS0-0500", "IS0", {{3, 1, 0}, {4, 5, -500}, {5, 4, 500}}},
    {"IS1+1000", "IS1", {{3, 1, 1}, {4, 5, 1000}, {5, 4, 1000}}},
    {"SH031", "SH0", {{3, 1, 0}, {4, 2, 31}}},
    {"SH105", "SH1", {{3, 1, 1}, {4, 2, 5}}},
    {"SQ0128", "SQ0", {{3, 1, 0}, {4, 3, 128}}},
    {"SQ1030", "SQ1", {{3, 1, 1}, {4, 3, 30}}},
    {"CO0002", "CO00", {{3, 1, 0}, {4, 1, 0}, {6, 1, 2}}},
    {"CO1001", "CO10", {{3, 1, 1}, {4, 1, 0}, {6, 1, 1}}},
    {"EX086-05", "EX086", {{3, 3, 86}, {6, 3, -5}}},
    {"EX089+10", "EX089", {{3, 3, 89}, {6, 3, 10}}},
    {"CO0120", "CO01", {{3, 1, 0}, {4, 1, 1}, {5, 2, 20}}},
    {"CO1140", "CO11", {{3, 1, 1}, {4, 1, 1}, {5, 2, 40}}},
    {"CO0215", "CO02", {{4, 1, 2}, {5, 2, 15}}},
    {"KR0", "KR", {{3, 1, 0}}},
    {"NA01", "NA0", {{3, 1, 0}, {4, 1, 1}}},
    {"NA11", "NA1", {{3, 1, 1}, {4, 1, 1}}},
    {"KP08", "KP", {{3, 2, 8}}},
    {"OS02", "OS0", {{3, 1, 0}, {4, 1, 2}}},
    {"OS11", "OS1", {{3, 1, 1}, {4, 1, 1}}},
    {"RF03", "RF0", {{3, 1, 0}, {4, 1, 3}}},
    {"RF17", "RF1", {{3, 1, 1}, {4, 1, 7}}},
    {"BI1", "BI", {{3, 1, 1}}},
    {"NL0050", "NL0", {{3, 1, 0}, {4, 3, 50}}},
    {"NL1123", "NL1", {{3, 1, 1}, {4, 3, 123}}},
    {"EX0551", "EX055", {{3, 3, 55}, {6, 1, 1}}},
    {"ML0001", "ML0", {{3, 1, 0}, {6, 1, 1}}},
    {"ML1050", "ML1", {{3, 1, 1}, {4, 3, 50}}},
    {"MG070", "MG", {{3, 3, 70}}},
    {"MS3", "MS", {{3, 1, 3}}},
    {"EX09507", "EX095", {{3, 3, 95}, {6, 2, 7}}},
    {"EX09803", "EX098", {{6, 2, 3}}},
    {"EX10102", "EX101", {{6, 2, 2}}},
    {"EX10411", "EX104", {{6, 2, 11}}},
    {"EX10709", "EX107", {{6, 2, 9}}},
    {"EX11001", "EX110", {{6, 2, 1}}},
    {"EX11305", "EX113", {{6, 2, 5}}},
    {"EX11600", "EX116", {{6, 2, 0}}},
    {"CT01", "CT0", {{3, 1, 0}, {4, 1, 1}}},
    {"CN008", "CN0", {{3, 1, 0}, {4, 2, 8}}},
    {"LK1", "LK", {{3, 1, 1}}},
    {"EX0680600", "EX068", {{6, 4, 600}}},
    {"EX0691500", "EX069", {{6, 4, 1500}}},
};

TEST_P(SimAnswers, SettingsComeBackWhereTheDecodersReadThem) {
  for (const Row& row : kLevelRows) {
    SCOPED_TRACE(std::string(row.set) + " then " + row.query);
    EXPECT_EQ(b.ask(row.set), "");
    std::string a = b.ask(row.query);
    EXPECT_EQ(a.substr(0, std::strlen(row.query)), row.query);
    for (const Field& f : row.fields) {
      EXPECT_EQ(at(a, f.pos, f.len), f.value) << a << " at " << f.pos;
    }
  }
}

// Each blanker type keeps its own level; "NL" tells the one in use.
TEST_P(SimAnswers, BlankerLevelFollowsTheTypeInUse) {
  b.send({"NB01", "NL0040", "NB02", "NL0090"});
  EXPECT_EQ(at(b.ask("NL0"), 4, 3), 90);
  b.send({"NB01"});
  EXPECT_EQ(at(b.ask("NL0"), 4, 3), 40);
}

// Queries written without a receiver digit answer for the receiver in use.
TEST_P(SimAnswers, BareQueriesAnswerForTheReceiverInUse) {
  b.send({"VS1", "NA11", "NL1077"});
  EXPECT_EQ(b.ask("NA"), "NA11");
  EXPECT_EQ(b.ask("NL"), "NL1077");
  b.send({"ML0001"});
  EXPECT_EQ(b.ask("ML"), "ML0001");
}

// Every query of the status cycle, the level sequence and the current-VFO
// sequence (for both VFOs) gets exactly one answer that starts with it.
TEST_P(SimAnswers, EveryPolledQueryIsAnswered) {
  std::vector<std::string> queries = {
      "FA",    "FB",    "IF",    "FT",    "OI",    "TX",    "AC",    "VS",   "SM0",  "AI",
      "ID",    "AG0",   "AG1",   "RG0",   "RG1",   "PC",    "NR0",   "NR1",  "RL0",  "RL1",
      "KS",    "VX",    "PR",    "SD",    "AN0",   "AN1",   "FR",    "GT0",  "GT1",  "RA0",
      "RA1",   "PA0",   "PA1",   "BC0",   "BC1",   "BP00",  "BP10",  "BP01", "BP11", "NB0",
      "NB1",   "IS0",   "IS1",   "SH0",   "SH1",   "SQ0",   "SQ1",   "CO00", "CO10", "EX086",
      "EX089", "CO01",  "CO11",  "KR",    "NA0",   "NA1",   "KP",    "OS0",  "RF0",  "RF1",
      "BI",    "NL0",   "NL1",   "EX055", "ML0",   "ML1",   "MG",    "MS",   "BY",   "EX095",
      "EX098", "EX101", "EX104", "EX107", "EX110", "EX113", "EX116", "CT0",  "CN0",  "LK",
      "RM00",  "FS",    "CO02",  "MD0",   "MD1",   "OS1",   "CT1",   "CN1",  "CO12", "SM1"};
  for (const char* v : {"0", "1"}) {
    for (const char* q : {"MD", "RG", "NR", "RL", "AN", "GT", "RA", "PA", "BC", "NB",
                          "IS", "SH", "SQ", "NA", "OS", "RF", "NL", "AG", "CT", "CN"}) {
      queries.push_back(std::string(q) + v);
    }
    queries.push_back(std::string("BP") + v + "0");
    queries.push_back(std::string("BP") + v + "1");
    queries.push_back(std::string("CO") + v + "0");
    queries.push_back(std::string("CO") + v + "1");
  }
  for (const auto& q : queries) {
    b.radio.receive(q + ";", b.now);
    std::string a = b.take();
    EXPECT_EQ(a.rfind(q, 0), 0u) << q << " -> " << a;
    EXPECT_EQ(std::count(a.begin(), a.end(), ';'), 1) << q << " -> " << a;
  }
}

}  // namespace
}  // namespace tovrak::sim::test
