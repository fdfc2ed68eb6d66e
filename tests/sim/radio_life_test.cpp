// The radio between commands: automatic information, power, silence, the
// operator and the band; and the faults of its line. All in radio time.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "sim/sim_support.hpp"

namespace tovrak::sim::test {
namespace {

using Out = std::vector<std::pair<int64_t, std::string>>;  // (time, bytes) as sent

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
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
}

TEST(SimAutoInformation, TheSMeterScanningAndTunerReportThemselves) {
  Bench b;
  EXPECT_EQ(b.exchange("@3000;"), "");
  // The meter moves like a band (reported only when it changes); that it
  // moves the same for the same seed is in the line's seed test.
  EXPECT_GE(count(b.exchange("AI1;@3000;"), "SM0"), 5);
  // A closed squelch never holds the scan: ten steps of 1 kHz a second.
  EXPECT_EQ(count(b.exchange("SQ0255;SC1;@1000;"), "FA0142"), 10);
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'210'000);
  b.exchange("SC0;@1000;");
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'210'000);
  EXPECT_EQ(count(b.exchange("AC002;@1999;"), "AC"), 0);
  EXPECT_EQ(count(b.exchange("@1;"), "AC001;"), 1);
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

  Bench periodic(SimOptions{.silent_every_us = 5'000'000, .silent_for_us = 1'000'000});
  EXPECT_EQ(periodic.exchange("@5500;ID;@500;ID;"), "ID0570;");
}

// ---------------------------------------------------------------- the line

TEST(SimLine, AnswersLeaveAfterTheLatencyInOrder) {
  Bench b(SimOptions{.latency_us = 30'000});
  b.radio.receive("FA;ID;", 0);
  b.radio.advance(29'999);
  EXPECT_TRUE(b.out.empty());
  b.radio.advance(30'000);
  EXPECT_EQ(b.out, (Out{{30'000, "FA014200000;"}, {30'000, "ID0570;"}}));
  EXPECT_EQ(b.radio.next_event_us(), 100'000);  // then only the S-meter is due
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
  EXPECT_EQ(through(split, "FA;FB;", &LineStats::split),
            (Out{{10'000, "FA0142000"}, {14'900, "00;"}, {14'900, "FB00"}, {14'900, "7050000;"}}));
  // Held back at most 40 ms, and the next answer behind it.
  EXPECT_EQ(through({.faults = {.late = 1.0, .late_max_us = 40'000}}, "FA;ID;", &LineStats::late),
            (Out{{25'115, "FA014200000;"}, {25'115, "ID0570;"}}));
}

TEST(SimLine, TheSameSeedGivesTheSameLineAndFaultsCanStop) {
  auto run = [](uint64_t seed) {
    Bench b(SimOptions{
        .seed = seed,
        .latency_us = 5'000,
        .faults = {.drop = 0.1, .garble = 0.1, .split = 0.2, .late = 0.1, .late_max_us = 30'000}});
    const char* queries[] = {"FA;", "IF;", "SM0;", "AG0;", "OI;", "EX095;"};
    for (int i = 0; i < 300; ++i) b.radio.receive(queries[i % 6], i * 20'000);
    b.wait_ms(7'000);
    const LineStats& s = b.radio.line_stats();
    EXPECT_TRUE(s.dropped > 0 && s.garbled > 0 && s.split > 0 && s.late > 0);
    auto line = b.out;
    b.radio.set_line_faults({});
    EXPECT_EQ(b.exchange("FA;ID;@5;"), "FA014200000;ID0570;");
    return line;
  };
  EXPECT_EQ(run(7), run(7));
  EXPECT_NE(run(7), run(8));
}

// ---------------------------------------------------------------- operator and band

using History = std::vector<std::tuple<int64_t, int64_t, char, int, int, int>>;

History operator_history(uint64_t seed, bool on) {
  SimRadio r(SimOptions{.seed = seed, .operator_on = on});
  History h;
  for (int64_t t = 0; t <= 120'000'000; t += 100'000) {
    r.advance(t);
    const RadioState& s = r.state();
    h.emplace_back(s.vfo[0].hz, s.vfo[1].hz, s.receive_mode(), s.rx_vfo, s.rx[0].af, s.rx[0].width);
  }
  return h;
}

TEST(SimOperator, WorksTheRadioReproduciblyFromTheSeedAndComesAndGoes) {
  History a = operator_history(3, true);
  EXPECT_EQ(a, operator_history(3, true));
  EXPECT_NE(a, operator_history(4, true));
  std::set<int64_t> freqs;
  std::set<char> modes;
  for (auto& [fa, fb, md, rx, af, width] : a) {
    freqs.insert(rx ? fb : fa);
    modes.insert(md);
  }
  EXPECT_GT(freqs.size(), 5u);
  EXPECT_GT(modes.size(), 1u);
  History idle = operator_history(3, false);
  EXPECT_EQ(idle.front(), idle.back());

  Bench b(SimOptions{.seed = 5});
  b.radio.set_operator(true, 0);
  std::string told = b.exchange("AI1;@60000;");
  EXPECT_GT(count(told, "FA") + count(told, "FB"), 0);
  EXPECT_EQ(count(told, "?"), 0);
  b.radio.set_operator(false, b.now);
  auto left = b.radio.state().vfo;
  b.wait_ms(60'000);
  EXPECT_EQ(b.radio.state().vfo, left);
}

TEST(SimSMeter, AStationOpensTheSquelchTheAttenuatorLowersItTransmittingShowsTheMeter) {
  Bench b;
  int64_t hz = 0;
  for (int64_t f = 14'000'000; f <= 14'350'000 && hz == 0; f += 1000) {
    if (b.radio.band_signal(f, 2120, 100'000) >= 120) hz = f;
  }
  ASSERT_NE(hz, 0);
  const std::string tune = "FA0" + std::to_string(hz) + ";@100;";
  EXPECT_EQ(b.exchange(tune + "BY;").substr(0, 3), "BY1");
  const int strong = b.radio.state().rx[0].smeter;
  EXPECT_GE(strong, 80);
  EXPECT_EQ(b.exchange("SQ0255;@100;BY;").substr(0, 3), "BY0");

  Bench att;
  att.exchange("RA03;" + tune);
  EXPECT_EQ(att.radio.state().rx[0].smeter, strong - 36);

  Bench tx;
  tx.exchange("PC200;MS0;TX1;@100;");
  EXPECT_EQ(tx.radio.state().rx[0].smeter, 0);
  EXPECT_EQ(tx.exchange("RM01;TX0;RM01;"), "RM01180;RM01000;");
}

}  // namespace
}  // namespace tovrak::sim::test
