// The radio between commands: automatic information, power, silence, the
// faults of the line, the operator and the band; all in radio time.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "sim/sim_support.hpp"

namespace tovrak::sim::test {
namespace {

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

// A frequency where a station is heard at time t (for a 2.1 kHz passband).
int64_t station(const SimRadio& r, int64_t t, int at_least) {
  for (int64_t hz = 14'000'000; hz <= 14'350'000; hz += 1000) {
    if (r.band_signal(hz, 2120, t) >= at_least) return hz;
  }
  return 0;
}

TEST(SimAutoInformation, OwnChangesAreReportedOnlyWhileOn) {
  Bench b;
  EXPECT_TRUE(b.radio.turn_dial(500, 0));
  EXPECT_EQ(b.take(), "");
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'200'500);

  b.send({"AI1"});
  EXPECT_EQ(b.ask("AI"), "AI1");
  b.radio.turn_dial(-1000, 0);
  EXPECT_EQ(b.take(), "FA014199500;");
  b.radio.set_mode(mode::kCw, 0);
  EXPECT_EQ(b.take(), "MD03;");
  b.radio.panel("AG0200", 0);
  EXPECT_EQ(b.take(), "AG0200;");
  b.radio.select_vfo(1, 0);
  std::string vs = b.take();
  EXPECT_EQ(vs.substr(0, 6), "VS1;IF") << vs;
  EXPECT_EQ(at(vs.substr(4), 6, 9), 7'050'000);  // what is now heard
  b.radio.set_split(true, 0);
  EXPECT_EQ(b.take(), "FT0;");  // receiving on B, A transmits

  // Settings made over CAT are the component's own: not reported.
  b.send({"FA007000000", "MD12"});
  EXPECT_EQ(b.take(), "");
  b.send({"AI0"});
  b.radio.turn_dial(100, 0);
  EXPECT_EQ(b.take(), "");
}

TEST(SimAutoInformation, TheSMeterAndScanningReportThemselves) {
  Bench b;
  b.wait_ms(3000);
  EXPECT_EQ(b.take(), "");
  b.send({"AI1"});
  b.wait_ms(3000);
  EXPECT_GE(count(b.take(), "SM0"), 5);

  b.send({"SQ0255", "SC1"});  // a closed squelch never holds the scan
  b.take();
  b.wait_ms(1000);
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'210'000);
  EXPECT_EQ(count(b.take(), "FA0142"), 10);
  b.send({"SC0"});
  b.wait_ms(1000);
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'210'000);
}

TEST(SimAutoInformation, TheTunerTellsWhenItIsDone) {
  Bench b;
  b.send({"AI1", "AC002"});
  b.wait_ms(1999);
  EXPECT_EQ(count(b.take(), "AC"), 0);
  b.wait_ms(1);
  EXPECT_EQ(count(b.take(), "AC001;"), 1);
}

TEST(SimFrontPanel, ALockedDialOrAMemoryDoesNotTune) {
  Bench b;
  b.send({"LK1"});
  EXPECT_FALSE(b.radio.turn_dial(1000, 0));
  b.send({"LK0", "MC001"});
  EXPECT_FALSE(b.radio.turn_dial(1000, 0));
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'200'000);
  EXPECT_FALSE(b.radio.panel("SH040", 0));  // the radio refuses what it cannot do
}

TEST(SimPower, ASwitchedOffRadioHearsOnlyPowerOn) {
  Bench b;
  b.send({"AI1", "PS0"});
  EXPECT_FALSE(b.radio.state().power);
  EXPECT_EQ(b.ask("FA"), "");
  EXPECT_EQ(b.ask("PS"), "");
  b.send({"FA007000000", "PS2"});
  EXPECT_EQ(b.take(), "");
  b.send({"PS1"});
  EXPECT_TRUE(b.radio.state().power);
  EXPECT_EQ(b.radio.state().ai, 0);  // automatic information is off again
  EXPECT_EQ(b.ask("FA"), "FA014200000");
  EXPECT_EQ(b.ask("PS"), "PS1");
}

TEST(SimPower, AnswersOnTheirWayAreLostWhenSwitchedOff) {
  Bench b(SimOptions{.latency_us = 50'000});
  b.radio.receive("FA;", 0);
  b.radio.receive("PS0;", 10'000);
  b.radio.receive("PS1;", 20'000);
  b.wait_ms(100);
  EXPECT_EQ(b.take(), "");
}

TEST(SimPower, PowerCyclesFromOutside) {
  Bench b;
  b.send({"AI1"});
  b.radio.power_cycle(0, 1'000'000);
  EXPECT_EQ(b.ask("ID"), "");
  b.wait_ms(1000);
  EXPECT_EQ(b.ask("ID"), "ID0570");
  EXPECT_EQ(b.radio.state().ai, 0);

  Bench p(SimOptions{.power_cycle_every_us = 10'000'000, .power_off_for_us = 2'000'000});
  p.wait_ms(10'500);
  EXPECT_FALSE(p.radio.state().power);
  EXPECT_EQ(p.ask("ID"), "");
  p.wait_ms(1'500);
  EXPECT_EQ(p.ask("ID"), "ID0570");
}

TEST(SimSilence, NeitherHearsNorAnswersForItsSpan) {
  Bench b;
  b.radio.receive("A", 0);
  b.radio.go_silent(0, 1'000'000);
  EXPECT_EQ(b.ask("AG0100"), "");
  EXPECT_EQ(b.ask("ID"), "");
  b.wait_ms(1000);
  EXPECT_EQ(b.radio.state().rx[0].af, 64);  // what it did not hear it did not do
  EXPECT_EQ(b.ask("ID"), "ID0570");         // the "A" before the silence is forgotten

  Bench late(SimOptions{.latency_us = 100'000});
  late.radio.receive("ID;", 0);
  late.radio.go_silent(50'000, 100'000);
  late.wait_ms(500);
  EXPECT_EQ(late.take(), "");  // its answer was due during the silence

  Bench periodic(SimOptions{.silent_every_us = 5'000'000, .silent_for_us = 1'000'000});
  periodic.wait_ms(5'500);
  EXPECT_EQ(periodic.ask("ID"), "");
  periodic.wait_ms(500);
  EXPECT_EQ(periodic.ask("ID"), "ID0570");
}

TEST(SimFaults, AnswersLeaveAfterTheLatencyInOrder) {
  Bench b(SimOptions{.latency_us = 30'000});
  b.radio.receive("FA;ID;", 0);
  b.radio.advance(29'999);
  EXPECT_TRUE(b.out.empty());
  b.radio.advance(30'000);
  ASSERT_EQ(b.out.size(), 2u);
  EXPECT_EQ(b.out[0], std::make_pair(int64_t{30'000}, std::string("FA014200000;")));
  EXPECT_EQ(b.out[1], std::make_pair(int64_t{30'000}, std::string("ID0570;")));
  EXPECT_EQ(b.radio.next_event_us(), 100'000);  // then only the S-meter is due
}

TEST(SimFaults, ABrokenUpAnswerLeavesInTwoPiecesBeforeTheNext) {
  Bench b(SimOptions{.latency_us = 10'000, .faults = {.split = 1.0, .split_gap_us = 5'000}});
  b.radio.receive("FA;FB;", 0);
  b.radio.advance(100'000);
  ASSERT_EQ(b.out.size(), 4u);
  EXPECT_EQ(b.out[0].second + b.out[1].second, "FA014200000;");
  EXPECT_EQ(b.out[2].second + b.out[3].second, "FB007050000;");
  EXPECT_EQ(b.out[0].first, 10'000);
  EXPECT_GT(b.out[1].first, b.out[0].first);
  EXPECT_LE(b.out[1].first, 15'000);
  EXPECT_GE(b.out[2].first, b.out[1].first);
  EXPECT_GT(b.out[3].first, b.out[2].first);
  EXPECT_EQ(b.radio.line_stats().split, 2);
}

TEST(SimFaults, DroppedAndGarbledAnswers) {
  Bench lost(SimOptions{.faults = {.drop = 1.0}});
  EXPECT_EQ(lost.ask("FA"), "");
  EXPECT_EQ(lost.radio.line_stats().dropped, 1);

  Bench clean, garbled(SimOptions{.faults = {.garble = 1.0}});
  for (const char* q : {"FA", "IF", "ID", "SM0", "EX086"}) {
    std::string want = clean.ask(q) + ";", got = garbled.ask(q);
    got += ';';                                         // ask() took one ";" off
    if (got.size() == want.size() + 1) got.pop_back();  // the ";" itself was changed
    ASSERT_EQ(got.size(), want.size()) << q;
    int differ = 0;
    for (size_t i = 0; i < want.size(); ++i) differ += want[i] != got[i];
    EXPECT_EQ(differ, 1) << want << " / " << got;
  }
}

TEST(SimFaults, TheSameSeedGivesTheSameLine) {
  auto run = [](uint64_t seed) {
    SimOptions o{
        .seed = seed, .latency_us = 5'000, .faults = {.drop = 0.1, .garble = 0.1, .split = 0.2}};
    Bench b(o);
    const char* queries[] = {"FA", "IF", "SM0", "AG0", "OI", "EX095"};
    for (int i = 0; i < 300; ++i) b.radio.receive(std::string(queries[i % 6]) + ";", i * 20'000);
    b.radio.advance(7'000'000);
    EXPECT_GT(b.radio.line_stats().dropped, 0);
    EXPECT_GT(b.radio.line_stats().garbled, 0);
    EXPECT_GT(b.radio.line_stats().split, 0);
    return b.out;
  };
  EXPECT_EQ(run(7), run(7));
  EXPECT_NE(run(7), run(8));
}

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

TEST(SimOperator, WorksTheRadioReproduciblyFromTheSeed) {
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
}

TEST(SimOperator, ComesAndGoes) {
  SimRadio r;
  r.set_operator(true, 0);
  r.advance(60'000'000);
  EXPECT_NE(r.state().vfo, RadioState().vfo);
  r.set_operator(false, 60'000'000);
  auto left = r.state().vfo;
  r.advance(120'000'000);
  EXPECT_EQ(r.state().vfo, left);
}

TEST(SimOperator, ItsChangesAreReported) {
  Bench b(SimOptions{.seed = 5, .operator_on = true});
  b.send({"AI1"});
  b.wait_ms(60'000);
  std::string told = b.take();
  EXPECT_GT(count(told, "FA") + count(told, "FB"), 0);
  EXPECT_EQ(count(told, "?"), 0);
}

TEST(SimSMeter, MovesLikeABandAndIsReproducible) {
  auto readings = [](uint64_t seed) {
    Bench b(SimOptions{.seed = seed});
    std::vector<int> v;
    for (int i = 0; i < 600; ++i) {
      b.wait_ms(100);
      v.push_back(b.radio.state().rx[0].smeter);
    }
    return v;
  };
  std::vector<int> a = readings(1);
  EXPECT_EQ(a, readings(1));
  EXPECT_GT(std::set<int>(a.begin(), a.end()).size(), 5u);
}

TEST(SimSMeter, AStationOpensTheSquelchAndTheAttenuatorLowersIt) {
  Bench b;
  int64_t hz = station(b.radio, 100'000, 120);
  ASSERT_NE(hz, 0);
  const int nine_digit_id = 570;
  b.send({"FA" + freq_digits(nine_digit_id, hz)});
  b.wait_ms(100);
  int strong = b.radio.state().rx[0].smeter;
  EXPECT_GE(strong, 80);
  EXPECT_EQ(b.ask("BY").substr(0, 3), "BY1");

  Bench att;
  att.send({"FA" + freq_digits(nine_digit_id, hz), "RA03"});
  att.wait_ms(100);
  EXPECT_EQ(att.radio.state().rx[0].smeter, strong - 36);

  b.send({"SQ0255"});
  b.wait_ms(100);
  EXPECT_EQ(b.ask("BY").substr(0, 3), "BY0");
}

TEST(SimSMeter, TransmittingShowsTheSelectedMeter) {
  Bench b;
  b.send({"PC200", "MS0", "TX1"});
  b.wait_ms(100);
  EXPECT_EQ(b.radio.state().rx[0].smeter, 0);
  EXPECT_EQ(at(b.ask("RM01"), 5, 3), 180);
  b.send({"TX0"});
  EXPECT_EQ(at(b.ask("RM01"), 5, 3), 0);
}

}  // namespace
}  // namespace tovrak::sim::test
